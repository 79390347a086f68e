// Test output for GBK and other raw bytes: a failing row shows its texts with
// everything outside printable ASCII as \xNN, so a wrong second byte is
// visible instead of garbling the terminal.
#pragma once

#include <string>
#include <string_view>

namespace velmora::testing {

inline std::string ShowBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "'";
  for (const unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out + "'";
}

}  // namespace velmora::testing
