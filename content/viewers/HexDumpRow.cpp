#include "content/viewers/HexDumpRow.h"

#include "text/Format.h"

namespace tarvo::content {

void HexDumpRow(std::int64_t chunkOffset, std::int64_t position, const std::uint8_t* bytes,
                std::size_t count, std::vector<std::string>& cells) {
  cells.clear();
  cells.push_back(Format("%8.8x", {chunkOffset + position}));
  cells.push_back(Format("%8.8x", {position}));
  std::string hex;
  std::string text;
  hex.reserve(3 * count);
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t byte = bytes[i];
    FormatTo(hex, "%2.2x ", {byte});
    text.push_back(byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.');
  }
  cells.push_back(std::move(hex));
  cells.push_back(std::move(text));
}

}  // namespace tarvo::content
