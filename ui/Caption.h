#pragma once

#include <QString>
#include <QWidget>

namespace tarvo {

// Sets a window's caption as it stands: "[*]" would be taken as the marker
// of unsaved changes, and doubled it shows as it is.
inline void SetPlainWindowTitle(QWidget* window, QString caption) {
  caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  window->setWindowTitle(caption);
}

}  // namespace tarvo
