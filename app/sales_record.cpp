#include "app/sales_record.h"

namespace velmora {

void AppendSalesRecordLine(Text& content, std::string_view time,
                           std::string_view figure) {
  content += '"';
  content += time;
  content += "\",\"";
  content += figure;
  content += "\"\r\n";
}

Text SalesRecordContent(std::span<const SalesRecordRow> rows) {
  std::size_t size = 0;
  for (const SalesRecordRow& row : rows) size += row.time.size() + row.figure.size() + 7;
  Text content;
  content.reserve(size);
  for (const SalesRecordRow& row : rows) AppendSalesRecordLine(content, row.time, row.figure);
  return content;
}

std::filesystem::path SalesRecordPath(const std::filesystem::path& runDirectory) {
  // A char8_t literal tells std::filesystem the name is UTF-8, so it reaches
  // the operating system in its own encoding on every platform.
  return runDirectory / std::filesystem::path(u8"记录.ini");
}

}  // namespace velmora
