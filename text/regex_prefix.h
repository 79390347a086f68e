// The literal text every match of a regular expression has to start with,
// found by reading the pattern's leading characters only. The matcher uses it
// to jump over text where no match can start before it wakes the engine.
// Private to text/.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::regex_detail {

// The ASCII literal that every match of `pattern` (RE2 syntax, UTF-8) starts
// with, at least 2 characters long; empty when the pattern has no such prefix
// or when reading it safely would take more than a glance: any "|" in the
// pattern, a leading "(?" flag group, a first character that is not a plain
// literal. Example: `names":"(.*?)"` gives `names":"`, `ab+c` gives nothing
// (the "b" may repeat, leaving "a", which is too short).
std::string RequiredLiteralPrefix(std::string_view pattern);

// Whether "\" followed by `c` is the character `c` itself: ASCII punctuation
// but "_", which is a word character and left to the engine to judge.
bool IsEscapedLiteral(unsigned char c);

// Whether `literal` (ASCII) stands at `at`, which has room for all of it,
// ignoring the case of ASCII letters unless `caseSensitive`.
bool StandsAt(const char* at, std::string_view literal, bool caseSensitive);

// Offset of the first place at or after `from` in `text` where `prefix`
// (ASCII, not empty) stands, ignoring the case of ASCII letters unless
// `caseSensitive`; std::string_view::npos when there is none.
std::size_t FindPrefix(std::string_view text, std::size_t from, std::string_view prefix,
                       bool caseSensitive);

}  // namespace velmora::regex_detail
