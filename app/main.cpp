#include "TarvoVersion.h"
#include "app/CommandLine.h"
#include "mainwindow/Main.h"
#include "ui/Application.h"
#include "ui/Settings.h"

#include <QCoreApplication>
#include <QString>
#include <QTimer>

#include <variant>

namespace {

// --map: the File Map window of the song just loaded, also when the load was
// rejected or failed (the map shows where the reading stopped).
void OpenFileMap(tarvo::TFrmMain& mainWindow) { tarvo::Guarded(&mainWindow, &tarvo::TFrmMain::BtnFileMapClick)(); }

// A file named at start takes the same road as one picked in the dialog,
// once the window shows.
void OpenAtStart(tarvo::TFrmMain& mainWindow, const QString& path, bool openMap) {
  if (path.isEmpty()) return;
  QTimer::singleShot(0, &mainWindow, [&mainWindow, path, openMap] {
    tarvo::Guarded(&mainWindow, &tarvo::TFrmMain::LoadFile)(path);
    if (openMap) OpenFileMap(mainWindow);
  });
}

// --compare OLD NEW: the Compare window of the two, once the window shows.
void CompareAtStart(tarvo::TFrmMain& mainWindow, const QString& oldPath, const QString& newPath) {
  if (oldPath.isEmpty()) return;
  QTimer::singleShot(0, &mainWindow, [&mainWindow, oldPath, newPath] {
    tarvo::Guarded(&mainWindow, &tarvo::TFrmMain::OpenCompare)(oldPath, newPath);
  });
}

}  // namespace

int main(int argc, char** argv) {
  // Help, version and usage errors are settled before the GUI application
  // exists: it needs a display, they do not.
  tarvo::StartOptions options;
  {
    const QCoreApplication commandLine(argc, argv);
    const std::variant<tarvo::StartOptions, int> parsed = tarvo::ParseCommandLine(QCoreApplication::arguments());
    if (const int* const status = std::get_if<int>(&parsed)) return *status;
    options = std::get<tarvo::StartOptions>(parsed);
  }
  if (options.noSettings) tarvo::TurnSettingsOff();

  tarvo::TApplication application(argc, argv);
  QCoreApplication::setApplicationVersion(QString::fromLatin1(tarvo::ProgramVersion));

  tarvo::TFrmMain mainWindow;
  mainWindow.show();
  OpenAtStart(mainWindow, options.file, options.openMap);
  CompareAtStart(mainWindow, options.compareOld, options.compareNew);
  return QApplication::exec();
}
