#include "bench/BenchSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <variant>

#include "content/pages/MainContent.h"
#include "songfile/ByteReader.h"

namespace tarvo::bench {

namespace {

constexpr std::size_t MarkerCompareSize = 22;
constexpr std::array<std::uint8_t, MarkerCompareSize> Marker = {
    'Z', 'M', 'O', 'D', 0x10, 0x00, 0x00, 0x00, 'E', 'n', 'd', 'T', 'a', 'r', 'v', 'o', 'M', 'o', 'd', 'u', 'l', 'e'};

int OpenOrThrow(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "open " + path);
  return fd;
}

std::size_t ReadAll(int fd, std::uint8_t* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, out + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::system_error(errno, std::generic_category(), "read");
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::uint64_t StatusField(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
      return std::stoull(line.substr(length + 1)) * 1024;  // "VmHWM:   1234 kB"
  }
  return 0;
}

}  // namespace

std::size_t ReadAndMemchr(const std::string& path, std::size_t& hits, double* readMs, double* scanMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const int fd = OpenOrThrow(path);
  const off_t fileEnd = ::lseek(fd, 0, SEEK_END);
  ::lseek(fd, 0, SEEK_SET);
  const auto size = static_cast<std::size_t>(fileEnd > 0 ? fileEnd : 0);
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size > 0 ? size : 1]);
  const std::size_t got = ReadAll(fd, buffer.get(), size);
  ::close(fd);
  const Clock::time_point read = Clock::now();
  // One pass over all of it: the marker's first byte is rare in the
  // benchmark songs, so memchr stops only a few hundred times.
  hits = 0;
  const std::uint8_t* at = buffer.get();
  const std::uint8_t* const end = buffer.get() + got;
  while (at < end) {
    const void* hit = std::memchr(at, Marker[0], static_cast<std::size_t>(end - at));
    if (hit == nullptr) break;
    ++hits;
    at = static_cast<const std::uint8_t*>(hit) + 1;
  }
  const Clock::time_point scanned = Clock::now();
  if (readMs != nullptr) *readMs = std::chrono::duration<double, std::milli>(read - start).count();
  if (scanMs != nullptr) *scanMs = std::chrono::duration<double, std::milli>(scanned - read).count();
  return got;
}

std::size_t ByteByByteMarkerScan(const std::uint8_t* data, std::size_t size,
                                 const std::function<void()>& pendingEvents) {
  ByteReader reader(data, size);
  std::size_t markers = 0;
  std::array<std::uint8_t, MarkerCompareSize> attempt;
  while (!reader.atEnd()) {
    if (reader.read(attempt.data(), MarkerCompareSize) < MarkerCompareSize) break;
    if (attempt == Marker) {
      reader.skip(2);
      ++markers;
      continue;
    }
    reader.back(MarkerCompareSize - 1);
    pendingEvents();
  }
  return markers;
}

void ReadPrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& buffer) {
  const int fd = OpenOrThrow(path);
  const off_t fileEnd = ::lseek(fd, 0, SEEK_END);
  ::lseek(fd, 0, SEEK_SET);
  limit = std::min(limit, static_cast<std::size_t>(fileEnd > 0 ? fileEnd : 0));
  buffer.resize(limit);
  buffer.resize(ReadAll(fd, buffer.data(), limit));
  ::close(fd);
}

std::vector<const content::Table*> PageTables(const std::vector<content::Page>& pages) {
  std::vector<const content::Table*> tables;
  for (const content::Page& page : pages)
    for (const content::Control& control : page.controls)
      if (const auto* table = std::get_if<content::Table>(&control.value)) tables.push_back(table);
  return tables;
}

std::size_t FirstRows(const std::vector<const content::Table*>& tables, std::size_t rows) {
  std::size_t cellCount = 0;
  std::vector<std::string> cells;
  for (const content::Table* table : tables) {
    const std::size_t shown = std::min(rows, table->RowCount());
    for (std::size_t row = 0; row < shown; ++row) {
      table->Row(row, cells);
      cellCount += cells.size();
    }
  }
  return cellCount;
}

std::uint64_t PeakResidentBytes() { return StatusField("VmHWM"); }
std::uint64_t ResidentBytes() { return StatusField("VmRSS"); }

}  // namespace tarvo::bench
