#include "platform/qt_text.h"

#include <string>

#include "text/gbk_codec.h"

namespace velmora::platform {

QString ToQString(std::string_view gbk) {
  if (gbk.empty()) return {};
  return QString::fromStdU16String(Utf16FromGbk(gbk));
}

Text FromQString(const QString& text) {
  if (text.isEmpty()) return {};
  return GbkFromUtf16(text.toStdU16String());
}

std::filesystem::path PathFromText(std::string_view gbkPath) {
  return std::filesystem::path(Utf16FromGbk(gbkPath));
}

}  // namespace velmora::platform
