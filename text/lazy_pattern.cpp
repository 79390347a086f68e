#include "text/lazy_pattern.h"

#include <algorithm>
#include <cstring>

#include "text/regex_prefix.h"

namespace velmora::regex_detail {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Longer literals are left to RE2: each candidate the scan proposes is
// compared in full, and a long literal of repeated characters in a text of
// the same would make that compare the main cost.
constexpr std::size_t kLongestLiteral = 64;

// Each lazy run is one level of recursion in the search; more runs than any
// page pattern needs are RE2's, so a long pattern cannot exhaust the stack.
constexpr int kMostLazyRuns = 16;

// The work a search may do, in bytes looked at and steps taken, before it
// hands over: a few passes over the subject, and room for small subjects.
constexpr std::size_t kBudgetPerByte = 8;
constexpr std::size_t kBudgetBase = 1 << 16;

bool IsQuantifier(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

// Visible ASCII and space that stands for itself outside a class. "}" and
// "]" alone are literals to RE2 too; "{" may start a repetition count.
bool IsPlainLiteral(unsigned char c) {
  if (c < 0x20 || c > 0x7E) return false;
  return std::string_view(R"(\.[(){*+?|^$)").find(static_cast<char>(c)) == std::string_view::npos;
}

constexpr std::string_view kAnyCharacterRuns[] = {R"([\s\S]*?)", R"([\S\s]*?)"};
constexpr std::string_view kLineRun = ".*?";

}  // namespace

std::optional<LazyPattern> LazyPattern::Parse(std::string_view pattern) {
  LazyPattern parsed;
  std::vector<Token>& tokens = parsed.tokens_;
  int openGroup = 0;
  int lazyRuns = 0;
  std::size_t at = 0;
  const auto appendLiteral = [&tokens](char c) {
    if (tokens.empty() || tokens.back().kind != Kind::kLiteral) tokens.push_back({});
    tokens.back().literal += c;
    return tokens.back().literal.size() <= kLongestLiteral;
  };
  while (at < pattern.size()) {
    const char c = pattern[at];
    if (c == '(') {
      // Nested and special groups ("(?:", "(?i)") are RE2's.
      if (openGroup != 0 || pattern.substr(at + 1).starts_with('?')) return std::nullopt;
      openGroup = ++parsed.groupCount_;
      tokens.push_back(Token{Kind::kOpen, {}, false, openGroup});
      ++at;
    } else if (c == ')') {
      if (openGroup == 0) return std::nullopt;
      tokens.push_back(Token{Kind::kClose, {}, false, openGroup});
      openGroup = 0;
      ++at;
    } else if (pattern.substr(at).starts_with(kLineRun)) {
      if (++lazyRuns > kMostLazyRuns) return std::nullopt;
      tokens.push_back(Token{Kind::kLazyRun, {}, false, 0});
      at += kLineRun.size();
    } else if (pattern.substr(at).starts_with(kAnyCharacterRuns[0]) ||
               pattern.substr(at).starts_with(kAnyCharacterRuns[1])) {
      if (++lazyRuns > kMostLazyRuns) return std::nullopt;
      tokens.push_back(Token{Kind::kLazyRun, {}, true, 0});
      at += kAnyCharacterRuns[0].size();
    } else if (c == '\\' && at + 1 < pattern.size() &&
               IsEscapedLiteral(static_cast<unsigned char>(pattern[at + 1]))) {
      if (!appendLiteral(pattern[at + 1])) return std::nullopt;
      at += 2;
    } else if (IsPlainLiteral(static_cast<unsigned char>(c))) {
      if (!appendLiteral(c)) return std::nullopt;
      ++at;
    } else {
      return std::nullopt;
    }
    // A quantifier here would repeat the character, group or run just read.
    if (at < pattern.size() && IsQuantifier(pattern[at])) return std::nullopt;
  }
  if (openGroup != 0) return std::nullopt;

  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != Kind::kLazyRun) continue;
    std::size_t next = i + 1;
    while (next < tokens.size() &&
           (tokens[next].kind == Kind::kOpen || tokens[next].kind == Kind::kClose)) {
      ++next;
    }
    if (next < tokens.size() && tokens[next].kind == Kind::kLiteral) tokens[i].literalAfter = next;
  }

  std::size_t first = 0;
  while (first < tokens.size() && tokens[first].kind != Kind::kLiteral) {
    if (tokens[first].kind == Kind::kLazyRun) return std::nullopt;
    ++first;
  }
  if (first == tokens.size()) return std::nullopt;
  parsed.firstLiteral_ = first;
  return parsed;
}

