#include "web/response_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/show_bytes.h"

namespace velmora {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

std::string Show(std::string_view s) { return testing::ShowBytes(s); }

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

// 中文 in GBK; in UTF-8 the source writes it directly.
constexpr std::string_view kZhongWenGbk = "\xD6\xD0\xCE\xC4";

TEST(DecodeResponseText, DeclaredCharacterSetDecidesTheDecoding) {
  struct Row {
    const char* what;
    std::string body;
    std::string want;
  };
  const std::string filler(1030, 'x');
  const Row rows[] = {
      {"utf-8 page becomes GBK", "<meta charset=utf-8>中文",
       "<meta charset=utf-8>" + std::string(kZhongWenGbk)},
      {"gbk page comes back byte for byte, up to the first NUL",
       "<meta content=text/html; charset=gbk>\xD6\xD0\x81\x30z\0after"s,
       "<meta content=text/html; charset=gbk>\xD6\xD0\x81\x30z"},
      {"gb2312 page likewise", "<meta charset=gb2312>\xD6\xD0\0x"s, "<meta charset=gb2312>\xD6\xD0"},
      {"upper-case declaration is found", "<META CHARSET=UTF-8>中文",
       "<META CHARSET=UTF-8>" + std::string(kZhongWenGbk)},
      {"one non-word character after = is skipped", "<meta content=\"text/html; charset= utf-8\">中",
       "<meta content=\"text/html; charset= utf-8\">\xD6\xD0"},
      {"quoted name", "<meta charset=\"utf-8\">文", "<meta charset=\"utf-8\">\xCE\xC4"},
      {"GBK in upper case converts, to the same text for a GBK body",
       "<meta charset=GBK>\xD6\xD0\xCE\xC4", "<meta charset=GBK>\xD6\xD0\xCE\xC4"},
      {"GB2312 in upper case keeps characters only GBK has",
       "<meta charset=GB2312>\x81\x40\xD6\xD0", "<meta charset=GB2312>\x81\x40\xD6\xD0"},
      {"no declaration: the body as it is", "<html>中文</html>", "<html>中文</html>"},
      {"a declaration after the first 1024 bytes is not seen",
       filler + "<meta charset=utf-8>中", filler + "<meta charset=utf-8>中"},
      {"an unknown name leaves the body as it is", "<meta charset=x-unheard-of>中",
       "<meta charset=x-unheard-of>中"},
      {"characters GBK cannot hold become ?", "<meta charset=utf-8>aกb",
       "<meta charset=utf-8>a?b"},
      {"a byte-order mark is dropped", "\xEF\xBB\xBF<!DOCTYPE html><meta charset=utf-8>中",
       "<!DOCTYPE html><meta charset=utf-8>\xD6\xD0"},
      {"a malformed byte becomes ?, the rest still converts",
       "<meta charset=utf-8>a\xC3" "b\xED\xA0\x80中",
       "<meta charset=utf-8>a?b???\xD6\xD0"},
      {"zero-width no-break spaces inside are dropped", "<meta charset=utf-8>a\xEF\xBB\xBF" "b",
       "<meta charset=utf-8>ab"},
      {"utf8 alias", "<meta charset=utf8>中", "<meta charset=utf8>\xD6\xD0"},
      {"big5", "<meta charset=big5>\xA4\xA4\xA4\xE5", "<meta charset=big5>" + std::string(kZhongWenGbk)},
      {"shift_jis", "<meta charset=shift_jis>\x93\xFA\x96\x7B", "<meta charset=shift_jis>\xC8\xD5\xB1\xBE"},
      {"euc-kr", "<meta charset=euc-kr>\xF1\xE9\xD9\xFE", "<meta charset=euc-kr>" + std::string(kZhongWenGbk)},
      {"gb18030", "<meta charset=gb18030>\xD6\xD0\x81\x30\x81\x30",
       "<meta charset=gb18030>\xD6\xD0?"},
      // iso-8859-1 is read as windows-1252, like browsers do: 0x93 is a quote.
      {"iso-8859-1", "<meta charset=iso-8859-1>\x93q\x94", "<meta charset=iso-8859-1>\xA1\xB0q\xA1\xB1"},
      {"empty body", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Show(DecodeResponseText(B(row.body))), Show(row.want));
  }
}

TEST(DecodeResponseText, DeclarationIsOnlyLookedForInTheFirstKilobyte) {
  // Ends exactly at byte 1024: seen.
  const std::string tag = "<meta charset=utf-8>";
  const std::string before(1024 - tag.size(), 'x');
  EXPECT_EQ(Show(DecodeResponseText(B(before + tag + "中"))), Show(before + tag + "\xD6\xD0"));
  // Starts at byte 1024 (counting from 0): not seen.
  const std::string after(1024, 'x');
  EXPECT_EQ(Show(DecodeResponseText(B(after + tag + "中"))), Show(after + tag + "中"));
}

TEST(DecodeResponseText, NulByteEndsTheSearchButNotTheDecoding) {
  // A declaration behind a NUL is not seen: the text up to the NUL comes back.
  EXPECT_EQ(Show(DecodeResponseText(B("ab\0<meta charset=utf-8>中"sv))), Show("ab"));
  // A declaration in front of it decodes every byte of the body.
  EXPECT_EQ(Show(DecodeResponseText(B("<meta charset=utf-8>中\0文"sv))),
            Show("<meta charset=utf-8>\xD6\xD0\0\xCE\xC4"sv));
  // GBK declared in upper case converts too, so it also keeps what follows.
  EXPECT_EQ(Show(DecodeResponseText(B("<meta charset=GBK>a\0b"sv))),
            Show("<meta charset=GBK>a\0b"sv));
}

}  // namespace
}  // namespace velmora
