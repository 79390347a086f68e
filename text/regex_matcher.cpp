#include "text/regex_matcher.h"

#include <re2/re2.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "text/gbk_decoder.h"
#include "text/regex_prefix.h"

namespace velmora {
namespace {

constexpr std::size_t kNoGroup = static_cast<std::size_t>(-1);

// "#引号" in GBK: callers that cannot write a double quote into a pattern
// write this instead.
constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// Large enough that RE2's DFA never runs out of room on a page of several
// megabytes and falls back to the slower NFA.
constexpr int64_t kEngineMemory = 64 << 20;

std::string Utf8Pattern(std::string_view gbkPattern, bool multiline) {
  std::string utf8(gbk_detail::Utf8Capacity(gbkPattern.size()) + 4, '\0');
  std::size_t length = 0;
  // RE2 keeps ^ and $ to the whole text unless told otherwise.
  if (multiline) {
    utf8.replace(0, 4, "(?m)");
    length = 4;
  }
  length += gbk_detail::DecodeToUtf8(gbkPattern, utf8.data() + length, nullptr);
  utf8.resize(length);
  return utf8;
}

// Length of the UTF-8 character starting with `lead`; 1 for a stray byte.
std::size_t Utf8CharLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

}  // namespace

struct RegexMatcher::State {
  // The compiled pattern of the last search, kept for the next search with
  // the same pattern and options.
  std::unique_ptr<RE2> engine;
  std::string enginePattern;
  bool engineCaseSensitive = false;
  // What every match of the pattern starts with; empty when unknown. The
  // search skips to the next place it stands before it wakes the engine,
  // which makes text without a match cost a byte scan instead of a DFA walk.
  // Ignoring case, the engine folds the Unicode way ("k" also matches U+212A
  // KELVIN SIGN, "s" U+017F LONG S), while the skip folds ASCII letters only.
  // The two agree here because the engine only ever sees decoded GBK, and no
  // character of code page 936 but the ASCII letters folds to an ASCII letter
  // (the matcher tests check every one of them).
  std::string prefix;

  // The subject of the last successful search, and per match the GBK byte
  // range [begin, end) of the whole match followed by those of its groups.
  Text subject;
  int groupCount = 0;
  int matchCount = 0;
  std::vector<std::size_t> bounds;

  // Scratch space reused from search to search.
  std::unique_ptr<char[]> utf8;
  std::size_t utf8Capacity = 0;
  std::vector<gbk_detail::Checkpoint> checkpoints;

  void Clear() {
    subject.clear();
    groupCount = 0;
    matchCount = 0;
    bounds.clear();
  }

