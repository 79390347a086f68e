// RegexMatcher runs one regular expression over one GBK subject and keeps the
// matches for reading. Matching works on characters (a byte 0x81-0xFE and the
// byte after it are one character, 0x80 alone is the euro sign and 0xFF alone
// U+F8F5, a pair without a mapping is U+FFFD), and every capture comes back
// as exactly the bytes that stood in the subject, also where those are not
// valid GBK. The engine is RE2, run over the decoded subject; patterns made
// only of ASCII literals, lazy runs and groups (the shape item pages are read
// with) are matched on the GBK bytes directly, with the same results. Either
// way a search takes time linear in the subject, also on pages built to make
// backtracking blow up.
//
// Dialect: "." is any character but a line feed; \w is ASCII only; lazy
// quantifiers; groups numbered from 1; with `global` all non-overlapping
// matches left to right, each starting where the previous one ended (one
// character further after an empty match); letters ignore case unless
// `caseSensitive`. Backreferences and lookahead, which RE2 lacks, make the
// pattern invalid.
//
// Failure is silent: an invalid pattern makes Search return false, and the
// readers then give 0 and the empty text. Nothing is thrown or printed.
// A matcher belongs to the thread that made it; matchers share nothing, so
// any number of threads may each use their own at the same time.
#pragma once

#include <memory>
#include <string_view>

#include "text/text.h"

namespace velmora {

class RegexMatcher {
 public:
  RegexMatcher();
  ~RegexMatcher();
  RegexMatcher(const RegexMatcher&) = delete;
  RegexMatcher& operator=(const RegexMatcher&) = delete;

  // Runs `pattern` over `subject`, replacing the matches of any earlier
  // search. True when the search ran (also with no match), false when the
  // pattern was rejected. With `quotePlaceholder`, every "#引号" in the
  // pattern stands for a double quote. `multiline` only changes ^ and $.
  bool Search(std::string_view pattern, std::string_view subject,
              bool caseSensitive = false, bool multiline = true,
              bool global = true, bool quotePlaceholder = false);

  // Number of matches of the last search; 0 before any or after a failed one.
  int MatchCount() const;

  // Whole text of match `matchIndex` (from 1); empty when out of range.
  Text MatchText(int matchIndex) const;

  // Text of group `groupIndex` (from 1) of match `matchIndex` (from 1); empty
  // when either is out of range or the group took no part in the match.
  Text SubmatchText(int matchIndex, int groupIndex) const;

  // Number of capture groups of the first match; 0 when there is no match.
  int SubmatchCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace velmora
