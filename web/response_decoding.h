// Turns the raw body of a fetched page into GBK text, whatever character set
// the page declares in a meta tag near its top.
#pragma once

#include "text/text.h"

namespace velmora {

// The body as GBK text. The first 1024 bytes of the body up to its first NUL
// are searched for a declaration like <meta ... charset=utf-8>. Without one,
// or when it names "gbk" or "gb2312" (exactly), the result is the body up to
// its first NUL. Any other name decodes ALL body bytes from that character set
// (NUL bytes included), characters GBK cannot hold becoming "?". A name no
// converter knows leaves the body up to its first NUL. An empty body gives
// the empty text. Never fails.
Text DecodeResponseText(const Bytes& bodyBytes);

}  // namespace velmora