LazySearch::LazySearch(const LazyPattern& pattern, std::string_view subject,
                       bool caseSensitive)
    : pattern_(pattern),
      subject_(subject),
      caseSensitive_(caseSensitive),
      literalMemos_(pattern.tokens_.size()),
      ownDead_(pattern.tokens_.size() + 1, kNone),
      dead_(pattern.tokens_.size() + 1, kNone),
      budget_(kBudgetBase + kBudgetPerByte * subject.size()) {}

LazySearch::Outcome LazySearch::Next(std::size_t from, std::vector<std::size_t>& bounds) {
  bounds.assign(2 * (static_cast<std::size_t>(pattern_.groupCount_) + 1), 0);
  const std::string& first = pattern_.tokens_[pattern_.firstLiteral_].literal;
  std::size_t at = from;
  while (at < subject_.size()) {
    const std::size_t candidate = FindPrefix(subject_, at, first, caseSensitive_);
    if (!Spend((candidate == kNone ? subject_.size() : candidate) - at + 1)) {
      return Outcome::kGaveUp;
    }
    if (candidate == kNone || candidate >= dead_[0]) return Outcome::kNoMatch;
    // The literal's first character is one byte, so the next character
    // starts right after it, whether or not the candidate is a match.
    if (StartsCharacter(candidate, at)) {
      if (FirstParse(candidate, bounds)) {
        bounds[0] = candidate;
        return Outcome::kMatch;
      }
      if (exhausted_) return Outcome::kGaveUp;
      const Outcome outcome = MatchFrom(0, candidate, bounds);
      if (outcome == Outcome::kMatch) {
        bounds[0] = candidate;
        return outcome;
      }
      if (outcome == Outcome::kGaveUp) return outcome;
    }
    at = candidate + 1;
  }
  return Outcome::kNoMatch;
}

// The parse the backtracking below tries first, taken straight through: each
// lazy run ends where the literal after it next stands (or takes nothing when
// no literal follows), and every later step must then succeed as it comes.
// On item pages that first parse is nearly always the match, so this loop
// finds it without the recursion's bookkeeping; when any step fails, false
// leaves the decision to MatchFrom, which retries from the same start.
bool LazySearch::FirstParse(std::size_t at, std::vector<std::size_t>& bounds) {
  using Kind = LazyPattern::Kind;
  for (const LazyPattern::Token& current : pattern_.tokens_) {
    switch (current.kind) {
      case Kind::kLiteral:
        if (subject_.size() - at < current.literal.size() ||
            !StandsAt(subject_.data() + at, current.literal, caseSensitive_)) {
          return false;
        }
        at += current.literal.size();
        break;
      case Kind::kOpen:
        bounds[2 * static_cast<std::size_t>(current.group)] = at;
        break;
      case Kind::kClose:
        bounds[2 * static_cast<std::size_t>(current.group) + 1] = at;
        break;
      case Kind::kLazyRun: {
        if (current.literalAfter == kNone) break;
        const std::size_t end = NextLiteral(current.literalAfter, at);
        if (end == kNone) return false;
        std::size_t clear = at;
        if (!current.crossesLines && !LineIsClear(clear, end)) return false;
        at = end;
        break;
      }
    }
  }
  bounds[1] = at;
  return true;
}

LazySearch::Outcome LazySearch::MatchFrom(std::size_t token, std::size_t at,
                                          std::vector<std::size_t>& bounds) {
  const std::vector<LazyPattern::Token>& tokens = pattern_.tokens_;
  using Kind = LazyPattern::Kind;
  for (;; ++token) {
    if (!Spend(1)) return Outcome::kGaveUp;
    if (at >= dead_[token]) return Outcome::kNoMatch;
    if (token == tokens.size()) {
      bounds[1] = at;
      return Outcome::kMatch;
    }
    const LazyPattern::Token& current = tokens[token];
    switch (current.kind) {
      case Kind::kLiteral: {
        const std::string& literal = current.literal;
        if (subject_.size() - at < literal.size() ||
            !StandsAt(subject_.data() + at, literal, caseSensitive_)) {
          return Outcome::kNoMatch;
        }
        at += literal.size();
        break;
      }
      case Kind::kOpen:
        bounds[2 * static_cast<std::size_t>(current.group)] = at;
        break;
      case Kind::kClose:
        bounds[2 * static_cast<std::size_t>(current.group) + 1] = at;
        break;
      case Kind::kLazyRun: {
        // The run takes as few characters as the rest of the pattern allows:
        // none, then one more at a time, up to the end of the subject or, for
        // ".*?", up to a line feed it may not take. When a literal comes
        // next, only the places where it stands are worth trying.
        const std::size_t next = current.literalAfter;
        const bool literalNext = next != kNone;
        std::size_t clear = at;  // no line feed stands in [at, clear)
        for (std::size_t end = at;;) {
          if (literalNext) {
            end = NextLiteral(next, end);
            if (exhausted_) return Outcome::kGaveUp;
          }
          if (end == kNone || end >= dead_[token + 1] ||
              (!current.crossesLines && !LineIsClear(clear, end))) {
            if (current.crossesLines) MarkDead(token, at);
            return Outcome::kNoMatch;
          }
          const Outcome outcome = MatchFrom(token + 1, end, bounds);
          if (outcome != Outcome::kNoMatch) return outcome;
          if (end == subject_.size()) {
            if (current.crossesLines) MarkDead(token, at);
            return Outcome::kNoMatch;
          }
          // A literal starts with a one-byte character; otherwise the run
          // takes the character at `end`, unless it is a line feed it may
          // not take.
          if (literalNext) {
            ++end;
          } else {
            if (!current.crossesLines && subject_[end] == '\n') return Outcome::kNoMatch;
            end += CharLength(end);
          }
        }
      }
    }
  }
}

