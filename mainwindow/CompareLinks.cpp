// The main window's ways into the Compare window: a button and Ctrl+D that
// compare the loaded song with another file, and two files dropped at once.
#include "mainwindow/Main.h"

#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "windows/Compare.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace tarvo {
namespace {

const QStringList CompareFilters = {QStringLiteral("Tarvo Song File (*.kvs)"), QStringLiteral("All Files (*)")};

}  // namespace

void TFrmMain::MakeCompareLinks(QHBoxLayout* top) {
  BtnCompare = new QPushButton(QStringLiteral("Compare..."), this);
  BtnCompare->setObjectName(QStringLiteral("BtnCompare"));
  BtnCompare->setMinimumWidth(75);
  BtnCompare->setToolTip(QStringLiteral("Compare the loaded song with another file (Ctrl+D)"));
  top->insertWidget(2, BtnCompare);
  connect(BtnCompare, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnCompareClick));
  auto* const key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
  key->setObjectName(QStringLiteral("KeyCompare"));
  connect(key, &QShortcut::activated, this, Guarded(this, &TFrmMain::BtnCompareClick));
}

void TFrmMain::BtnCompareClick() {
  if (busy_) return;
  // With no song loaded, the older file is asked for first.
  QString oldPath = loadedPath_;
  if (oldPath.isEmpty()) {
    const std::optional<QString> picked =
        CurrentDialogs().OpenFileName(this, QStringLiteral("Compare: the older file"), CompareFilters);
    if (!picked) return;
    oldPath = *picked;
  }
  const std::optional<QString> newPath =
      CurrentDialogs().OpenFileName(this, QStringLiteral("Compare with"), CompareFilters);
  if (!newPath) return;
  OpenCompare(oldPath, *newPath);
}

void TFrmMain::OpenCompare(const QString& oldPath, const QString& newPath) {
  auto* const window = new TFrmCompare(this);
  window->show();
  window->Start(oldPath, newPath);
}

}  // namespace tarvo
