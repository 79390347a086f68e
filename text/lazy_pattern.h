// A matcher for the one shape of pattern item pages are read with: ASCII
// literals, lazy runs of any character (".*?" or "[\s\S]*?") and capturing
// groups, e.g. `names":"(.*?)"[\s\S]*?skuId":"(.*?)"}`. It works on the GBK
// bytes themselves, so a page needs no decoding, and it finds exactly what
// RE2 finds on the decoded page: the leftmost match, and within it the one a
// backtracking engine reaches first (each lazy run as short as the rest of the
// pattern allows, earlier runs first).
//
// Characters follow the decoder's rules (a byte 0x81-0xFE and the non-NUL
// byte after it are one character, every other byte is one), so a literal
// never matches on a second byte and "." never stops inside a character.
// Ignoring case folds ASCII letters only; no GBK character folds to one.
//
// Searching costs time linear in the subject on ordinary pages. A subject
// built to make the backtracking repeat itself exhausts a work budget of a
// few times the subject's length, and the search says so instead of going on:
// the caller then finishes with RE2. Private to text/.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::regex_detail {

class LazyPattern {
 public:
  // The pattern in this form, or nothing when it uses anything else (classes,
  // greedy or other quantifiers, anchors, alternation, nested groups, non-ASCII
  // or control characters) or does not start with a literal.
  static std::optional<LazyPattern> Parse(std::string_view pattern);

  int GroupCount() const { return groupCount_; }

 private:
  friend class LazySearch;

  enum class Kind { kLiteral, kLazyRun, kOpen, kClose };
  struct Token {
    Kind kind = Kind::kLiteral;
    std::string literal;        // kLiteral: the characters, unescaped
    bool crossesLines = false;  // kLazyRun: "[\s\S]*?" rather than ".*?"
    int group = 0;              // kOpen, kClose: the group's number
    // kLazyRun: the literal the run is followed by, past any group marks;
    // npos when another run or the pattern's end follows.
    std::size_t literalAfter = std::string::npos;
  };

  LazyPattern() = default;

  std::vector<Token> tokens_;
  // The literal every match starts with: only empty groups stand before it.
  std::size_t firstLiteral_ = 0;
  int groupCount_ = 0;
};

// One search of a LazyPattern over one subject; finds matches left to right.
class LazySearch {
 public:
  // `pattern` and `subject` must outlive the search.
  LazySearch(const LazyPattern& pattern, std::string_view subject, bool caseSensitive);

  enum class Outcome { kMatch, kNoMatch, kGaveUp };

  // The leftmost match that starts at or after `from`, a character boundary.
  // On kMatch, `bounds` holds 2 * (GroupCount() + 1) byte offsets: the
  // match's [begin, end) and then each group's. Every group takes part in
  // every match, and a match is never empty. kGaveUp: the budget ran out and
  // nothing is known about matches from `from` on.
  Outcome Next(std::size_t from, std::vector<std::size_t>& bounds);

 private:
  // A search result kept for the next question about the same literal: the
  // first place at or after `from` where it stands is `at` (npos for none).
  struct Memo {
    std::size_t from = std::string_view::npos;
    std::size_t at = std::string_view::npos;
  };

  bool FirstParse(std::size_t at, std::vector<std::size_t>& bounds);
  Outcome MatchFrom(std::size_t token, std::size_t at, std::vector<std::size_t>& bounds);
  void MarkDead(std::size_t token, std::size_t from);
  std::size_t FindLiteral(const std::string& literal, std::size_t from) const;
  std::size_t NextLiteral(std::size_t token, std::size_t from);
  // Whether no line feed stands in [clear, end), where `clear` starts a
  // character; moves `clear` on to `end` when so.
  bool LineIsClear(std::size_t& clear, std::size_t end);
  bool StartsCharacter(std::size_t at, std::size_t knownBoundary);
  std::size_t CharLength(std::size_t at) const;
  bool Spend(std::size_t work);

  const LazyPattern& pattern_;
  std::string_view subject_;
  bool caseSensitive_;
  std::vector<Memo> literalMemos_;  // one per token
  // Per token (and one for the pattern's end, never dead): the tokens from
  // there on cannot match at this offset or any later one. A lazy run that
  // may cross lines and fails at an offset fails at every later one too (it
  // would only have fewer places to try), and that spreads back through the
  // tokens before it. This keeps a page full of starts that can no longer
  // lead anywhere from being searched to its end once per start.
  std::vector<std::size_t> ownDead_;
  std::vector<std::size_t> dead_;
  // Work left before the search gives up; see Spend.
  std::size_t budget_;
  bool exhausted_ = false;
};

}  // namespace velmora::regex_detail
