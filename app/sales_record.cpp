#include "app/sales_record.h"

#include "platform/services.h"

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

bool WriteSalesRecord(const platform::ListViewModel& salesList,
                      const std::filesystem::path& runDirectory) {
  Text content;
  const int rows = salesList.RowCount();
  for (int k = 0; k < rows; ++k) {
    AppendSalesRecordLine(content, salesList.Cell(k, 0), salesList.Cell(k, 1));
  }
  const std::filesystem::path directory =
      runDirectory.empty() ? platform::RunDirectoryPath() : runDirectory;
  // Never fall back to the working directory: that is not where users look.
  if (directory.empty()) return false;
  return platform::ReplaceFileAtomically(SalesRecordPath(directory),
                                         TextToBytes(content));
}

}  // namespace velmora
