#include "app/http_date.h"

#include <array>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "jan", "feb", "mar", "apr", "may", "jun",
    "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<std::string_view, 7> kShortDays = {
    "mon", "tue", "wed", "thu", "fri", "sat", "sun"};
constexpr std::array<std::string_view, 7> kLongDays = {
    "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return Lower(c) >= 'a' && Lower(c) <= 'z'; }

bool SameLetters(std::string_view a, std::string_view lowerB) {
  if (a.size() != lowerB.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != lowerB[i]) return false;
  }
  return true;
}

// A forward-only reader over the date text; every reader returns false and
// leaves the position undefined when the text does not fit.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  // At least one blank.
  bool Blanks() {
    const std::size_t before = pos_;
    SkipBlanks();
    return pos_ > before;
  }

  bool Char(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  std::string_view Word() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsLetter(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // Between minDigits and maxDigits decimal digits.
  bool Number(std::size_t minDigits, std::size_t maxDigits, int& value) {
    const std::size_t start = pos_;
    value = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_]) && pos_ - start < maxDigits) {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
    }
    const std::size_t count = pos_ - start;
    // A longer run of digits than allowed is not this field.
    if (pos_ < text_.size() && IsDigit(text_[pos_])) return false;
    return count >= minDigits;
  }

  bool Month(int& month) {
    const std::string_view word = Word();
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
      if (SameLetters(word, kMonths[i])) {
        month = static_cast<int>(i) + 1;
        return true;
      }
    }
    return false;
  }

  bool Time(HttpDateFields& fields) {
    return Number(2, 2, fields.hour) && Char(':') && Number(2, 2, fields.minute) &&
           Char(':') && Number(2, 2, fields.second);
  }

  bool GmtZone() {
    const std::string_view zone = Word();
    return SameLetters(zone, "gmt") || SameLetters(zone, "utc") || SameLetters(zone, "ut");
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool IsDayName(std::string_view word, bool longForm) {
  for (std::string_view day : longForm ? kLongDays : kShortDays) {
    if (SameLetters(word, day)) return true;
  }
  return false;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool Plausible(const HttpDateFields& f) {
  static constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (f.month < 1 || f.month > 12 || f.day < 1) return false;
  const int monthLength =
      kDaysInMonth[f.month - 1] + (f.month == 2 && IsLeapYear(f.year) ? 1 : 0);
  return f.day <= monthLength && f.hour <= 23 && f.minute <= 59 && f.second <= 60;
}

// "15 Nov 1994 08:12:31 GMT", after "Tue,".
bool Rfc1123Rest(Cursor& in, HttpDateFields& f) {
  return in.Blanks() && in.Number(1, 2, f.day) && in.Blanks() && in.Month(f.month) &&
         in.Blanks() && in.Number(4, 4, f.year) && in.Blanks() && in.Time(f) &&
         in.Blanks() && in.GmtZone();
}

// "15-Nov-94 08:12:31 GMT", after "Tuesday,".
bool Rfc850Rest(Cursor& in, HttpDateFields& f) {
  if (!(in.Blanks() && in.Number(1, 2, f.day) && in.Char('-') && in.Month(f.month) &&
        in.Char('-') && in.Number(2, 2, f.year) && in.Blanks() && in.Time(f) &&
        in.Blanks() && in.GmtZone())) {
    return false;
  }
  f.year += f.year < 70 ? 2000 : 1900;
  return true;
}

// "Nov 15 08:12:31 1994", after "Tue".
bool AsctimeRest(Cursor& in, HttpDateFields& f) {
  return in.Blanks() && in.Month(f.month) && in.Blanks() && in.Number(1, 2, f.day) &&
         in.Blanks() && in.Time(f) && in.Blanks() && in.Number(4, 4, f.year);
}

}  // namespace

std::optional<HttpDateFields> ParseHttpDate(std::string_view text) {
  Cursor in(text);
  in.SkipBlanks();
  const std::string_view dayName = in.Word();
  HttpDateFields fields;
  bool read = false;
  if (in.Char(',')) {
    read = (IsDayName(dayName, false) && Rfc1123Rest(in, fields)) ||
           (IsDayName(dayName, true) && Rfc850Rest(in, fields));
  } else {
    read = IsDayName(dayName, false) && AsctimeRest(in, fields);
  }
  if (!read) return std::nullopt;
  in.SkipBlanks();
  if (!in.AtEnd() || !Plausible(fields)) return std::nullopt;
  return fields;
}

}  // namespace velmora
