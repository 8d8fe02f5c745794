#pragma once

#include <QColor>

#include "songfile/KvsRegion.h"

namespace tarvo {

// The colour of each region kind, as the File Map shows it.
inline QColor KindColour(TKvsRegionKind kind) {
  switch (kind) {
    case TKvsRegionKind::Header: return QColor(0x9C, 0xC3, 0xF0);
    case TKvsRegionKind::Field: return QColor(0xB6, 0xE3, 0xA8);
    case TKvsRegionKind::Reserved: return QColor(0xF3, 0xE0, 0x8C);
    case TKvsRegionKind::Skipped: return QColor(0xD3, 0xBE, 0xEA);
    case TKvsRegionKind::Data: return QColor(0xE4, 0xE4, 0xE4);
    case TKvsRegionKind::Unread: return QColor(0xF2, 0xA0, 0xA0);
  }
  return QColor();
}

}  // namespace tarvo
