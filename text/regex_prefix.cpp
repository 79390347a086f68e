#include "text/regex_prefix.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VELMORA_PREFIX_SSE2 1
#endif

namespace velmora::regex_detail {
namespace {

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Visible ASCII other than letters and digits.
bool IsAsciiPunctuation(unsigned char c) {
  return c > 0x20 && c < 0x7F && !IsAsciiLetter(c) && !IsAsciiDigit(c);
}

// A character that stands for itself outside a class. Space and control
// characters are left out: they are literals too, but no pattern of ours
// needs them and leaving them out costs nothing but a shorter prefix.
bool IsPlainLiteral(unsigned char c) {
  if (IsAsciiLetter(c) || IsAsciiDigit(c)) return true;
  return IsAsciiPunctuation(c) &&
         std::string_view(R"(\.[](){}*+?|^$)").find(static_cast<char>(c)) == std::string_view::npos;
}

// Makes the character before it optional or repeated. "{" counts even where
// the engine would read it as a literal brace: dropping one more character
// than needed only shortens the prefix.
bool IsQuantifier(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

bool SameChar(unsigned char textChar, unsigned char prefixChar, bool caseSensitive) {
  if (textChar == prefixChar) return true;
  return !caseSensitive && IsAsciiLetter(prefixChar) && (textChar | 0x20) == (prefixChar | 0x20);
}

}  // namespace

bool IsEscapedLiteral(unsigned char c) { return IsAsciiPunctuation(c) && c != '_'; }

bool StandsAt(const char* at, std::string_view literal, bool caseSensitive) {
  for (std::size_t i = 0; i < literal.size(); ++i) {
    if (!SameChar(static_cast<unsigned char>(at[i]), static_cast<unsigned char>(literal[i]),
                  caseSensitive)) {
      return false;
    }
  }
  return true;
}

std::string RequiredLiteralPrefix(std::string_view pattern) {
  // Alternatives may start differently and flags may change how the first
  // characters match; neither is worth reading closely.
  if (pattern.find('|') != std::string_view::npos || pattern.starts_with("(?")) return {};
  std::string prefix;
  std::size_t at = 0;
  while (at < pattern.size()) {
    const auto c = static_cast<unsigned char>(pattern[at]);
    if (c == '\\') {
      if (at + 1 < pattern.size() &&
          IsEscapedLiteral(static_cast<unsigned char>(pattern[at + 1]))) {
        prefix += pattern[at + 1];
        at += 2;
        continue;
      }
      break;  // a class such as \w, a character code, an assertion
    }
    // Non-ASCII characters end the prefix too: the search for it compares
    // ASCII bytes only.
    if (!IsPlainLiteral(c)) break;
    prefix += static_cast<char>(c);
    ++at;
  }
  if (at < pattern.size() && IsQuantifier(pattern[at]) && !prefix.empty()) prefix.pop_back();
  if (prefix.size() < 2) return {};
  return prefix;
}

std::size_t FindPrefix(std::string_view text, std::size_t from, std::string_view prefix,
                       bool caseSensitive) {
  const std::size_t length = prefix.size();
  if (length == 0 || from > text.size() || text.size() - from < length) {
    return std::string_view::npos;
  }
  const char* data = text.data();
  // The last offset where the prefix still fits.
  const std::size_t lastStart = text.size() - length;
  std::size_t at = from;
#if defined(VELMORA_PREFIX_SSE2)
  // Sixteen offsets at a time: keep those where both the first and the last
  // character of the prefix stand, then compare the whole prefix there. OR-ing
  // 0x20 into a byte turns it into the lower-case letter exactly when it is
  // that letter in either case.
  const auto first = static_cast<unsigned char>(prefix.front());
  const auto last = static_cast<unsigned char>(prefix.back());
  const char firstFold = !caseSensitive && IsAsciiLetter(first) ? 0x20 : 0;
  const char lastFold = !caseSensitive && IsAsciiLetter(last) ? 0x20 : 0;
  const __m128i firstMask = _mm_set1_epi8(firstFold);
  const __m128i lastMask = _mm_set1_epi8(lastFold);
  const __m128i firstWant = _mm_set1_epi8(static_cast<char>(first | firstFold));
  const __m128i lastWant = _mm_set1_epi8(static_cast<char>(last | lastFold));
  while (at <= lastStart && lastStart - at >= 15) {
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + length - 1));
    const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(head, firstMask), firstWant),
                                       _mm_cmpeq_epi8(_mm_or_si128(tail, lastMask), lastWant));
    auto candidates = static_cast<unsigned>(_mm_movemask_epi8(both));
    while (candidates != 0) {
      const std::size_t offset = at + static_cast<std::size_t>(std::countr_zero(candidates));
      if (StandsAt(data + offset, prefix, caseSensitive)) return offset;
      candidates &= candidates - 1;
    }
    at += 16;
  }
#endif
  for (; at <= lastStart; ++at) {
    if (StandsAt(data + at, prefix, caseSensitive)) return at;
  }
  return std::string_view::npos;
}

}  // namespace velmora::regex_detail
