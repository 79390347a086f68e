#include "app/sales_record.h"

#include <cstring>
#include <vector>

#include "platform/services.h"

namespace velmora {
namespace {

constexpr std::string_view kLineStart = "\"";
constexpr std::string_view kFieldSeparator = "\",\"";
constexpr std::string_view kLineEnd = "\"\r\n";

}  // namespace

void AppendSalesRecordLine(Text& content, std::string_view time,
                           std::string_view figure) {
  content += kLineStart;
  content += time;
  content += kFieldSeparator;
  content += figure;
  content += kLineEnd;
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
  const std::filesystem::path directory =
      runDirectory.empty() ? platform::RunDirectoryPath() : runDirectory;
  // Never fall back to the working directory: that is not where users look.
  if (directory.empty()) return false;

  // The whole log is rewritten on every sale, so it is read without copying
  // cells: measured in one pass, laid out with block copies in a second. The
  // lists only change under the cycles' lock, which the caller holds; should
  // the rows change between the passes all the same, the layout starts over
  // rather than write a cut line.
  Bytes bytes;
  for (;;) {
    std::size_t size = 0;
    salesList.ForEachRow([&size](const std::vector<Text>& row) {
      size += kLineStart.size() + row[0].size() + kFieldSeparator.size() +
              row[1].size() + kLineEnd.size();
    });
    bytes.resize(size);
    std::size_t used = 0;
    bool fits = true;
    const auto put = [&](std::string_view piece) {
      if (!fits || piece.size() > size - used) {
        fits = false;
        return;
      }
      if (!piece.empty()) std::memcpy(bytes.data() + used, piece.data(), piece.size());
      used += piece.size();
    };
    salesList.ForEachRow([&put](const std::vector<Text>& row) {
      put(kLineStart);
      put(row[0]);
      put(kFieldSeparator);
      put(row[1]);
      put(kLineEnd);
    });
    if (fits && used == size) break;
  }
  return platform::ReplaceFileAtomically(SalesRecordPath(directory), bytes);
}

}  // namespace velmora