  // The group's byte range, or false when it took no part in the match.
  bool Range(int matchIndex, int groupIndex, std::size_t* begin, std::size_t* end) const {
    if (matchIndex < 1 || matchIndex > matchCount) return false;
    if (groupIndex < 0 || groupIndex > groupCount) return false;
    const std::size_t at = (static_cast<std::size_t>(matchIndex - 1) *
                                (static_cast<std::size_t>(groupCount) + 1) +
                            static_cast<std::size_t>(groupIndex)) * 2;
    if (bounds[at] == kNoGroup) return false;
    *begin = bounds[at];
    *end = bounds[at + 1];
    return true;
  }
};

RegexMatcher::RegexMatcher() : state_(std::make_unique<State>()) {}
RegexMatcher::~RegexMatcher() = default;

bool RegexMatcher::Search(std::string_view pattern, std::string_view subject,
                          bool caseSensitive, bool multiline, bool global,
                          bool quotePlaceholder) {
  State& s = *state_;
  s.Clear();

  std::string utf8Pattern =
      quotePlaceholder ? Utf8Pattern(Replace(pattern, kQuotePlaceholder, "\""), multiline)
                       : Utf8Pattern(pattern, multiline);
  if (!s.engine || s.enginePattern != utf8Pattern ||
      s.engineCaseSensitive != caseSensitive) {
    RE2::Options options;
    options.set_log_errors(false);
    options.set_case_sensitive(caseSensitive);
    options.set_max_mem(kEngineMemory);
    s.engine = std::make_unique<RE2>(utf8Pattern, options);
    // The "(?m)" put in front only changes ^ and $, which end a prefix anyway.
    s.prefix = regex_detail::RequiredLiteralPrefix(
        std::string_view(utf8Pattern).substr(multiline ? 4 : 0));
    s.enginePattern = std::move(utf8Pattern);
    s.engineCaseSensitive = caseSensitive;
  }
  const RE2& engine = *s.engine;
  if (!engine.ok()) return false;

  // The engine sees characters: decode the subject, remembering where the
  // characters stood so that captures can be cut from the original bytes.
  const std::size_t capacity = gbk_detail::Utf8Capacity(subject.size());
  if (s.utf8Capacity < capacity) {
    s.utf8.reset(new char[capacity]);
    s.utf8Capacity = capacity;
  }
  const std::size_t utf8Size =
      gbk_detail::DecodeToUtf8(subject, s.utf8.get(), &s.checkpoints);
  const re2::StringPiece text(s.utf8.get(), utf8Size);
  gbk_detail::OffsetMap offsets(subject, s.checkpoints);

  const int groupCount = engine.NumberOfCapturingGroups();
  const std::size_t slots = static_cast<std::size_t>(groupCount) + 1;
  std::vector<re2::StringPiece> groups(slots);
  std::vector<std::size_t> order;
  const std::string_view textView(text.data(), text.size());
  std::size_t from = 0;
  int matchCount = 0;
  while (from <= utf8Size) {
    // Every match starts with the prefix, so none starts before the next
    // place it stands: searching from there finds the same leftmost match.
    // ASCII bytes never occur inside a multi-byte UTF-8 character, so each
    // place found is a character boundary. A prefix is never empty, so
    // neither is a match when there is one.
    std::size_t start = from;
    if (!s.prefix.empty()) {
      start = regex_detail::FindPrefix(textView, from, s.prefix, caseSensitive);
      if (start == std::string_view::npos) break;
    }
    if (!engine.Match(text, start, utf8Size, RE2::UNANCHORED, groups.data(),
                      static_cast<int>(slots))) {
      break;
    }
    // Map the boundaries in increasing order, so the offset map walks each
    // stretch of the subject once.
    const std::size_t first = s.bounds.size();
    order.clear();
    for (std::size_t g = 0; g < slots; ++g) {
      const re2::StringPiece& group = groups[g];
      if (group.data() == nullptr) {
        s.bounds.push_back(kNoGroup);
        s.bounds.push_back(kNoGroup);
        continue;
      }
      const auto begin = static_cast<std::size_t>(group.data() - text.data());
      s.bounds.push_back(begin);
      s.bounds.push_back(begin + group.size());
      order.push_back(first + 2 * g);
      order.push_back(first + 2 * g + 1);
    }
    std::sort(order.begin(), order.end(),
              [&s](std::size_t a, std::size_t b) { return s.bounds[a] < s.bounds[b]; });
    for (std::size_t at : order) s.bounds[at] = offsets.GbkOffset(s.bounds[at]);
    ++matchCount;
    if (!global) break;
    // The next match starts where this one ended; after an empty match, one
    // character further on, so that the same empty match is not found again.
    const auto end = static_cast<std::size_t>(groups[0].data() - text.data()) +
                     groups[0].size();
    if (!groups[0].empty()) {
      from = end;
    } else if (end < utf8Size) {
      from = end + Utf8CharLength(static_cast<unsigned char>(text[end]));
    } else {
      break;
    }
  }

  s.subject.assign(subject);
  s.groupCount = groupCount;
  s.matchCount = matchCount;
  return true;
}

int RegexMatcher::MatchCount() const { return state_->matchCount; }

Text RegexMatcher::MatchText(int matchIndex) const {
  std::size_t begin = 0;
  std::size_t end = 0;
  if (!state_->Range(matchIndex, 0, &begin, &end)) return {};
  return state_->subject.substr(begin, end - begin);
}

Text RegexMatcher::SubmatchText(int matchIndex, int groupIndex) const {
  if (groupIndex < 1) return {};
  std::size_t begin = 0;
  std::size_t end = 0;
  if (!state_->Range(matchIndex, groupIndex, &begin, &end)) return {};
  return state_->subject.substr(begin, end - begin);
}

int RegexMatcher::SubmatchCount() const {
  return state_->matchCount > 0 ? state_->groupCount : 0;
}

}  // namespace velmora
