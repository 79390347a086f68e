#include "text/markers.h"

namespace velmora {
namespace {

// "#引号" in GBK: lets a caller spell a marker holding double quotes without
// escaping them.
constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

}  // namespace

Text TextBetween(std::string_view text, std::string_view leftMarker,
                 std::string_view rightMarker, int startPosition, bool ignoreCase) {
  const Text left = Replace(leftMarker, kQuoteWord, "\"");
  const Text right = Replace(rightMarker, kQuoteWord, "\"");
  const int leftAt = Find(text, left, startPosition < 1 ? 1 : startPosition, ignoreCase);
  if (leftAt < 0) return {};
  const int contentAt = leftAt + static_cast<int>(left.size());
  const int rightAt = Find(text, right, contentAt, ignoreCase);
  if (rightAt < 0) return {};
  return Middle(text, contentAt, rightAt - contentAt);
}

Text TextBetweenLast(std::string_view text, std::string_view rightMarker,
                     std::string_view leftMarker, int skipFromEnd, bool ignoreCase) {
  const long long skip = skipFromEnd <= 0 ? -1 : skipFromEnd;
  const long long limit = static_cast<long long>(text.size()) - skip;
  // FindBackward reads kWholeText (-1) as "no limit", so a limit that leaves
  // no region must stop here rather than reach it.
  if (limit <= 1) return {};
  const int closeAt = FindBackward(text, rightMarker, static_cast<int>(limit), ignoreCase);
  if (closeAt < 0) return {};
  // The flag governs both markers; a caller asking for case-blind markers
  // would not expect the opening one to be matched exactly.
  const int openAt = FindBackward(text, leftMarker, closeAt, ignoreCase);
  if (openAt < 0) return {};
  const int contentAt = openAt + static_cast<int>(leftMarker.size());
  return Middle(text, contentAt, closeAt - contentAt);
}

Text TextLeftOf(std::string_view text, std::string_view marker, int startPosition,
                bool ignoreCase) {
  const int at = Find(text, marker, startPosition < 1 ? 1 : startPosition, ignoreCase);
  if (at < 0) return {};
  return Left(text, at - 1);
}

}  // namespace velmora
