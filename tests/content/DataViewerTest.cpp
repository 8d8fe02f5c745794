#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <string>
#include <vector>

#include "songfile/KvsChunk.h"
#include "content/viewers/ViewerContent.h"

namespace {

namespace content = tarvo::content;
using tarvo::TKvsByteStream;
using tarvo::TKvsChunk;
using content::Page;
using content::Table;
using Cells = std::vector<std::string>;

// A chunk over bytes the test owns; ASan sees any read past them.
struct TestChunk {
  explicit TestChunk(std::vector<std::uint8_t> data, std::int64_t offset = 0, std::int32_t id = 0)
      : bytes(std::move(data)), chunk(id, static_cast<std::int32_t>(bytes.size())) {
    chunk.Data = TKvsByteStream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    chunk.Offset = offset;
  }
  std::vector<std::uint8_t> bytes;
  TKvsChunk chunk;
};

std::vector<std::uint8_t> Counting(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  return bytes;
}

TEST(DataViewer, ShowChunkListsTheSetsAndShowsTheFirst) {
  const std::string set0 = "00000000-00007CFF";
  const std::string set1 = "00007D00-0000F9FF";  // the full nominal range, past the last byte
  struct Case {
    std::size_t length;
    std::vector<std::string> items;
    int selected;
    std::size_t rows;
    std::string lastRowOffset;
  };
  const std::vector<Case> cases = {
      {0, {}, -1, 0, ""},
      {1, {set0}, 0, 1, "00000000"},
      {17, {set0}, 0, 2, "00000010"},
      {32000, {set0}, 0, 2000, "00007CF0"},
      {32001, {set0, set1}, 0, 2000, "00007CF0"},
      {64000, {set0, set1}, 0, 2000, "00007CF0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const TestChunk test(Counting(c.length));
    const Page page = content::ShowChunk(nullptr, test.chunk);
    EXPECT_EQ(page.Choice("CbxDataSet").items, c.items);
    EXPECT_EQ(page.Choice("CbxDataSet").selected, c.selected);
    const Table& list = page.List("LstChunks");
    // The same columns with rows or without (an empty dump has no row maker).
    ASSERT_EQ(list.Columns().size(), 4U);
    EXPECT_EQ(list.Columns()[0].caption, "File Offset");
    EXPECT_EQ(list.Columns()[3].caption, "Data");
    ASSERT_EQ(list.RowCount(), c.rows);
    if (c.rows > 0) {
      EXPECT_EQ(list.Row(c.rows - 1)[1], c.lastRowOffset);
    }
  }
}

TEST(DataViewer, LaterSetsEndAtTheLastByte) {
  struct Case {
    std::size_t length;
    int index;
    int selected;
    std::size_t rows;
    Cells lastRow;
  };
  const std::vector<Case> cases = {
      {32001, 1, 1, 1, {"00007D00", "00007D00", "41 ", "A"}},
      {40000, 1, 1, 500, {"00009C30", "00009C30", "41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 ",
                          "AAAAAAAAAAAAAAAA"}},
      {40000, -3, 0, 2000, {"00007CF0", "00007CF0", "41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 ",
                            "AAAAAAAAAAAAAAAA"}},
      {40000, 2, -1, 0, {}},
      {40000, 0x7FFFFFFF, -1, 0, {}},  // no 32-bit overflow into a negative offset
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + " bytes, set " + std::to_string(c.index));
    const TestChunk test(std::vector<std::uint8_t>(c.length, 'A'));
    const Page page = content::DataSetChange(nullptr, test.chunk, c.index);
    EXPECT_EQ(page.Choice("CbxDataSet").selected, c.selected);
    const Table& list = page.List("LstChunks");
    ASSERT_EQ(list.RowCount(), c.rows);
    if (c.rows > 0) {
      EXPECT_EQ(list.Row(c.rows - 1), c.lastRow);
    }
  }
}

TEST(DataViewer, RowShowsPrintableBytesOnly) {
  const TestChunk test({0x20, 0x1F, 0x7E, 0x7F, 0x80, 0xFF, 0x00, 'a', 'Z', '0', 0x0A, '.', 0xE9, 0x41, 0x42, 0x43});
  const Cells row = content::ShowChunk(nullptr, test.chunk).List("LstChunks").Row(0);
  ASSERT_EQ(row.size(), 4u);
  EXPECT_EQ(row[2], "20 1F 7E 7F 80 FF 00 61 5A 30 0A 2E E9 41 42 43 ");
  EXPECT_EQ(row[2].size(), 48u);
  EXPECT_EQ(row[3], " .~....aZ0...ABC");
}

TEST(DataViewer, OffsetsInTheFileAndInTheData) {
  const TestChunk test(Counting(40000), 0x18);
  const Cells first = content::ShowChunk(nullptr, test.chunk).List("LstChunks").Row(0);
  EXPECT_EQ(first[0], "00000018");
  EXPECT_EQ(first[1], "00000000");
  const Cells second = content::DataSetChange(nullptr, test.chunk, 1).List("LstChunks").Row(0);
  EXPECT_EQ(second[0], "00007D18");
  EXPECT_EQ(second[1], "00007D00");
  // Offsets past 32 bits keep their digits.
  const TestChunk far(Counting(16), std::int64_t{0x1FFFFFFF8});
  EXPECT_EQ(content::ShowChunk(nullptr, far.chunk).List("LstChunks").Row(0)[0], "1FFFFFFF8");
}

TEST(DataViewer, LabelsComeFromTheTemplates) {
  struct Case {
    std::int32_t id;
    std::int32_t dataSize;
    std::string chunk;
    std::string size;
  };
  const std::vector<Case> cases = {
      {0x41424344, 32000, "Chunk: 0x41424344 (DCBA)", "Size: 0x00007D00 (32000)"},
      {0, 0, "Chunk: 0x0000 (???\?)", "Size: 0x00000000 (0)"},
      {-1, -1, "Chunk: 0xFFFFFFFF (???\?)", "Size: 0xFFFFFFFF (-1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chunk);
    TestChunk test({}, 0, c.id);
    test.chunk.DataSize = c.dataSize;  // as recorded, whatever is held
    for (const Page& page : {content::ShowChunk(nullptr, test.chunk), content::DataSetChange(nullptr, test.chunk, 3)}) {
      EXPECT_EQ(page.Text("LblChunk"), c.chunk);
      EXPECT_EQ(page.Text("LblChunkSize"), c.size);
    }
  }
  const Page designed = content::DataViewerDesigned();
  EXPECT_EQ(designed.Text("LblChunk"), "Chunk: 0x%0:4.4x (%s)");
  EXPECT_EQ(designed.Text("LblChunkSize"), "Size: 0x%0:8.8x (%0:d)");
}

TEST(DataViewer, ShowRangeNeverReadsOutsideTheData) {
  const TestChunk test(Counting(100));
  struct Case {
    std::int64_t first;
    std::int64_t last;
    std::size_t rows;
  };
  const std::vector<Case> cases = {
      {0, 0, 7},      // 0 means the end of the data
      {0, -5, 7},     // so does anything below
      {0, 1000, 7},   // clipped to the data
      {0, 15, 1},     {0, 16, 2},  {96, 99, 1}, {100, 0, 0},  {5000, 0, 0},
      {-16, 0, 0},    // before the data: nothing to read
      {20, 10, 1},    // Last a little before First still makes the one pass
      {40, 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
    const Table list = content::ShowRange(nullptr, test.chunk, c.first, c.last).List("LstChunks");
    ASSERT_EQ(list.RowCount(), c.rows);
    for (std::size_t row = 0; row < list.RowCount(); ++row) list.Row(row);
  }
  EXPECT_EQ(content::ShowRange(nullptr, test.chunk, 96, 0).List("LstChunks").Row(0)[3], "`abc");
}

TEST(DataViewer, HugeChunkMakesRowsOnlyWhenAsked) {
  // 1 GiB of zero pages that are never written, so nothing is committed.
  constexpr std::size_t size = std::size_t{1} << 30;
  void* const memory = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(memory, MAP_FAILED);
  TKvsChunk chunk(0, static_cast<std::int32_t>(size));
  chunk.Data = TKvsByteStream(static_cast<const std::uint8_t*>(memory), static_cast<std::int64_t>(size));

  const Page page = content::ShowChunk(nullptr, chunk);
  const content::Combo& sets = page.Choice("CbxDataSet");
  ASSERT_EQ(sets.items.size(), 33555u);
  EXPECT_EQ(sets.items.back(), "3FFFCA00-400046FF");
  EXPECT_EQ(page.List("LstChunks").RowCount(), 2000u);
  // Up to the end of the data is still one data set at most.
  EXPECT_EQ(content::ShowRange(nullptr, chunk, 0, 0).List("LstChunks").RowCount(), 2000u);
  const Table last = content::DataSetChange(nullptr, chunk, 33554).List("LstChunks");
  ASSERT_EQ(last.RowCount(), 864u);
  EXPECT_EQ(last.Row(863)[1], "3FFFFFF0");
  munmap(memory, size);
}

}  // namespace
