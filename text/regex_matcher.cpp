#include "text/regex_matcher.h"

#include <re2/re2.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/gbk_decoder.h"
#include "text/lazy_pattern.h"
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
  // The last pattern and options searched with, and what was made of them.
  std::string enginePattern;
  bool engineCaseSensitive = false;
  bool compiled = false;
  // The pattern in the form matched on GBK bytes directly, when it has it.
  std::optional<regex_detail::LazyPattern> lazy;
  // RE2's form, compiled on first need: every pattern without the direct form,
  // and a direct-form search that ran out of budget.
  std::unique_ptr<RE2> engine;
  // What every match of the pattern starts with; empty when unknown. The
  // engine's search skips to the next place it stands before it wakes RE2,
  // which makes text without a match cost a byte scan instead of a DFA walk.
  // Ignoring case, RE2 folds the Unicode way ("k" also matches U+212A KELVIN
  // SIGN, "s" U+017F LONG S), while the skip folds ASCII letters only. The
  // two agree here because RE2 only ever sees decoded GBK, and no character
  // of code page 936 but the ASCII letters folds to an ASCII letter (the
  // matcher tests check every one of them).
  std::string prefix;

  // Per match, the bytes of the whole match as they stood in the subject, one
  // after another, and the byte range [begin, end) of the match and then of
  // each group within them. Keeping the matched bytes instead of the subject
  // makes a search of a long page copy only what was found.
  Text matched;
  int groupCount = 0;
  int matchCount = 0;
  std::vector<std::size_t> bounds;

  // Scratch space reused from search to search.
  std::unique_ptr<char[]> utf8;
  std::size_t utf8Capacity = 0;
  std::vector<gbk_detail::Checkpoint> checkpoints;
  std::vector<std::size_t> matchBounds;

  void Clear() {
    matched.clear();
    groupCount = 0;
    matchCount = 0;
    bounds.clear();
  }

  // Keeps one match, given by offsets into `subject`: the match's range, then
  // each group's (kNoGroup for one that took no part).
  void Keep(std::string_view subject, const std::vector<std::size_t>& subjectBounds) {
    const std::size_t begin = subjectBounds[0];
    const std::size_t base = matched.size();
    matched.append(subject.substr(begin, subjectBounds[1] - begin));
    for (std::size_t offset : subjectBounds) {
      bounds.push_back(offset == kNoGroup ? kNoGroup : offset - begin + base);
    }
    ++matchCount;
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

  // The direct-form search from the start of `subject`. Returns where RE2 has
  // to take over, or npos when the search is complete.
  std::size_t SearchDirectly(std::string_view subject, bool caseSensitive, bool global);

  // RE2's search of `subject` from `from`, a character boundary.
  void SearchWithEngine(std::string_view subject, std::size_t from, bool caseSensitive,
                        bool global);
};

std::size_t RegexMatcher::State::SearchDirectly(std::string_view subject, bool caseSensitive,
                                                bool global) {
  regex_detail::LazySearch search(*lazy, subject, caseSensitive);
  std::size_t from = 0;
  for (;;) {
    switch (search.Next(from, matchBounds)) {
      case regex_detail::LazySearch::Outcome::kGaveUp:
        return from;
      case regex_detail::LazySearch::Outcome::kNoMatch:
        return std::string_view::npos;
      case regex_detail::LazySearch::Outcome::kMatch:
        Keep(subject, matchBounds);
        // Matches are never empty, so the next one starts where this ended.
        if (!global) return std::string_view::npos;
        from = matchBounds[1];
        break;
    }
  }
}

