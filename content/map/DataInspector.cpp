#include "content/map/DataInspector.h"

#include "songfile/ChunkId.h"
#include "songfile/LittleEndian.h"
#include "songfile/ModuleTypes.h"
#include "text/Latin1.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <type_traits>

namespace tarvo::content {
namespace {

constexpr std::size_t TextLimit = 64;

// The `Size` bytes at `bytes` as an unsigned number in the chosen order.
template <std::size_t Size>
std::uint64_t Unsigned(const std::uint8_t* bytes, bool bigEndian) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < Size; ++i) {
    const std::size_t from = bigEndian ? i : Size - 1 - i;
    value = value << 8 | bytes[from];
  }
  return value;
}

template <class T>
std::string Number(T value) {
  std::array<char, 64> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  return std::string(text.data(), result.ptr);
}

template <class Int>
std::string IntegerText(const std::uint8_t* bytes, std::size_t available, bool bigEndian) {
  if (available < sizeof(Int)) return std::string();
  return Number(static_cast<Int>(Unsigned<sizeof(Int)>(bytes, bigEndian)));
}

template <class Float, class Bits>
std::string FloatText(const std::uint8_t* bytes, std::size_t available, bool bigEndian) {
  if (available < sizeof(Float)) return std::string();
  const Bits bits = static_cast<Bits>(Unsigned<sizeof(Float)>(bytes, bigEndian));
  Float value;
  std::memcpy(&value, &bits, sizeof value);
  return Number(value);
}

std::string EscapedText(const std::uint8_t* bytes, std::size_t available) {
  return EscapeControlBytes(FixedText(bytes, std::min(available, TextLimit)));
}

}  // namespace

std::vector<InspectorRow> InspectBytes(const std::uint8_t* bytes, std::size_t available, bool bigEndian) {
  std::vector<InspectorRow> rows = {
      {"int8", IntegerText<std::int8_t>(bytes, available, bigEndian)},
      {"uint8", IntegerText<std::uint8_t>(bytes, available, bigEndian)},
      {"int16", IntegerText<std::int16_t>(bytes, available, bigEndian)},
      {"uint16", IntegerText<std::uint16_t>(bytes, available, bigEndian)},
      {"int32", IntegerText<std::int32_t>(bytes, available, bigEndian)},
      {"uint32", IntegerText<std::uint32_t>(bytes, available, bigEndian)},
      {"int64", IntegerText<std::int64_t>(bytes, available, bigEndian)},
      {"uint64", IntegerText<std::uint64_t>(bytes, available, bigEndian)},
      {"float32", FloatText<float, std::uint32_t>(bytes, available, bigEndian)},
      {"float64", FloatText<double, std::uint64_t>(bytes, available, bigEndian)},
      {"chunk id", available >= 4 ? ChunkIdToText(le::U32(bytes)) : std::string()},
      {"module type", available >= 4 ? ModuleTypeToText(static_cast<std::int32_t>(Unsigned<4>(bytes, bigEndian)))
                                     : std::string()},
      {"text", available > 0 ? EscapedText(bytes, available) : std::string()},
  };
  return rows;
}

}  // namespace tarvo::content
