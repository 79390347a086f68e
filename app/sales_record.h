// The sales record file 记录.ini: a copy of the sales log, one line per row
// of `超级列表框2`, rebuilt whole after every sales event.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "platform/list_view_model.h"
#include "text/text.h"

namespace velmora {

// One sales row as the file holds it: the time text and the sales figure.
struct SalesRecordRow {
  std::string_view time;
  std::string_view figure;
};

// Appends '"' time '","' figure '"' CR LF to `content`; the fields are copied
// unescaped, byte for byte.
void AppendSalesRecordLine(Text& content, std::string_view time,
                           std::string_view figure);

// The whole file for `rows`, in order: no header, no byte-order mark, GBK
// bytes as the texts hold them. Empty for no rows.
Text SalesRecordContent(std::span<const SalesRecordRow> rows);

// `runDirectory`, the platform's separator, then 记录.ini (the name spelled
// in the file system's own encoding).
std::filesystem::path SalesRecordPath(const std::filesystem::path& runDirectory);

// Rewrites 记录.ini in `runDirectory` (the executable's directory when empty)
// from columns 0 and 1 of every row of `salesList`. The new file replaces the
// old one by an atomic rename after it reached the disk, so a crash or power
// loss leaves the old or the new file, never an empty or cut one. True when
// written; false leaves any earlier file as it was. Callers may ignore it:
// the next sales event writes every row again.
bool WriteSalesRecord(const platform::ListViewModel& salesList,
                      const std::filesystem::path& runDirectory);

}  // namespace velmora
