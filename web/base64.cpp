#include "web/base64.h"

#include <cstddef>

namespace velmora {

Text Base64Encode(const Bytes& data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  Text out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::size_t left = data.size() - i;
    const unsigned b0 = data[i];
    const unsigned b1 = left > 1 ? data[i + 1] : 0U;
    const unsigned b2 = left > 2 ? data[i + 2] : 0U;
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 3U) << 4) + (b1 >> 4)];
    out += left > 1 ? kAlphabet[((b1 & 15U) << 2) + (b2 >> 6)] : '=';
    out += left > 2 ? kAlphabet[b2 & 63U] : '=';
  }
  return out;
}

}  // namespace velmora
