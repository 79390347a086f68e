// Text and byte values, and the operations every layer uses on them.
//
// A Text is a byte string in code page 936 (GBK). A byte 0x80-0xFF starts a
// two-byte character; searching, replacing, splitting, trimming, space removal
// and lower-casing step over such a pair as one unit, so they never match on,
// or cut at, a second byte. Left/Right/Middle count plain bytes and may cut a
// pair. A missing text and the empty text are the same value.
//
// Positions are 1-based byte positions; a failed search gives -1. No function
// here throws, allocates per byte searched, or reports errors: out-of-range
// arguments are clamped or give the empty result stated below.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// GBK bytes. Never holds a NUL in practice (see BytesToText).
using Text = std::string;
// A counted byte buffer; zeros allowed.
using Bytes = std::vector<std::uint8_t>;
// The lists Split returns. Callers index them from 0 in C++; the system's
// "item 1" is element 0.
using TextList = std::vector<Text>;

// ---- Measuring and cutting (plain bytes) ---------------------------------

// First n bytes; all when n exceeds the length; empty when n <= 0.
Text Left(std::string_view text, int n);
// Last n bytes; all when n exceeds the length; empty when n <= 0.
Text Right(std::string_view text, int n);
// At most n bytes from 1-based `start`; empty when start < 1, start > length
// or n <= 0.  Middle("abcdef", 2, 3) == "bcd".
Text Middle(std::string_view text, int start, int n);

// ---- Searching -------------------------------------------------------------

// 1-based position of the first occurrence of `sought` at or after `start`
// (start < 1 counts as 1), or -1. An empty `sought` gives 1 (whatever the
// start) when at least one byte is searched, else -1. `ignoreCase` folds ASCII
// A-Z/a-z byte by byte. A match never starts on the second byte of a
// double-byte character; the character walk begins at `start`, so a start on
// a second byte shifts it. Linear in the text length, no allocation for
// sought texts up to 64 bytes.
// Find("abcb", "b") == 2; Find("abcb", "b", 3) == 4; Find("abcb", "b", 5) == -1.
int Find(std::string_view text, std::string_view sought, int start = 1,
         bool ignoreCase = false);

// Position of the last occurrence lying wholly inside the first (start - 1)
// bytes (the whole text when start is kWholeText, the default), or -1. Any
// other start <= 1 leaves no region and gives -1. Overlapping occurrences
// count: FindBackward("aaaa", "aa") == 3.
// FindBackward("abcb", "b") == 4; FindBackward("abcb", "b", 4) == 2.
inline constexpr int kWholeText = -1;
int FindBackward(std::string_view text, std::string_view sought,
                 int start = kWholeText, bool ignoreCase = false);

// ---- Rewriting -------------------------------------------------------------

// Replaces non-overlapping occurrences of `oldText` from 1-based `start` on,
// at most `count` of them (count < 0 means all). Inserted text is never
// searched again. `caseSensitive` false folds ASCII letters as Find does.
// Returns `text` unchanged when it or `oldText` is empty, count is 0 or start
// lies beyond the text.
Text Replace(std::string_view text, std::string_view oldText,
             std::string_view newText = {}, int start = 1, int count = -1,
             bool caseSensitive = true);

// Splits on `separator` (exact match). Empty text or maxCount == 0 gives no
// items; an empty separator gives the whole text as one item; a trailing
// separator gives no trailing empty item. maxCount < 0 means no limit.
// "a;;b" -> {"a", "", "b"};  ";a" -> {"", "a"};  "a;b;" -> {"a", "b"}.
TextList Split(std::string_view text, std::string_view separator = ",",
               int maxCount = -1);

// Joins items with `separator` between them.
Text Join(const TextList& items, std::string_view separator);

// Strips leading and trailing spaces: 0x20 and the ideographic space A1 A1.
// Tabs, CR and LF are not spaces.
Text Trim(std::string_view text);

// Removes every 0x20 byte and every A1 A1 character.
Text RemoveSpaces(std::string_view text);

// ASCII A-Z to a-z; double-byte characters untouched.
Text ToLowerAscii(std::string_view text);

// Case-blind (ASCII only) or exact equality; true when equal.
bool EqualText(std::string_view a, std::string_view b, bool caseSensitive);

// ---- Conversions -----------------------------------------------------------

// Full-width forms A3A1..A3FE to ASCII, A1A1 to a space, A1AB to '~',
// A1EE/A1EF to '*'; everything else copied.
Text NormalizeFullWidth(std::string_view text);

// The leading integer of the text after full-width normalisation and leading
// white space, with an optional sign; 0 when there is none. Accumulates in
// 32-bit wrap-around arithmetic. "12abc" -> 12, " 7" -> 7, "3.9" -> 3,
// "１２" -> 12, "abc" -> 0.
std::int32_t TextToInteger(std::string_view text);

// The leading decimal number (exponent letters e, E, d, D) after the same
// normalisation; 0 when there is none. "1e3" -> 1000, "12abc" -> 12,
// "1d2" -> 100. Ignores the process locale; a value too large for a double
// gives +-infinity, one too small 0.
double TextToNumber(std::string_view text);

// "%.13g" with an exponent of at least three digits on every platform:
// 3 -> "3", -40 -> "-40", 1e13 -> "1e+013", 0.00001 -> "1e-005". Ignores
// the process locale. -0 gives "0"; infinities "inf"/"-inf", NaN "nan".
Text NumberText(double value);

// A double truncated toward zero into an integer, saturating at the 32-bit
// bounds instead of hitting undefined behaviour (NaN gives 0).
std::int32_t TruncateToInteger(double value);

// The bytes up to (not including) the first zero byte.
Text BytesToText(const Bytes& bytes);
Text BytesToText(std::string_view bytes);
// The text's bytes.
Bytes TextToBytes(std::string_view text);

}  // namespace velmora
