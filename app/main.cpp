#include "mainwindow/Main.h"
#include "ui/Application.h"

#include <QStringList>
#include <QTimer>

int main(int argc, char** argv) {
  tarvo::TApplication application(argc, argv);

  tarvo::TFrmMain mainWindow;
  mainWindow.show();

  // A file named at start takes the same road as one picked in the dialog,
  // once the window shows.
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() > 1) {
    const QString path = arguments.at(1);
    QTimer::singleShot(0, &mainWindow,
                       [&mainWindow, path] { tarvo::Guarded(&mainWindow, &tarvo::TFrmMain::LoadFile)(path); });
  }
  return QApplication::exec();
}