void RegexMatcher::State::SearchWithEngine(std::string_view subject, std::size_t from,
                                           bool caseSensitive, bool global) {
  // RE2 sees characters: decode the subject from `from` on, remembering where
  // the characters stood so that captures can be cut from the original
  // bytes. Starting late changes nothing for the patterns that ever start
  // late, which have no anchors or word boundaries.
  const std::string_view rest = subject.substr(from);
  const std::size_t capacity = gbk_detail::Utf8Capacity(rest.size());
  if (utf8Capacity < capacity) {
    utf8.reset(new char[capacity]);
    utf8Capacity = capacity;
  }
  const std::size_t utf8Size = gbk_detail::DecodeToUtf8(rest, utf8.get(), &checkpoints);
  const re2::StringPiece text(utf8.get(), utf8Size);
  gbk_detail::OffsetMap offsets(rest, checkpoints);

  const std::size_t slots = static_cast<std::size_t>(engine->NumberOfCapturingGroups()) + 1;
  std::vector<re2::StringPiece> groups(slots);
  std::vector<std::size_t> order;
  const std::string_view textView(text.data(), text.size());
  std::size_t at = 0;
  while (at <= utf8Size) {
    // Every match starts with the prefix, so none starts before the next
    // place it stands: searching from there finds the same leftmost match.
    // ASCII bytes never occur inside a multi-byte UTF-8 character, so each
    // place found is a character boundary. A prefix is never empty, so
    // neither is a match when there is one.
    std::size_t start = at;
    if (!prefix.empty()) {
      start = regex_detail::FindPrefix(textView, at, prefix, caseSensitive);
      if (start == std::string_view::npos) break;
    }
    if (!engine->Match(text, start, utf8Size, RE2::UNANCHORED, groups.data(),
                       static_cast<int>(slots))) {
      break;
    }
    // Map the boundaries in increasing order, so the offset map walks each
    // stretch of the subject once.
    matchBounds.clear();
    order.clear();
    for (std::size_t g = 0; g < slots; ++g) {
      const re2::StringPiece& group = groups[g];
      if (group.data() == nullptr) {
        matchBounds.push_back(kNoGroup);
        matchBounds.push_back(kNoGroup);
        continue;
      }
      const auto begin = static_cast<std::size_t>(group.data() - text.data());
      matchBounds.push_back(begin);
      matchBounds.push_back(begin + group.size());
      order.push_back(2 * g);
      order.push_back(2 * g + 1);
    }
    std::sort(order.begin(), order.end(),
              [this](std::size_t a, std::size_t b) { return matchBounds[a] < matchBounds[b]; });
    for (std::size_t i : order) matchBounds[i] = from + offsets.GbkOffset(matchBounds[i]);
    Keep(subject, matchBounds);
    if (!global) break;
    // The next match starts where this one ended; after an empty match, one
    // character further on, so that the same empty match is not found again.
    const auto end = static_cast<std::size_t>(groups[0].data() - text.data()) +
                     groups[0].size();
    if (!groups[0].empty()) {
      at = end;
    } else if (end < utf8Size) {
      at = end + Utf8CharLength(static_cast<unsigned char>(text[end]));
    } else {
      break;
    }
  }
}

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
  if (!s.compiled || s.enginePattern != utf8Pattern ||
      s.engineCaseSensitive != caseSensitive) {
    // The "(?m)" put in front only changes ^ and $, which neither form uses.
    const std::string_view bare = std::string_view(utf8Pattern).substr(multiline ? 4 : 0);
    s.lazy = regex_detail::LazyPattern::Parse(bare);
    s.prefix = regex_detail::RequiredLiteralPrefix(bare);
    s.engine.reset();
    s.enginePattern = std::move(utf8Pattern);
    s.engineCaseSensitive = caseSensitive;
    s.compiled = true;
  }

  std::size_t engineFrom = 0;
  if (s.lazy) {
    engineFrom = s.SearchDirectly(subject, caseSensitive, global);
    if (engineFrom == std::string_view::npos) {
      s.groupCount = s.lazy->GroupCount();
      return true;
    }
    // Only a page built to make the direct form backtrack gets here; RE2
    // finds the matches from where that search began.
  }

  if (!s.engine) {
    RE2::Options options;
    options.set_log_errors(false);
    options.set_case_sensitive(caseSensitive);
    options.set_max_mem(kEngineMemory);
    s.engine = std::make_unique<RE2>(s.enginePattern, options);
  }
  if (!s.engine->ok()) {
    s.Clear();
    return false;
  }
  s.SearchWithEngine(subject, engineFrom, caseSensitive, global);
  s.groupCount = s.engine->NumberOfCapturingGroups();
  return true;
}

int RegexMatcher::MatchCount() const { return state_->matchCount; }

Text RegexMatcher::MatchText(int matchIndex) const {
  std::size_t begin = 0;
  std::size_t end = 0;
  if (!state_->Range(matchIndex, 0, &begin, &end)) return {};
  return state_->matched.substr(begin, end - begin);
}

Text RegexMatcher::SubmatchText(int matchIndex, int groupIndex) const {
  if (groupIndex < 1) return {};
  std::size_t begin = 0;
  std::size_t end = 0;
  if (!state_->Range(matchIndex, groupIndex, &begin, &end)) return {};
  return state_->matched.substr(begin, end - begin);
}

int RegexMatcher::SubmatchCount() const {
  return state_->matchCount > 0 ? state_->groupCount : 0;
}

}  // namespace velmora
