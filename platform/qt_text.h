// Crossing between the program's GBK texts and Qt's UTF-16 strings.
#pragma once

#include <QString>

#include <filesystem>
#include <string_view>

#include "text/text.h"

namespace velmora::platform {

// The GBK text as a QString; invalid GBK sequences become U+FFFD.
QString ToQString(std::string_view gbk);
// The QString as GBK; characters GBK cannot hold become "?".
Text FromQString(const QString& text);

// A file-system path named by a GBK text, e.g. RunDirectory() + "/记录.ini".
std::filesystem::path PathFromText(std::string_view gbkPath);

}  // namespace velmora::platform
