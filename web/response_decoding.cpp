#include "web/response_decoding.h"

#include <climits>
#include <optional>
#include <utility>
#include <string>
#include <string_view>

#include "text/gbk_codec.h"
#include "text/icu_converter.h"
#include "text/regex_matcher.h"

namespace velmora {
namespace {

constexpr std::string_view kCharsetPattern = R"re(<meta.+?charset=[^\w]?([-\w]+))re";

// The declaration is only looked for near the top of the page.
constexpr int kHeadSize = 1024;

// Names under which pages declare a character set that browsers and Windows
// read as a wider one. Taken literally, ICU would decode a page declaring
// "GB2312" with the strict GB 2312 table and turn every GBK-only character of
// it into "?", and a page declaring "iso-8859-1" would lose its curly quotes.
struct WiderSet {
  std::string_view declared;
  const char* converter;
};
constexpr WiderSet kWiderSets[] = {
    {"gb2312", kCodePage936},     {"gbk", kCodePage936},
    {"x-gbk", kCodePage936},      {"cp936", kCodePage936},
    {"ms936", kCodePage936},      {"windows-936", kCodePage936},
    {"euc-cn", kCodePage936},     {"csgb2312", kCodePage936},
    {"gb_2312-80", kCodePage936}, {"chinese", kCodePage936},
    {"iso-8859-1", "windows-1252"}, {"iso_8859-1", "windows-1252"},
    {"latin1", "windows-1252"},   {"l1", "windows-1252"},
    {"us-ascii", "windows-1252"}, {"ascii", "windows-1252"},
    {"euc-kr", "windows-949-2000"}, {"ks_c_5601-1987", "windows-949-2000"},
};

std::string ConverterName(std::string_view declared) {
  for (const WiderSet& set : kWiderSets) {
    if (EqualText(set.declared, declared, false)) return set.converter;
  }
  return std::string(declared);
}

// All of `body` decoded from `charset` and encoded as GBK; nothing when no
// converter knows the name or the decoding fails.
std::optional<Text> ConvertToGbk(const Bytes& body, std::string_view charset) {
  if (body.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
  IcuConverter converter = OpenIcuConverter(ConverterName(charset).c_str());
  if (!converter) return std::nullopt;
  // Well-formed UTF-8, what most pages that are not GBK send, has one
  // reading only, so it goes straight to GBK without the trip through
  // UTF-16; anything malformed is left to the converter's own rules.
  if (ucnv_getType(converter.get()) == UCNV_UTF8) {
    std::string_view utf8(reinterpret_cast<const char*>(body.data()), body.size());
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    if (std::optional<Text> gbk = GbkFromWellFormedUtf8(utf8)) return gbk;
  }
  const auto* source = reinterpret_cast<const char*>(body.data());
  const auto sourceSize = static_cast<int32_t>(body.size());
  // One UTF-16 unit per byte is enough for nearly every character set; the
  // few that need more say how much.
  std::u16string utf16(body.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = ucnv_toUChars(converter.get(), utf16.data(),
                                 static_cast<int32_t>(utf16.size()), source, sourceSize,
                                 &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    utf16.assign(static_cast<std::size_t>(length) + 1, u'\0');
    status = U_ZERO_ERROR;
    length = ucnv_toUChars(converter.get(), utf16.data(), static_cast<int32_t>(utf16.size()),
                           source, sourceSize, &status);
  }
  if (U_FAILURE(status)) return std::nullopt;
  utf16.resize(static_cast<std::size_t>(length));
  // ICU keeps a byte-order mark as U+FEFF, which GBK cannot hold; a page's
  // reader never shows it.
  if (!utf16.empty() && utf16.front() == u'\uFEFF') utf16.erase(0, 1);
  return GbkFromUtf16(utf16);
}

}  // namespace

Text DecodeResponseText(const Bytes& bodyBytes) {
  Text text = BytesToText(bodyBytes);

  RegexMatcher matcher;
  if (!matcher.Search(kCharsetPattern, Left(text, kHeadSize))) return text;
  const Text charset = matcher.SubmatchText(1, 1);
  if (charset.empty() || charset == "gbk" || charset == "gb2312") return text;

  std::optional<Text> converted = ConvertToGbk(bodyBytes, charset);
  if (!converted) return text;
  return std::move(*converted);
}

}  // namespace velmora
