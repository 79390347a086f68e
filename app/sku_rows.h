// What a poll cycle does with a downloaded page: the rows of `超级列表框1`
// and their total. Split from the cycles so the work can be measured apart
// from the download; the cycles call these under the list lock.
#pragma once

#include "platform/edit_box_model.h"
#include "platform/list_view_model.h"
#include "text/regex_matcher.h"
#include "text/text.h"

namespace velmora {

// Automatic stock: appends one row per match of the SKU pattern over the
// whole page (name, identifier, the stock figure from the section between
// "skuMap" and "salesProp" or empty, empty). Appends nothing for an empty
// page or one without matches. Linear in the page size.
void ListAutoStockRows(const Text& page, RegexMatcher& matcher,
                       platform::ListViewModel& skuList);

// Manual stock: appends one row per match of the stock pattern (identifier,
// the typed count read afresh for the row, stock figure, count − stock as a
// number text). Appends nothing for an empty page or one without matches.
void ListManualStockRows(const Text& page, RegexMatcher& matcher,
                         const platform::EditBoxModel& typedCount,
                         platform::ListViewModel& skuList);

// The integer values of `column` added up row by row, each partial sum taken
// through its number text; empty for a list without rows.
Text TotalOfColumn(const platform::ListViewModel& list, int column);

}  // namespace velmora
