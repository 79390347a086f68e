#include "text/text.h"

#include "text/regex_prefix.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>

namespace velmora {
namespace {

using Size = std::string_view::size_type;

unsigned char ByteAt(std::string_view text, Size pos) {
  return static_cast<unsigned char>(text[pos]);
}

// Length of the character starting at `pos`: two for a lead byte followed by
// a non-NUL byte, else one. A lead byte as the last byte stands alone, which
// is exactly where a NUL-terminated walk would stop.
Size CharLength(std::string_view text, Size pos) {
  if (ByteAt(text, pos) >= 0x80 && pos + 1 < text.size() && text[pos + 1] != '\0') {
    return 2;
  }
  return 1;
}

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool IsAsciiSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// True when the character at `pos` (a character boundary) is 0x20 or A1 A1;
// `length` receives its byte length either way.
bool IsSpaceChar(std::string_view text, Size pos, Size& length) {
  length = CharLength(text, pos);
  if (length == 1) return text[pos] == ' ';
  return ByteAt(text, pos) == 0xA1 && ByteAt(text, pos + 1) == 0xA1;
}

// Finds occurrences of a pattern that begin on character boundaries.
//
// A plain byte search would find matches starting on second bytes, and a
// naive compare at every boundary is quadratic in the pattern length, so this
// runs Knuth-Morris-Pratt over the raw bytes and accepts a raw match only
// when a character walk, advanced alongside, lands exactly on its start. The
// walk and the automaton both move forward only, so a whole scan costs
// O(text + pattern) whatever the input, and no memory is taken per byte.
class BoundaryMatcher {
 public:
  BoundaryMatcher(std::string_view pattern, bool ignoreCase)
      : pattern_(pattern), ignoreCase_(ignoreCase) {
    // Short patterns never reach the automaton (see Next), so their search
    // costs no table: keys looked up once per SKU stay cheap.
    if (UsesBlockScan()) return;
    if (pattern_.size() <= inlineFailure_.size()) {
      failure_ = inlineFailure_.data();
    } else {
      heapFailure_ = std::make_unique<Size[]>(pattern_.size());
      failure_ = heapFailure_.get();
    }
    failure_[0] = 0;
    Size k = 0;
    for (Size i = 1; i < pattern_.size(); ++i) {
      while (k > 0 && Key(pattern_, i) != Key(pattern_, k)) k = failure_[k - 1];
      if (Key(pattern_, i) == Key(pattern_, k)) ++k;
      failure_[i] = k;
    }
  }

  // Starts a scan of `text[0, limit)` whose character walk begins at `walk`.
  // Occurrences must lie wholly before `limit`; the walk itself looks at
  // text[limit] to tell a lead byte's pair, as the text continues there.
  void Reset(std::string_view text, Size walk, Size limit) {
    text_ = text;
    walk_ = walk;
    next_ = walk;
    limit_ = limit;
    state_ = 0;
    fastStart_ = walk;
    fastWork_ = 0;
    fastGaveUp_ = false;
  }

  // The offset of the next boundary-aligned occurrence, or npos. Successive
  // calls report overlapping occurrences too; call Reset to skip past one.
  Size Next() {
    const Size m = pattern_.size();
    if (UsesBlockScan()) return NextShort();
    if (!ignoreCase_ && pattern_[0] != '\0' && !fastGaveUp_) {
      const Size found = NextByMemchr();
      if (found != kFallBack) return found;
    }
    while (next_ < limit_) {
      const unsigned char c = Key(text_, next_);
      ++next_;
      while (state_ > 0 && c != Key(pattern_, state_)) state_ = failure_[state_ - 1];
      if (c == Key(pattern_, state_)) ++state_;
      if (state_ < m) continue;
      state_ = failure_[m - 1];
      const Size start = next_ - m;
      while (walk_ < start) walk_ += CharLength(text_, walk_);
      if (walk_ == start) return start;
    }
    return std::string_view::npos;
  }

 private:
  static constexpr Size kFallBack = std::string_view::npos - 1;
  // Markers, keys and separators: short enough that checking every position
  // the block scan proposes stays linear, whatever the text.
  static constexpr Size kShortPattern = 16;

  bool UsesBlockScan() const { return pattern_.size() <= kShortPattern && pattern_[0] != '\0'; }

  // Short patterns: a block scan looks at 16 positions at a time for the
  // pattern's first and last bytes (case-folded like the comparison) and
  // confirms the whole pattern there; then the boundary test below.
  Size NextShort() {
    const std::string_view region = text_.substr(0, limit_);
    while (next_ < limit_) {
      const Size candidate =
          regex_detail::FindPrefix(region, next_, pattern_, !ignoreCase_);
      if (candidate == std::string_view::npos) {
        next_ = limit_;
        return std::string_view::npos;
      }
      next_ = candidate + 1;
      if (StartsCharacter(candidate)) return candidate;
    }
    return std::string_view::npos;
  }