void LazySearch::MarkDead(std::size_t token, std::size_t from) {
  ownDead_[token] = std::min(ownDead_[token], from);
  using Kind = LazyPattern::Kind;
  for (std::size_t i = token + 1; i-- > 0;) {
    const LazyPattern::Token& current = pattern_.tokens_[i];
    std::size_t after = dead_[i + 1];
    // A literal must be followed by the dead offset or later.
    if (current.kind == Kind::kLiteral && after != kNone) {
      after = after > current.literal.size() ? after - current.literal.size() : 0;
    }
    const std::size_t dead = std::min(ownDead_[i], after);
    if (dead >= dead_[i]) return;
    dead_[i] = dead;
  }
}

std::size_t LazySearch::FindLiteral(const std::string& literal, std::size_t from) const {
  // One character that has no case is found fastest by the C library.
  const auto first = static_cast<unsigned char>(literal[0]);
  const bool letter = (first | 0x20) >= 'a' && (first | 0x20) <= 'z';
  if (literal.size() == 1 && (caseSensitive_ || !letter)) {
    if (from >= subject_.size()) return kNone;
    const void* hit = std::memchr(subject_.data() + from, literal[0], subject_.size() - from);
    return hit == nullptr ? kNone
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - subject_.data());
  }
  return FindPrefix(subject_, from, literal, caseSensitive_);
}

std::size_t LazySearch::NextLiteral(std::size_t token, std::size_t from) {
  Memo& memo = literalMemos_[token];
  if (memo.from != kNone && memo.from <= from && (memo.at == kNone || from <= memo.at)) {
    return memo.at;
  }
  const std::string& literal = pattern_.tokens_[token].literal;
  std::size_t at = from;
  for (;;) {
    const std::size_t found = FindLiteral(literal, at);
    if (!Spend((found == kNone ? subject_.size() : found) - at + 1)) return kNone;
    if (found == kNone || StartsCharacter(found, at)) {
      memo = {from, found};
      return found;
    }
    at = found + 1;
  }
}

bool LazySearch::LineIsClear(std::size_t& clear, std::size_t end) {
  while (clear < end) {
    const void* hit = std::memchr(subject_.data() + clear, '\n', end - clear);
    const std::size_t found =
        hit == nullptr ? end : static_cast<std::size_t>(static_cast<const char*>(hit) - subject_.data());
    Spend(found - clear + 1);
    if (found == end) break;
    // A line feed byte may be the second byte of a character.
    if (StartsCharacter(found, clear)) return false;
    clear = found + 1;
  }
  clear = end;
  return true;
}

// Whether the byte at `at` (not NUL) starts a character, given that one starts
// at `knownBoundary` <= `at`. The byte after any byte below 0x81 starts one
// (that byte is a whole character or a second byte). From there up to `at`
// the bytes are all 0x81 or above, so none is NUL: each is a lead byte taking
// the next one along, but for 0xFF, which stands alone where a character
// starts.
bool LazySearch::StartsCharacter(std::size_t at, std::size_t knownBoundary) {
  std::size_t runStart = at;
  while (runStart > knownBoundary && static_cast<unsigned char>(subject_[runStart - 1]) >= 0x81) {
    --runStart;
  }
  Spend(at - runStart);
  std::size_t boundary = runStart;
  while (boundary < at) boundary += CharLength(boundary);
  return boundary == at;
}

std::size_t LazySearch::CharLength(std::size_t at) const {
  const auto lead = static_cast<unsigned char>(subject_[at]);
  return lead >= 0x81 && lead != 0xFF && at + 1 < subject_.size() && subject_[at + 1] != '\0'
             ? 2
             : 1;
}

bool LazySearch::Spend(std::size_t work) {
  if (exhausted_ || work > budget_) {
    exhausted_ = true;
    return false;
  }
  budget_ -= work;
  return true;
}

}  // namespace velmora::regex_detail
