#pragma once

#include <QString>

#include <string_view>

namespace tarvo {

// An 8-bit program or song text for a widget.
inline QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tarvo
