// libFuzzer target over the GBK text operations, marker extraction and
// date-time values. Each input is split into a few fields; every operation's
// invariants are checked and a violation traps so libFuzzer keeps the input.
//
// The search, replace and split results are also compared against plain
// reference walks that follow the character rules one byte at a time, so a
// fault in the faster matcher cannot hide behind a plausible-looking result.
// The regular-expression matcher's direct search on GBK bytes is compared
// against RE2 run over the decoded text.
#include <fuzzer/FuzzedDataProvider.h>
#include <re2/re2.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/date_time.h"
#include "text/gbk_codec.h"
#include "text/markers.h"
#include "text/regex_matcher.h"
#include "text/text.h"
#include "web/base64.h"
#include "web/cookies.h"
#include "web/header_lines.h"
#include "web/url.h"

#include "tests/support/icu_reference.h"

namespace {

using velmora::Text;
using velmora::TextList;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

std::size_t CharLen(std::string_view s, std::size_t p) {
  return At(s, p) >= 0x80 && p + 1 < s.size() && s[p + 1] != '\0' ? 2 : 1;
}

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool SameAt(std::string_view text, std::size_t p, std::string_view sought, bool ignoreCase) {
  for (std::size_t i = 0; i < sought.size(); ++i) {
    unsigned char a = At(text, p + i), b = At(sought, i);
    if (ignoreCase ? Fold(a) != Fold(b) : a != b) return false;
  }
  return true;
}

// True when `pos` is met by a character walk that begins at `from`.
bool OnBoundary(std::string_view text, std::size_t from, std::size_t pos) {
  std::size_t p = from;
  while (p < pos) p += CharLen(text, p);
  return p == pos;
}

bool IsSpaceAt(std::string_view s, std::size_t p) {
  return CharLen(s, p) == 1 ? s[p] == ' ' : At(s, p) == 0xA1 && At(s, p + 1) == 0xA1;
}

// The forward search exactly as the character rules describe it.
int ReferenceFind(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  const std::size_t s = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (s >= text.size()) return -1;
  if (sought.empty()) return 1;
  for (std::size_t p = s; text.size() - p >= sought.size(); p += CharLen(text, p)) {
    if (SameAt(text, p, sought, ignoreCase)) return static_cast<int>(p + 1);
  }
  return -1;
}

int ReferenceFindBackward(std::string_view text, std::string_view sought, int start,
                          bool ignoreCase) {
  std::size_t region = text.size();
  if (start != velmora::kWholeText) {
    if (start <= 1) return -1;
    region = std::min(region, static_cast<std::size_t>(start) - 1);
  }
  if (region == 0) return -1;
  if (sought.empty()) return 1;
  int last = -1;
  for (std::size_t p = 0; p < region && region - p >= sought.size(); p += CharLen(text, p)) {
    if (SameAt(text, p, sought, ignoreCase)) last = static_cast<int>(p + 1);
  }
  return last;
}

Text ReferenceReplace(std::string_view text, std::string_view oldText, std::string_view newText,
                      int start, int count, bool caseSensitive) {
  const std::size_t s = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (text.empty() || oldText.empty() || count == 0 || s >= text.size()) return Text(text);
  Text out(text.substr(0, s));
  std::size_t p = s;
  int done = 0;
  while (text.size() - p >= oldText.size()) {
    if (SameAt(text, p, oldText, !caseSensitive)) {
      out.append(newText);
      p += oldText.size();
      if (++done == count) break;
    } else {
      const std::size_t n = CharLen(text, p);
      out.append(text.substr(p, n));
      p += n;
    }
  }
  if (p < text.size()) out.append(text.substr(p));
  return out;
}

TextList ReferenceSplit(std::string_view text, std::string_view sep, int maxCount) {
  TextList items;
  if (text.empty() || maxCount == 0) return items;
  if (sep.empty()) return {Text(text)};
  std::size_t itemStart = 0, p = 0;
  while (p < text.size()) {
    if (text.size() - p >= sep.size() && SameAt(text, p, sep, false)) {
      items.emplace_back(text.substr(itemStart, p - itemStart));
      if (maxCount > 0 && static_cast<int>(items.size()) == maxCount) return items;
      p += sep.size();
      itemStart = p;
    } else {
      p += CharLen(text, p);
    }
  }
  if (itemStart < text.size()) items.emplace_back(text.substr(itemStart));
  return items;
}

Text ReferenceTrim(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsSpaceAt(text, begin)) begin += CharLen(text, begin);
  std::size_t end = begin;  // just after the last character that is not a space
  for (std::size_t p = begin; p < text.size(); p += CharLen(text, p)) {
    if (!IsSpaceAt(text, p)) end = p + CharLen(text, p);
  }
  return Text(text.substr(begin, end - begin));
}

