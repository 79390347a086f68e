#include "web/header_lines.h"

#include <utility>

namespace velmora {

Text HeaderLineName(std::string_view line) {
  const int colon = Find(line, ":");
  return colon == -1 ? Text() : Trim(line.substr(0, static_cast<std::size_t>(colon - 1)));
}

Text HeaderLineValue(std::string_view line) {
  const int colon = Find(line, ":");
  return colon == -1 ? Text() : Trim(line.substr(static_cast<std::size_t>(colon)));
}

Text WithCommonHeaderDefaults(const Text& headers, const Text& url) {
  Text block = headers;
  if (block.empty()) {
    block = "Accept: */*";
  } else if (Find(block, "Accept:") == -1) {
    block += "\r\nAccept: */*";
  }
  if (Find(block, "Referer:") == -1) {
    block += "\r\nReferer: " + url;
  }
  if (Find(block, "Accept-Language:") == -1) {
    block += "\r\nAccept-Language: zh-cn";
  }
  return block;
}

void AddHeaderLine(std::vector<Text>& lines, Text line) {
  const Text name = HeaderLineName(line);
  if (!name.empty()) {
    for (Text& existing : lines) {
      if (EqualText(HeaderLineName(existing), name, false)) {
        existing = std::move(line);
        return;
      }
    }
  }
  lines.push_back(std::move(line));
}

}  // namespace velmora
