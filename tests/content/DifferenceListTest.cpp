#include "content/compare/DifferenceList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace tarvo::content {
namespace {

CompareDifference Difference(ChangeKind change, std::optional<std::uint64_t> oldOffset, std::uint64_t oldSize,
                             std::optional<std::uint64_t> newOffset, std::uint64_t newSize) {
  CompareDifference d;
  d.change = change;
  d.kind = change == ChangeKind::Changed ? DiffKind::Data : DiffKind::Record;
  d.oldOffset = oldOffset;
  d.newOffset = newOffset;
  d.oldSize = oldOffset ? oldSize : 0;
  d.newSize = newOffset ? newSize : 0;
  d.path = "EVTS/1";
  return d;
}

// OLD: 100 same, 4 changed (grown to 6 in NEW), 50 same, 16 removed, 30
// same, then 20 added in NEW, 10 same.
DifferenceList Sample() {
  DifferenceList list;
  list.Add(Difference(ChangeKind::Changed, 100, 4, 100, 6));
  list.Add(Difference(ChangeKind::Removed, 154, 16, std::nullopt, 0));
  list.Add(Difference(ChangeKind::Added, std::nullopt, 0, 186, 20));
  list.Finish();
  return list;
}

TEST(DifferenceListTest, OffsetsMatchThroughChangedRemovedAndAddedStretches) {
  const DifferenceList list = Sample();
  ASSERT_EQ(list.Size(), 3u);
  EXPECT_EQ(list.Offset(Side::New, 1), std::nullopt);
  EXPECT_EQ(list.Place(Side::New, 1), 156u);  // where the removed bytes would stand in NEW
  EXPECT_EQ(list.Place(Side::Old, 2), 200u);
  EXPECT_EQ(list.Size(1), 16u);

  std::uint64_t gap = 0;
  EXPECT_EQ(list.Matched(Side::Old, 50), 50u);
  EXPECT_EQ(list.Matched(Side::Old, 103), 103u);
  EXPECT_EQ(list.Matched(Side::New, 105), 103u);  // past the shorter match: its last byte
  EXPECT_EQ(list.Matched(Side::Old, 104), 106u);
  EXPECT_EQ(list.Matched(Side::Old, 160, &gap), std::nullopt);
  EXPECT_EQ(gap, 156u);
  EXPECT_EQ(list.Matched(Side::Old, 170), 156u);
  EXPECT_EQ(list.Matched(Side::New, 190, &gap), std::nullopt);
  EXPECT_EQ(gap, 200u);
  EXPECT_EQ(list.Matched(Side::New, 206), 200u);
  EXPECT_EQ(list.Matched(Side::Old, 205), 211u);
  EXPECT_EQ(list.At(Side::Old, 160), 1u);
  EXPECT_EQ(list.At(Side::Old, 170), std::nullopt);
}

TEST(DifferenceListTest, KeepsWhereALargeChangedRegionFirstDiffersOnly) {
  DifferenceList list;
  CompareDifference large = Difference(ChangeKind::Changed, 0, 1 << 20, 0, 1 << 20);
  large.runs.push_back({70000, 2, "ab", "cd"});
  CompareDifference small = Difference(ChangeKind::Changed, 2 << 20, 100, 2 << 20, 100);
  small.runs.push_back({7, 1, "a", "b"});
  list.Add(large);
  list.Add(small);
  list.Add(Difference(ChangeKind::Added, std::nullopt, 0, 3 << 20, 1 << 20));
  list.Add(large);
  list.Finish();
  EXPECT_EQ(list.KnownFirstDifference(0), 70000u);
  EXPECT_EQ(list.KnownFirstDifference(1), std::nullopt);  // read again at once
  EXPECT_EQ(list.KnownFirstDifference(2), std::nullopt);
  EXPECT_EQ(list.KnownFirstDifference(3), 70000u);
}

TEST(DifferenceListTest, DiffersComparesMatchedBytesAndCountsDifferingBytesPerStretch) {
  const DifferenceList list = Sample();
  std::vector<std::uint8_t> oldData(210, 0);
  std::vector<std::uint8_t> newData(216, 0);
  newData[102] = 1;
  EXPECT_FALSE(list.Differs(Side::Old, 100, oldData.data(), newData.data()));
  EXPECT_TRUE(list.Differs(Side::Old, 102, oldData.data(), newData.data()));
  EXPECT_TRUE(list.Differs(Side::New, 102, oldData.data(), newData.data()));
  EXPECT_TRUE(list.Differs(Side::New, 105, oldData.data(), newData.data()));  // past OLD's 4 bytes
  EXPECT_FALSE(list.Differs(Side::New, 106, oldData.data(), newData.data()));
  EXPECT_TRUE(list.Differs(Side::Old, 154, oldData.data(), newData.data()));

  EXPECT_EQ(list.DifferentBytes(Side::Old, 0, 210), 20u);
  EXPECT_EQ(list.DifferentBytes(Side::New, 0, 216), 26u);
  EXPECT_EQ(list.DifferentBytes(Side::Old, 102, 160), 8u);
  EXPECT_EQ(list.DifferentBytes(Side::Old, 0, 210, 1), 4u + 56u);  // counted over one, the rest whole
}

TEST(DifferenceListTest, SidesWhoseOrderCrossesAreLookedUpByPlace) {
  // Two chunks paired across each other: OLD's order differs from NEW's.
  DifferenceList list;
  list.Add(Difference(ChangeKind::Changed, 500, 10, 100, 10));
  list.Add(Difference(ChangeKind::Changed, 100, 10, 500, 10));
  list.Finish();
  EXPECT_EQ(list.At(Side::Old, 105), 1u);
  EXPECT_EQ(list.At(Side::Old, 505), 0u);
  EXPECT_EQ(list.Matched(Side::Old, 505), 105u);
  EXPECT_EQ(list.Matched(Side::New, 505), 105u);
}

}  // namespace
}  // namespace tarvo::content