Text ReferenceRemoveSpaces(std::string_view text) {
  Text out;
  for (std::size_t p = 0; p < text.size(); p += CharLen(text, p)) {
    if (!IsSpaceAt(text, p)) out.append(text.substr(p, CharLen(text, p)));
  }
  return out;
}

struct Fields {
  int start = 1;
  int count = -1;
  bool ignoreCase = false;
  int unit = 1;
  int amount = 0;
  double number = 0;
  int dateFields[6] = {};
  std::string sought;
  std::string marker;
  std::string text;
};

void CheckSearch(const Fields& f) {
  const std::string_view text = f.text, sought = f.sought;
  const int found = velmora::Find(text, sought, f.start, f.ignoreCase);
  Check(found == ReferenceFind(text, sought, f.start, f.ignoreCase));
  if (found > 0 && !sought.empty()) {
    const std::size_t at = static_cast<std::size_t>(found) - 1;
    const std::size_t from = f.start < 1 ? 0 : static_cast<std::size_t>(f.start) - 1;
    Check(at >= from && at + sought.size() <= text.size());
    Check(OnBoundary(text, from, at));
    Check(SameAt(text, at, sought, f.ignoreCase));
  }
  // From the beginning, a match always lies on a true character boundary.
  const int first = velmora::Find(text, sought);
  if (first > 0 && !sought.empty()) {
    Check(OnBoundary(text, 0, static_cast<std::size_t>(first) - 1));
    Check(text.substr(static_cast<std::size_t>(first) - 1, sought.size()) == sought);
  }

  for (int start : {velmora::kWholeText, f.start}) {
    const int back = velmora::FindBackward(text, sought, start, f.ignoreCase);
    Check(back == ReferenceFindBackward(text, sought, start, f.ignoreCase));
    if (back > 0 && !sought.empty()) {
      const std::size_t at = static_cast<std::size_t>(back) - 1;
      Check(OnBoundary(text, 0, at));
      Check(SameAt(text, at, sought, f.ignoreCase));
      if (start != velmora::kWholeText) {
        Check(at + sought.size() <= static_cast<std::size_t>(start) - 1);
      }
    }
  }
}

