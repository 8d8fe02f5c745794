#include "ui/Application.h"

#include "text/Utf8.h"
#include "ui/Dialogs.h"

#include <QIcon>

namespace tarvo {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The name only: a display name would be appended to every window caption.
  setApplicationName(QStringLiteral("Tarvo Analyzer"));
  // Lets the desktop match the windows to the installed entry and its icon.
  setDesktopFileName(QStringLiteral("io.github.tarvoanalyzer.TarvoAnalyzer"));
  setWindowIcon(QIcon::fromTheme(QStringLiteral("tarvo-analyzer")));
}

void TApplication::ShowException(const std::exception& error) {
  CurrentDialogs().Error(QApplication::activeWindow(), ErrorBoxText(error.what()));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(error);
    return false;
  }
}

QString ErrorBoxText(const std::string& what) {
  // Error texts may quote a file name, which on this system is UTF-8 bytes;
  // anything else is 8-bit text.
  QString text = QString::fromStdString(ExternalTextToUtf8(what));
  if (!what.empty() && static_cast<unsigned char>(what.back()) > static_cast<unsigned char>('.'))
    text += QLatin1Char('.');
  return text;
}

}  // namespace tarvo
