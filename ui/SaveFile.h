#pragma once

#include <QString>

#include <cstdint>

namespace tarvo {

// Writes the bytes as the whole file at path; false if any step fails.
bool WriteWholeFile(const QString& path, const std::uint8_t* data, std::uint64_t size);

}  // namespace tarvo