void CheckRewriting(const Fields& f) {
  const std::string_view text = f.text, sep = f.sought;
  Check(velmora::Replace(text, sep, f.marker, f.start, f.count, !f.ignoreCase) ==
        ReferenceReplace(text, sep, f.marker, f.start, f.count, !f.ignoreCase));

  const TextList items = velmora::Split(text, sep, f.count);
  Check(items == ReferenceSplit(text, sep, f.count));
  if (!sep.empty() && !text.empty() && f.count < 0) {
    // Splitting never cuts a pair and drops only a trailing separator that
    // the walk matched, so joining gives the text back, or the text without
    // that final separator.
    const Text joined = velmora::Join(items, sep);
    const bool endsWithSep =
        text.size() >= sep.size() && text.substr(text.size() - sep.size()) == sep;
    Check(joined == text || (endsWithSep && joined + Text(sep) == text));
  }

  const Text trimmed = velmora::Trim(text);
  Check(trimmed == ReferenceTrim(text));
  const std::size_t offset = text.find(trimmed);
  Check(trimmed.empty() || offset != std::string_view::npos);
  if (!trimmed.empty()) {
    Check(!IsSpaceAt(trimmed, 0));
    std::size_t last = 0;
    for (std::size_t p = 0; p < trimmed.size(); p += CharLen(trimmed, p)) last = p;
    Check(!IsSpaceAt(trimmed, last));
  }

  const Text squeezed = velmora::RemoveSpaces(text);
  Check(squeezed == ReferenceRemoveSpaces(text));
  for (std::size_t p = 0; p < squeezed.size(); p += CharLen(squeezed, p)) {
    Check(!IsSpaceAt(squeezed, p));
  }

  const Text lower = velmora::ToLowerAscii(text);
  Check(lower.size() == text.size());
  for (std::size_t p = 0; p < lower.size(); p += CharLen(lower, p)) {
    Check(!(lower[p] >= 'A' && lower[p] <= 'Z'));
    if (CharLen(lower, p) == 2) Check(lower[p + 1] == text[p + 1]);
  }
  Check(velmora::EqualText(lower, velmora::ToLowerAscii(lower), true));
}

void CheckConversions(const Fields& f) {
  // The table-driven encoder must agree with ICU's own conversion.
  const std::optional<std::string> icu = velmora::testing::IcuGbkFromUtf8(f.text);
  Check(icu.has_value() && velmora::GbkFromUtf8(f.text) == *icu);
  (void)velmora::TextToInteger(f.text);
  const double parsed = velmora::TextToNumber(f.text);
  for (double value : {parsed, f.number}) {
    const Text shown = velmora::NumberText(value);
    Check(!shown.empty() && shown.size() < 32);
    const std::size_t e = shown.find('e');
    if (e != Text::npos) Check(shown.size() - (e + 2) >= 3);
    if (std::isfinite(value)) {
      // Thirteen significant digits survive the round trip.
      const double back = velmora::TextToNumber(shown);
      Check(std::fabs(back - value) <= std::fabs(value) * 1e-12);
    }
  }
  (void)velmora::TruncateToInteger(f.number);
  Check(velmora::BytesToText(velmora::TextToBytes(f.text)) ==
        std::string_view(f.text).substr(0, f.text.find('\0')));
}

void CheckMarkers(const Fields& f) {
  const std::string_view text = f.text;
  const Text between = velmora::TextBetween(text, f.sought, f.marker, f.start, f.ignoreCase);
  Check(between.empty() || text.find(between) != std::string_view::npos);
  const Text last = velmora::TextBetweenLast(text, f.marker, f.sought, f.count, f.ignoreCase);
  Check(last.empty() || text.find(last) != std::string_view::npos);
  const Text left = velmora::TextLeftOf(text, f.marker, f.start, f.ignoreCase);
  Check(left.size() <= text.size() && text.substr(0, left.size()) == left);
}

void CheckDateTime(const Fields& f) {
  const Text shown = velmora::DateTimeText(f.number);
  Check(!shown.empty() && shown[0] >= '1' && shown[0] <= '9');
  (void)velmora::DateTimeText(velmora::AddToDateTime(f.number, f.unit, f.amount));

  // Built from fields, the text shows exactly the clamped fields.
  const int* d = f.dateFields;
  auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; };
  const int year = clamp(d[0], 100, 9999), month = clamp(d[1], 1, 12);
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int day = clamp(d[2], 1, month == 2 && leap ? 29 : kDays[month - 1]);
  const int hour = clamp(d[3], 0, 23), minute = clamp(d[4], 0, 59), second = clamp(d[5], 0, 59);
  Text want = std::to_string(year) + "\xC4\xEA" + std::to_string(month) + "\xD4\xC2" +
              std::to_string(day) + "\xC8\xD5";
  if (second != 0) {
    want += std::to_string(hour) + "\xCA\xB1" + std::to_string(minute) + "\xB7\xD6" +
            std::to_string(second) + "\xC3\xEB";
  } else if (minute != 0) {
    want += std::to_string(hour) + "\xCA\xB1" + std::to_string(minute) + "\xB7\xD6";
  } else if (hour != 0) {
    want += std::to_string(hour) + "\xCA\xB1";
  }
  const velmora::DateTime built = velmora::MakeDateTime(d[0], d[1], d[2], d[3], d[4], d[5]);
  Check(velmora::DateTimeText(built) == want);
  // Moving by seconds and back lands on the same second.
  if (f.amount > -100000000 && f.amount < 100000000) {
    const velmora::DateTime moved = velmora::AddToDateTime(built, velmora::kSeconds, f.amount);
    const velmora::DateTime back = velmora::AddToDateTime(moved, velmora::kSeconds, -f.amount);
    Check(velmora::DateTimeText(back) == want);
  }
}


