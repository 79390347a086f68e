#include "web/base64.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct Base64Row {
  Bytes input;
  Text expected;
};

TEST(Base64EncodeTest, EncodesEachRow) {
  const Base64Row rows[] = {
      {{}, ""},
      {TextToBytes("a"), "YQ=="},
      {TextToBytes("ab"), "YWI="},
      {TextToBytes("abc"), "YWJj"},
      {TextToBytes("abcd"), "YWJjZA=="},
      {TextToBytes("user:pass"), "dXNlcjpwYXNz"},
      {TextToBytes("user:"), "dXNlcjo="},
      // High bytes and zeros are plain bytes to the encoder.
      {{0x80, 0xFF, 0x00}, "gP8A"},
      {{0x00}, "AA=="},
      {{0xFF, 0xFF, 0xFF}, "////"},
      {{0xFB, 0xEF, 0xBE}, "++++"},
      {{0xD6, 0xD0}, "1tA="},  // GBK for the character "zhong"
  };
  for (const Base64Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "expected " << row.expected);
    EXPECT_EQ(Base64Encode(row.input), row.expected);
  }
}

TEST(Base64EncodeTest, LongInputStaysOneLineOfExactLength) {
  for (std::size_t n : {57U, 58U, 59U, 60U, 1000U}) {
    SCOPED_TRACE(testing::Message() << "length " << n);
    const Bytes input(n, 0x41);
    const Text out = Base64Encode(input);
    EXPECT_EQ(out.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(out.find('\n'), Text::npos);
    EXPECT_EQ(out.find('\r'), Text::npos);
  }
}

}  // namespace
}  // namespace velmora