  // Whether `candidate` (at or after the known boundary walk_) starts a
  // character; moves walk_ to the candidate, or past it when it is a second
  // byte. The byte after any byte below 0x80 starts a character (that byte is
  // a whole character or a second byte), and the bytes from there up to the
  // candidate, all 0x80 or above, pair off. The look stops at walk_, so
  // successive looks never cover the same bytes twice.
  bool StartsCharacter(Size candidate) {
    Size runStart = candidate;
    while (runStart > walk_ && ByteAt(text_, runStart - 1) >= 0x80) --runStart;
    if ((candidate - runStart) % 2 == 0) {
      walk_ = candidate;
      return true;
    }
    walk_ = candidate + 1;
    return false;
  }

  // The common exact search: memchr finds candidates for the first byte at
  // memory speed, memcmp confirms them, StartsCharacter rules out second
  // bytes. Every compare spends a budget of about the text's length, also
  // one that matches: the occurrences of a long periodic pattern in a
  // periodic text overlap, and backward search visits each of them. A text
  // that exhausts the budget hands over to the automaton, which stays linear.
  // The budget: compare work may not exceed twice the distance scanned.
  Size NextByMemchr() {
    const Size m = pattern_.size();
    const char first = pattern_[0];
    while (next_ + m <= limit_) {
      const void* hit = std::memchr(text_.data() + next_, first, limit_ - m + 1 - next_);
      if (hit == nullptr) {
        next_ = limit_;
        return std::string_view::npos;
      }
      const Size candidate = static_cast<Size>(static_cast<const char*>(hit) - text_.data());
      next_ = candidate + 1;
      const bool equal = std::memcmp(text_.data() + candidate, pattern_.data(), m) == 0;
      fastWork_ += m;
      const bool overBudget = fastWork_ > 2 * (next_ - fastStart_) + 64;
      if (overBudget) {
        // The automaton takes over from next_ on the following call, or now.
        fastGaveUp_ = true;
        state_ = 0;
      }
      if (equal && StartsCharacter(candidate)) return candidate;
      if (overBudget) return kFallBack;
    }
    next_ = limit_;
    return std::string_view::npos;
  }

  unsigned char Key(std::string_view s, Size pos) const {
    const unsigned char c = ByteAt(s, pos);
    return ignoreCase_ ? FoldAscii(c) : c;
  }

  std::string_view pattern_;
  bool ignoreCase_;
  std::array<Size, 64> inlineFailure_;  // filled only when the automaton runs
  std::unique_ptr<Size[]> heapFailure_;
  Size* failure_ = nullptr;

  std::string_view text_;
  Size walk_ = 0;
  Size next_ = 0;
  Size limit_ = 0;
  Size state_ = 0;
  Size fastStart_ = 0;
  Size fastWork_ = 0;
  bool fastGaveUp_ = false;
};

}  // namespace

Text Left(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<Size>(n)));
}

Text Right(std::string_view text, int n) {
  if (n <= 0) return {};
  const Size count = static_cast<Size>(n);
  if (count >= text.size()) return Text(text);
  return Text(text.substr(text.size() - count));
}

Text Middle(std::string_view text, int start, int n) {
  if (start < 1 || n <= 0 || static_cast<Size>(start) > text.size()) return {};
  return Text(text.substr(static_cast<Size>(start) - 1, static_cast<Size>(n)));
}

int Find(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  const Size from = start < 1 ? 0 : static_cast<Size>(start) - 1;
  if (from >= text.size()) return -1;
  if (sought.empty()) return 1;
  if (sought.size() > text.size() - from) return -1;
  BoundaryMatcher matcher(sought, ignoreCase);
  matcher.Reset(text, from, text.size());
  const Size found = matcher.Next();
  return found == std::string_view::npos ? -1 : static_cast<int>(found + 1);
}

int FindBackward(std::string_view text, std::string_view sought, int start,
                 bool ignoreCase) {
  Size region = text.size();
  if (start != kWholeText) {
    if (start <= 1) return -1;
    region = std::min(region, static_cast<Size>(start) - 1);
  }
  if (region == 0) return -1;
  if (sought.empty()) return 1;
  if (sought.size() > region) return -1;
  BoundaryMatcher matcher(sought, ignoreCase);
  matcher.Reset(text, 0, region);
  Size last = std::string_view::npos;
  for (Size found = matcher.Next(); found != std::string_view::npos; found = matcher.Next()) {
    last = found;
  }
  return last == std::string_view::npos ? -1 : static_cast<int>(last + 1);
}