// ---- Web text: URL splitting, cookies, header lines, Base64 -----------------
// (velmora_web's pure routines; the HTTP clients are tested on loopback.)

// True when the text's last character is a lone lead byte: only there can a
// byte 0x80-0xFF stand without its partner, and a cookie text ending so
// would pair its lead byte with the "; " the merge puts after it.
bool EndsInLoneLeadByte(std::string_view s) {
  std::size_t p = 0, last = 0;
  while (p < s.size()) {
    last = p;
    p += CharLen(s, p);
  }
  return !s.empty() && At(s, last) >= 0x80 && p - last == 1;
}

void CheckWebText(const Fields& f) {
  const Text address = velmora::BytesToText(std::string_view(f.text));
  const Text host = velmora::UrlHost(address);
  const Text hostWithPort = velmora::UrlHost(address, true);
  Check(velmora::Find(host, "/") == -1);
  Check(velmora::Find(host, ":") == -1);
  Check(velmora::ToLowerAscii(host) == host);
  Check(hostWithPort.compare(0, host.size(), host) == 0);
  Check(velmora::Left(velmora::UrlPath(address), 1) == "/");
  if (velmora::Find(hostWithPort, ":") == -1) {
    const std::int32_t port = velmora::UrlPort(address);
    Check(port == 80 || port == 443);
  }

  Text oldCookies = address;
  Text newCookies = velmora::BytesToText(std::string_view(f.sought));
  const Text newWithoutSpaces = velmora::RemoveSpaces(newCookies);
  const bool wellFormed = !EndsInLoneLeadByte(velmora::RemoveSpaces(oldCookies)) &&
                          !EndsInLoneLeadByte(newWithoutSpaces);
  const Text merged = velmora::MergeCookies(oldCookies, newCookies);
  Check(oldCookies == merged);
  Check(newCookies == newWithoutSpaces);
  if (wellFormed) {
    // The merged text never holds a space other than its "; " separators,
    // never a deleted cookie and never the same item twice.
    const TextList items = velmora::Split(merged, "; ");
    for (std::size_t i = 0; i < items.size(); ++i) {
      Check(velmora::RemoveSpaces(items[i]) == items[i]);
      Check(velmora::Right(items[i], 8) != "=deleted");
      Check(velmora::IndexOfItem(items, items[i]) == static_cast<int>(i) + 1);
    }
  }

  const Text line = velmora::BytesToText(std::string_view(f.marker));
  if (const std::optional<Text> item = velmora::SetCookieItem(line)) {
    Check(velmora::TextLeftOf(line, ": ") == "Set-Cookie");
    Check(velmora::Trim(*item) == *item);
  }
  if (velmora::Find(address, "Set-Cookie: ") == -1) {
    Check(velmora::ReturnedCookies(address).empty());
  }
  if (velmora::Find(line, ":") == -1) {
    Check(velmora::HeaderLineName(line).empty() && velmora::HeaderLineValue(line).empty());
  } else {
    Check(velmora::Trim(velmora::HeaderLineName(line)) == velmora::HeaderLineName(line));
    Check(velmora::Trim(velmora::HeaderLineValue(line)) == velmora::HeaderLineValue(line));
  }

  const Text encoded = velmora::Base64Encode(velmora::TextToBytes(f.text));
  Check(encoded.size() == (f.text.size() + 2) / 3 * 4);
  Check(encoded.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") == Text::npos);
}

// A pattern of literals, lazy runs and groups spelled by the marker's bytes,
// over f.text: every match and group must be what RE2 finds in the decoded
// text, searching from the end of each match as the matcher does.
void CheckLazyMatching(const Fields& f) {
  static constexpr std::string_view kPieces[] = {
      "a", "b", "\"", "\\\"", "}", ".*?", "[\\s\\S]*?", "(", ")", "ab",
  };
  // A literal first, so that no match is empty.
  std::string pattern = f.count % 2 == 0 ? "a" : "\"";
  bool open = false;
  for (unsigned char c : f.marker) {
    std::string_view piece = kPieces[c % std::size(kPieces)];
    if (piece == "(" && open) piece = ")";
    if (piece == ")" && !open) piece = "(";
    open = piece == "(" ? true : piece == ")" ? false : open;
    pattern += piece;
  }
  if (open) pattern += ")";
  const bool caseSensitive = !f.ignoreCase;

  velmora::RegexMatcher matcher;
  if (!matcher.Search(pattern, f.text, caseSensitive)) return;

  RE2::Options options;
  options.set_log_errors(false);
  options.set_case_sensitive(caseSensitive);
  const RE2 engine("(?m)" + pattern, options);
  Check(engine.ok());
  const std::string utf8 = velmora::Utf8FromGbk(f.text);
  const re2::StringPiece subject(utf8);
  const int slots = engine.NumberOfCapturingGroups() + 1;
  Check(matcher.MatchCount() == 0 || matcher.SubmatchCount() == slots - 1);
  std::vector<re2::StringPiece> groups(static_cast<std::size_t>(slots));
  std::size_t from = 0;
  int match = 0;
  while (from <= subject.size() &&
         engine.Match(subject, from, subject.size(), RE2::UNANCHORED, groups.data(), slots)) {
    ++match;
    Check(match <= matcher.MatchCount());
    Check(velmora::Utf8FromGbk(matcher.MatchText(match)) ==
          std::string(groups[0].data(), groups[0].size()));
    for (int g = 1; g < slots; ++g) {
      const re2::StringPiece& group = groups[static_cast<std::size_t>(g)];
      Check(velmora::Utf8FromGbk(matcher.SubmatchText(match, g)) ==
            std::string(group.data(), group.size()));
    }
    Check(!groups[0].empty());
    from = static_cast<std::size_t>(groups[0].data() - subject.data()) + groups[0].size();
  }
  Check(match == matcher.MatchCount());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Fields f;
  f.start = in.ConsumeIntegralInRange<int>(-2, 260);
  f.count = in.ConsumeIntegralInRange<int>(-1, 6);
  f.ignoreCase = in.ConsumeBool();
  f.unit = in.ConsumeIntegralInRange<int>(0, 9);
  f.amount = in.ConsumeIntegral<int>();
  f.number = in.ConsumeFloatingPoint<double>();
  for (int& field : f.dateFields) field = in.ConsumeIntegralInRange<int>(-5, 10005);
  f.sought = in.ConsumeRandomLengthString(80);
  f.marker = in.ConsumeRandomLengthString(16);
  f.text = in.ConsumeRemainingBytesAsString();

  CheckSearch(f);
  CheckRewriting(f);
  CheckConversions(f);
  CheckMarkers(f);
  CheckDateTime(f);
  CheckLazyMatching(f);

  // Web layer: f.text as an address and old cookie text, f.sought as new
  // cookie text, f.marker as a header line.
  CheckWebText(f);

  return 0;
}
