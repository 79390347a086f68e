// The window's own texts, as GBK bytes.
#pragma once

namespace velmora::window_texts {

inline constexpr char kCaption[] = "Velmora";
inline constexpr char kStart[] = "\xbf\xaa\xca\xbc";                      // 开始
inline constexpr char kStop[] = "\xcd\xa3\xd6\xb9";                       // 停止
inline constexpr char kAutoStock[] = "\xd7\xd4\xb6\xaf\xbf\xe2\xb4\xe6";  // 自动库存
inline constexpr char kManualStock[] = "\xca\xd6\xb6\xaf\xbf\xe2\xb4\xe6";  // 手动库存
inline constexpr char kDefaultPeriod[] = "500";
inline constexpr char kSkuName[] = "\x53\x4b\x55\xc3\xfb\xb3\xc6";        // SKU名称
inline constexpr char kSku[] = "SKU";
inline constexpr char kStockLeft[] = "\xca\xa3\xd3\xe0\xbf\xe2\xb4\xe6";  // 剩余库存
inline constexpr char kSold[] = "\xcf\xfa\xc1\xbf";                       // 销量
inline constexpr char kTime[] = "\xca\xb1\xbc\xe4";                       // 时间
inline constexpr char kEnterUrl[] = "\xca\xe4\xc8\xeb\xcd\xf8\xd6\xb7";   // 输入网址
// 输入库存数量
inline constexpr char kEnterStockCount[] =
    "\xca\xe4\xc8\xeb\xbf\xe2\xb4\xe6\xca\xfd\xc1\xbf";
inline constexpr char kConfirmExit[] = "\xca\xc7\xb7\xf1\xcd\xcb\xb3\xf6";  // 是否退出

}  // namespace velmora::window_texts
