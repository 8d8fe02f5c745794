#pragma once

#include <cstdint>
#include <cstring>

// Field access on record bytes kept whole: little-endian, never a cast of
// the bytes to a struct.
namespace tarvo::le {

inline std::uint8_t U8(const std::uint8_t* p) { return p[0]; }
inline std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::int16_t I16(const std::uint8_t* p) { return static_cast<std::int16_t>(U16(p)); }
inline std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
inline std::uint64_t U64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(U32(p)) | static_cast<std::uint64_t>(U32(p + 4)) << 32;
}
inline float F32(const std::uint8_t* p) {
  const std::uint32_t bits = U32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline double F64(const std::uint8_t* p) {
  const std::uint64_t bits = U64(p);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace tarvo::le