Text Replace(std::string_view text, std::string_view oldText, std::string_view newText,
             int start, int count, bool caseSensitive) {
  const Size from = start < 1 ? 0 : static_cast<Size>(start) - 1;
  if (text.empty() || oldText.empty() || count == 0 || from >= text.size()) {
    return Text(text);
  }
  Text result;
  result.reserve(text.size());
  BoundaryMatcher matcher(oldText, !caseSensitive);
  Size copied = 0;  // text[0, copied) is already in `result`
  Size walk = from;
  int replaced = 0;
  while (count < 0 || replaced < count) {
    matcher.Reset(text, walk, text.size());
    const Size found = matcher.Next();
    if (found == std::string_view::npos) break;
    result.append(text.substr(copied, found - copied));
    result.append(newText);
    copied = walk = found + oldText.size();
    ++replaced;
  }
  result.append(text.substr(copied));
  return result;
}

TextList Split(std::string_view text, std::string_view separator, int maxCount) {
  TextList items;
  if (text.empty() || maxCount == 0) return items;
  if (separator.empty()) {
    items.emplace_back(text);
    return items;
  }
  const Size limit = maxCount < 0 ? std::numeric_limits<Size>::max() : static_cast<Size>(maxCount);
  BoundaryMatcher matcher(separator, false);
  Size itemStart = 0;
  while (true) {
    matcher.Reset(text, itemStart, text.size());
    const Size found = matcher.Next();
    if (found == std::string_view::npos) break;
    items.emplace_back(text.substr(itemStart, found - itemStart));
    if (items.size() >= limit) return items;
    itemStart = found + separator.size();
  }
  if (itemStart < text.size()) items.emplace_back(text.substr(itemStart));
  return items;
}

Text Join(const TextList& items, std::string_view separator) {
  Text result;
  for (Size i = 0; i < items.size(); ++i) {
    if (i > 0) result.append(separator);
    result.append(items[i]);
  }
  return result;
}

Text Trim(std::string_view text) {
  Size pos = 0;
  Size length = 0;
  while (pos < text.size() && IsSpaceChar(text, pos, length)) pos += length;
  const Size begin = pos;
  Size end = text.size();  // start of the trailing run of spaces seen so far
  bool inRun = false;
  while (pos < text.size()) {
    if (IsSpaceChar(text, pos, length)) {
      if (!inRun) end = pos;
      inRun = true;
    } else {
      inRun = false;
    }
    pos += length;
  }
  if (!inRun) end = text.size();
  return Text(text.substr(begin, end - begin));
}

Text RemoveSpaces(std::string_view text) {
  Text result;
  result.reserve(text.size());
  Size length = 0;
  for (Size pos = 0; pos < text.size(); pos += length) {
    if (!IsSpaceChar(text, pos, length)) result.append(text.substr(pos, length));
  }
  return result;
}

Text ToLowerAscii(std::string_view text) {
  Text result(text);
  for (Size pos = 0; pos < result.size(); pos += CharLength(result, pos)) {
    result[pos] = static_cast<char>(FoldAscii(ByteAt(result, pos)));
  }
  return result;
}

bool EqualText(std::string_view a, std::string_view b, bool caseSensitive) {
  if (a.size() != b.size()) return false;
  if (caseSensitive) return a == b;
  for (Size i = 0; i < a.size(); ++i) {
    if (FoldAscii(ByteAt(a, i)) != FoldAscii(ByteAt(b, i))) return false;
  }
  return true;
}

Text NormalizeFullWidth(std::string_view text) {
  Text result;
  result.reserve(text.size());
  for (Size pos = 0; pos < text.size();) {
    const Size length = CharLength(text, pos);
    if (length == 1) {
      result.push_back(text[pos]);
    } else {
      const unsigned char lead = ByteAt(text, pos);
      const unsigned char trail = ByteAt(text, pos + 1);
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        result.push_back(static_cast<char>(trail - 0x80));
      } else if (lead == 0xA1 && trail == 0xA1) {
        result.push_back(' ');
      } else if (lead == 0xA1 && trail == 0xAB) {
        result.push_back('~');
      } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
        result.push_back('*');
      } else {
        result.append(text.substr(pos, 2));
      }
    }
    pos += length;
  }
  return result;
}

namespace {

// The start both number readers share: the text after full-width
// normalisation, the position after leading white space and one optional
// sign, and whether that sign was a minus.
struct NumberStart {
  explicit NumberStart(std::string_view text) : normal(text) {
    // Only double-byte characters change under normalisation; the common
    // plain-ASCII figure is read where it stands.
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      normalized = NormalizeFullWidth(text);
      normal = normalized;
    }
    const std::string_view s = normal;
    while (pos < s.size() && IsAsciiSpace(ByteAt(s, pos))) ++pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
      negative = s[pos] == '-';
      ++pos;
    }
  }
  NumberStart(const NumberStart&) = delete;
  NumberStart& operator=(const NumberStart&) = delete;

  Text normalized;
  std::string_view normal;  // the text, or `normalized` when it had to change
  Size pos = 0;
  bool negative = false;
};

}  // namespace

