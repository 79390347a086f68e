#include "web/header_lines.h"

namespace velmora {

Text HeaderLineName(std::string_view line) {
  const int colon = Find(line, ":");
  return colon == -1 ? Text() : Trim(line.substr(0, static_cast<std::size_t>(colon - 1)));
}

Text HeaderLineValue(std::string_view line) {
  const int colon = Find(line, ":");
  return colon == -1 ? Text() : Trim(line.substr(static_cast<std::size_t>(colon)));
}

}  // namespace velmora