std::int32_t TextToInteger(std::string_view text) {
  const NumberStart start(text);
  const std::string_view s = start.normal;
  Size pos = start.pos;
  const bool negative = start.negative;
  // Unsigned arithmetic wraps by definition; the conversion back to int32_t
  // is modular in C++20, which gives the 32-bit wrap-around callers expect.
  std::uint32_t value = 0;
  for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos) {
    value = value * 10u + static_cast<std::uint32_t>(s[pos] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

double TextToNumber(std::string_view text) {
  const NumberStart start(text);
  const std::string_view s = start.normal;
  Size pos = start.pos;
  const bool negative = start.negative;
  auto isDigit = [&](Size p) { return p < s.size() && s[p] >= '0' && s[p] <= '9'; };

  // Accept the number's extent by hand (from_chars knows neither '+' nor the
  // 'd' exponent), then let from_chars do the correctly rounded conversion
  // that, unlike strtod, ignores the process locale.
  const Size mantissaBegin = pos;
  Size intDigits = 0;  // significant digits before the point
  Size leadingFractionZeros = 0;
  bool anyDigit = false;
  bool nonZeroSeen = false;
  for (; isDigit(pos); ++pos) {
    anyDigit = true;
    if (s[pos] != '0') nonZeroSeen = true;
    if (nonZeroSeen) ++intDigits;
  }
  if (pos < s.size() && s[pos] == '.') {
    ++pos;
    for (; isDigit(pos); ++pos) {
      anyDigit = true;
      if (s[pos] != '0') nonZeroSeen = true;
      if (!nonZeroSeen) ++leadingFractionZeros;
    }
  }
  if (!anyDigit) return 0.0;
  const Size mantissaEnd = pos;
  // Past this the number is out of range whatever its digits say, so longer
  // exponents need not be read in full; the digits of the mantissa can move
  // the point as far as there are digits.
  const std::int64_t exponentCap = 100000 + static_cast<std::int64_t>(mantissaEnd - mantissaBegin);
  std::int64_t exponent = 0;
  bool hasExponent = false;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E' || s[pos] == 'd' || s[pos] == 'D')) {
    Size p = pos + 1;
    bool expNegative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
      expNegative = s[p] == '-';
      ++p;
    }
    if (isDigit(p)) {
      hasExponent = true;
      for (; isDigit(p); ++p) {
        if (exponent < exponentCap) exponent = exponent * 10 + (s[p] - '0');
      }
      if (expNegative) exponent = -exponent;
      pos = p;
    }
  }
  if (!nonZeroSeen) return negative ? -0.0 : 0.0;

  std::string number(s.substr(mantissaBegin, mantissaEnd - mantissaBegin));
  if (hasExponent) {
    number.push_back('e');
    number.append(std::to_string(exponent));
  }
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                         std::chars_format::general);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Decimal magnitude of the first significant digit tells overflow from
    // underflow, as strtod would report with HUGE_VAL or 0.
    const std::int64_t magnitude =
        intDigits > 0 ? static_cast<std::int64_t>(intDigits) + exponent
                      : exponent - static_cast<std::int64_t>(leadingFractionZeros);
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

Text NumberText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // A zero difference must never read "-0" in a list cell.
  if (value == 0.0) return "0";
  std::array<char, 64> buffer{};
  // A whole number below 10^13 has at most 13 digits, which "%.13g" writes
  // out in full; the integer conversion is several times quicker.
  if (std::abs(value) < 1e13 && value == std::trunc(value)) {
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                         static_cast<long long>(value));
    if (ec == std::errc()) return Text(buffer.data(), end);
  }
  // to_chars with a precision is "%.13g" in the C locale, whatever locale
  // the GUI toolkit has switched the process to.
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::general, 13);
  if (ec != std::errc()) return "0";
  Text text(buffer.data(), end);
  const Size e = text.find('e');
  if (e == Text::npos) return text;
  // Exponents always show at least three digits, as the C run-time of the
  // system's home platform writes them.
  const Size digits = e + 2;  // after 'e' and its sign
  const Size count = text.size() - digits;
  if (count < 3) text.insert(digits, 3 - count, '0');
  return text;
}

std::int32_t TruncateToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

Text BytesToText(const Bytes& bytes) {
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return BytesToText(view);
}

Text BytesToText(std::string_view bytes) {
  return Text(bytes.substr(0, bytes.find('\0')));
}

Bytes TextToBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

}  // namespace velmora
