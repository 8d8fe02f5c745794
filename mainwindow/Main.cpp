#include "mainwindow/Main.h"

#include "TarvoVersion.h"
#include "ui/ApplyContent.h"
#include "ui/LoaderLog.h"
#include "ui/PageWidgets.h"
#include "ui/RecentSongs.h"
#include "ui/ReportList.h"
#include "ui/WindowLayout.h"
#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "windows/DataViewer.h"
#include "ui/Application.h"
#include "ui/Caption.h"
#include "ui/Dialogs.h"
#include "windows/ModuleViewer.h"
#include "windows/Progress.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListView>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

TFrmMain* FrmMain = nullptr;

namespace {

const QString OpenDialogTitle = QStringLiteral("Open Kvs");
const QStringList OpenDialogFilters = {QStringLiteral("Tarvo Song File (*.kvs)"), QStringLiteral("All Files (*)")};
const QString SaveDialogTitle = QStringLiteral("Save Log");
const QStringList SaveDialogFilters = {QStringLiteral("*.txt (*.txt)"), QStringLiteral("*.log (*.log)"),
                                       QStringLiteral("*.* (*)")};
const QString SaveDialogDefaultSuffix = QStringLiteral("txt");

const char* const Credits =
    "A read-only tool for studying Tarvo song files: it shows what a song\n"
    "file holds, page by page and chunk by chunk, and never writes one.";

// Creates a viewer owned by `owner`, fills it, shows it modally and destroys
// it again, also when filling or showing fails.
template <class Viewer, class Fill>
void ShowViewer(QWidget* owner, Viewer*& instance, Fill fill) {
  const std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>(owner);
  instance = viewer.get();
  struct Reset {
    Viewer*& instance;
    ~Reset() { instance = nullptr; }
  } const reset{instance};
  fill(*viewer);
  CurrentDialogs().Exec(*viewer);
}

}  // namespace

// Keeps the window from taking input or being closed while a load or a
// fill runs; it repaints all the same. Its controls are disabled rather than
// the window itself, which would grey out the progress dialog it owns. Only
// the controls it disabled are enabled again, and the focus goes back where
// it was: disabling a control takes the focus from the list inside it.
class TFrmMain::BusyScope {
 public:
  explicit BusyScope(TFrmMain& window) : window_(window), focus_(window.focusWidget()) {
    window_.busy_ = true;
    for (QWidget* const child : window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isWindow() || !child->isEnabledTo(&window_)) continue;
      disabled_.emplace_back(child);
      child->setEnabled(false);
    }
  }
  ~BusyScope() {
    for (const QPointer<QWidget>& child : disabled_)
      if (child) child->setEnabled(true);
    if (focus_ && focus_->isEnabled() && window_.focusWidget() != focus_) focus_->setFocus(Qt::OtherFocusReason);
    window_.busy_ = false;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  TFrmMain& window_;
  const QPointer<QWidget> focus_;
  std::vector<QPointer<QWidget>> disabled_;
};

TFrmMain::TFrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("FrmMain"));
  setWindowTitle(QString::fromStdString(content::MainCaption()));
  setFixedSize(784, 448);
  SetWindowFont(this);

  auto* const layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);

  auto* const top = new QHBoxLayout();
  BtnLoadKvs = new QPushButton(QStringLiteral("Load Kvs..."), this);
  BtnLoadKvs->setObjectName(QStringLiteral("BtnLoadKvs"));
  BtnLoadKvs->setMinimumWidth(75);
  top->addWidget(BtnLoadKvs);
  CbxSkipSongEventDisplay = new QCheckBox(QStringLiteral("Skip song event loading"), this);
  CbxSkipSongEventDisplay->setObjectName(QStringLiteral("CbxSkipSongEventDisplay"));
  CbxSkipSongEventDisplay->setChecked(false);
  CbxSkipSongEventDisplay->setVisible(false);
  top->addWidget(CbxSkipSongEventDisplay);
  top->addStretch(1);
  BtnAbout = new QPushButton(QStringLiteral("About..."), this);
  BtnAbout->setObjectName(QStringLiteral("BtnAbout"));
  BtnAbout->setMinimumWidth(75);
  top->addWidget(BtnAbout);
  layout->addLayout(top);

  Pages = new QTabWidget(this);
  Pages->setObjectName(QStringLiteral("Pages"));
  SetCompactTabs(Pages);
  // In the order of the content's tabs, which give the captions.
  using MakePage = QWidget* (TFrmMain::*)();
  static constexpr MakePage PageMakers[] = {
      &TFrmMain::MakeGlobalPage,       &TFrmMain::MakeSongInfoPage,  &TFrmMain::MakeModulesPage,
      &TFrmMain::MakeChannelsPage,     &TFrmMain::MakeAudioClipsPage, &TFrmMain::MakeSendFxAssignPage,
      &TFrmMain::MakeSongEventsPage,   &TFrmMain::MakePlaylistPage,  &TFrmMain::MakeWindowStatePage,
      &TFrmMain::MakeChunksPage,       &TFrmMain::MakeLoaderMessagesPage};
  static_assert(std::size(PageMakers) == content::MainPageCaptions.size());
  std::size_t tab = 0;
  for (const MakePage makePage : PageMakers) Pages->addTab((this->*makePage)(), Latin1(content::MainPageCaptions[tab++]));
  layout->addWidget(Pages, 1);

  MakeFileMapLinks(top);
  MakeRecentSongLinks(top);
  MakeCompareLinks(top);
  connect(BtnLoadKvs, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnLoadKvsClick));
  connect(BtnAbout, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnAboutClick));
  connect(BtnViewModule, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnViewModuleClick));
  connect(BtnViewModuleChunk, &QPushButton::clicked, this, Guarded(this, &TFrmMain::LstModulesDblClick));
  connect(LstModules, &QTableView::doubleClicked, this, Guarded(this, &TFrmMain::LstModulesDblClick));
  connect(BtnViewChunk, &QPushButton::clicked, this, Guarded(this, &TFrmMain::LstChunksDblClick));
  connect(LstChunks, &QTableView::doubleClicked, this, Guarded(this, &TFrmMain::LstChunksDblClick));
  connect(CbxSongEventDataSet, &QComboBox::activated, this, Guarded(this, &TFrmMain::CbxSongEventDataSetChange));
  connect(BtnClearLoaderMessages, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnClearLoaderMessagesClick));
  connect(BtnSaveLoaderMessages, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnSaveLoaderMessagesClick));

  auto* const loadKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
  loadKey->setObjectName(QStringLiteral("KeyLoadKvs"));
  connect(loadKey, &QShortcut::activated, this, Guarded(this, &TFrmMain::BtnLoadKvsClick));
  // Enter on a row opens what a double-click opens.
  LstModules->installEventFilter(this);
  LstChunks->installEventFilter(this);

  // The whole window takes a dropped file: no child keeps a drag to itself
  // (an edit box would take the file's name as text).
  setAcceptDrops(true);
  for (QWidget* const child : findChildren<QWidget*>()) child->setAcceptDrops(false);

  // FormCreate: every page as designed (the lists get their columns here),
  // the start pages showing.
  for (const content::MainTab& tab : content::MainWindowDesigned()) ApplyPage(this, tab.page);
  Progress = new TFrmProgress(this);
  KeepLayout(this, QStringLiteral("MainWindow"));
  FrmMain = this;
}

TFrmMain::~TFrmMain() {
  if (FrmMain == this) FrmMain = nullptr;
  // No list may keep rows that read from the loader once it is gone.
  ClearAllViews();
  FileMapLetGo();
}

void TFrmMain::ApplyMainPage(const content::Page& page) { ApplyPage(Pages, page, Tabs::Keep); }

void TFrmMain::BtnLoadKvsClick() {
  if (busy_) return;
  const std::optional<QString> path = CurrentDialogs().OpenFileName(this, OpenDialogTitle, OpenDialogFilters);
  if (!path) return;
  LoadFile(*path);
}

void TFrmMain::LoadFile(const QString& path) {
  // A load runs while pending events are handled; none may start a second.
  // An open viewer shows the current song, which a load would destroy; a
  // dropped file or a file named at start comes here later, when one may be.
  if (busy_ || QApplication::activeModalWidget() != nullptr) return;
  TLogModel* const log = LogModelOf(LoaderMessages);
  ClearAllViews();
  FileMapLetGo();
  loader_.reset();
  loadedPath_ = path;
  // Remembered whatever the load makes of it, but only a file there is.
  if (QFileInfo(path).isFile()) NoteRecentSong(path);
  loader_ = std::make_shared<TKvsLoader>(
      [log](std::string_view message) { log->Append(message); },
      [log] {
        log->Flush();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      });

  // Also when the load raises an error: the map shows where it stopped.
  struct FollowLoad {
    TFrmMain& window;
    ~FollowLoad() { window.FileMapFollowLoad(); }
  } const follow{*this};

  std::string errorText;
  {
    const BusyScope busy(*this);
    struct FlushLog {
      TLogModel* log;
      ~FlushLog() { log->Flush(); }
    } const flush{log};
    loader_->LoadFromFile(QFile::encodeName(path).toStdString(), errorText);
  }

  if (!errorText.empty()) {
    CurrentDialogs().Message(this, Latin1(errorText));
    setWindowTitle(QString::fromStdString(content::MainCaption()));
    return;
  }
  SetPlainWindowTitle(this, QString::fromStdString(content::MainCaption(QFileInfo(path).fileName().toStdString())));
  FillAllViews();
}

void TFrmMain::ClearAllViews() {
  LogModelOf(LoaderMessages)->Clear();
  for (const content::Page& page : content::ClearedPages()) ApplyMainPage(page);
}

void TFrmMain::FillAllViews() {
  Progress->ShowProgress();
  Progress->ResetProgress(content::FillGroupCount, "Loading data...");
  struct HideProgress {
    TFrmProgress* progress;
    ~HideProgress() { progress->HideProgress(); }
  } const hide{Progress};
  const BusyScope busy(*this);
  for (int group = 1; group <= content::FillGroupCount; ++group) {
    FillGroup(group);
    Progress->StepProgress();
  }
}

void TFrmMain::FillGroup(int group) {
  // Each list gets its rows in one model reset, so a group that fails
  // leaves no list half-updated.
  ApplyMainPage(content::FillGroup(group, loader_, CbxSkipSongEventDisplay->isChecked()));
}

void TFrmMain::BtnAboutClick() {
  const QString text = QStringLiteral("Tarvo Analyzer ") + QLatin1String(ProgramVersion) + QStringLiteral("\n\n") +
                       Latin1(Credits);
  CurrentDialogs().Message(this, text);
}

void TFrmMain::BtnViewModuleClick() {
  const std::optional<std::size_t> row = SelectedRow(LstModules);
  if (!row) return;
  if (loader_ == nullptr || *row >= loader_->Modules().size()) {
    ShowMessage("Invalid module.");
    return;
  }
  ShowViewer(this, FrmModuleViewer, [&](TFrmModuleViewer& viewer) { viewer.ShowModule(loader_, *row); });
}

void TFrmMain::LstModulesDblClick() {
  const std::optional<std::size_t> row = SelectedRow(LstModules);
  if (!row) return;
  // The list always matches the song; a row past it has no module to ask.
  if (loader_ == nullptr || *row >= loader_->Modules().size()) {
    ShowMessage("Invalid module.");
    return;
  }
  const std::int32_t chunkIndex = loader_->Modules()[*row]->ChunkIndex();
  if (chunkIndex < 0) {
    ShowMessage("No chuck available.");
    return;
  }
  if (static_cast<std::size_t>(chunkIndex) >= loader_->Chunks().size()) {
    ShowMessage("Invalid chuck.");
    return;
  }
  ShowChunkViewer(static_cast<std::size_t>(chunkIndex));
}

void TFrmMain::LstChunksDblClick() {
  const std::optional<std::size_t> row = SelectedRow(LstChunks);
  if (!row) return;
  if (loader_ == nullptr || *row >= loader_->Chunks().size()) {
    ShowMessage("Invalid chuck.");
    return;
  }
  ShowChunkViewer(*row);
}

void TFrmMain::ShowChunkViewer(std::size_t chunkIndex) {
  const TKvsChunk chunk = loader_->Chunks()[chunkIndex];
  ShowViewer(this, FrmDataViewer, [&](TFrmDataViewer& viewer) { viewer.ShowChunk(loader_, chunk); });
}

void TFrmMain::CbxSongEventDataSetChange(int index) {
  // The choice outlives a failed load; the current loader then has fewer
  // events, and a set past them shows no rows.
  if (loader_ == nullptr || index < 0) return;
  SetReportTable(LstSongEvents,
                 content::SongEventList(loader_, static_cast<std::size_t>(index) * content::SongEventDataSetSize));
}

void TFrmMain::BtnClearLoaderMessagesClick() { LogModelOf(LoaderMessages)->Clear(); }

void TFrmMain::BtnSaveLoaderMessagesClick() {
  const std::optional<QString> path =
      CurrentDialogs().SaveFileName(this, SaveDialogTitle, SaveDialogFilters, SaveDialogDefaultSuffix);
  if (!path) return;
  if (!LogModelOf(LoaderMessages)->SaveToFile(*path)) ShowMessage("Error while saving!");
}

void TFrmMain::ShowMessage(const char* text) { CurrentDialogs().Message(this, Latin1(text)); }

std::optional<QStringList> TFrmMain::DroppableFiles(const QDropEvent& event) const {
  // An open viewer shows the loader's data; a load would take it away.
  if (busy_ || QApplication::activeModalWidget() != nullptr) return std::nullopt;
  // Copied, never moved: after a move the sender would delete the file.
  if (!(event.possibleActions() & Qt::CopyAction)) return std::nullopt;
  const QMimeData* const mime = event.mimeData();
  if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = mime->urls();
  // One file loads; two are compared, the first as the older.
  if (urls.size() != 1 && urls.size() != 2) return std::nullopt;
  QStringList paths;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) return std::nullopt;
    const QString path = url.toLocalFile();
    // Any name, as "All Files" in the open dialog allows; a folder is no song.
    if (path.isEmpty() || QFileInfo(path).isDir()) return std::nullopt;
    paths.push_back(path);
  }
  return paths;
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppableFiles(*event)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TFrmMain::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppableFiles(*event)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TFrmMain::dropEvent(QDropEvent* event) {
  const std::optional<QStringList> paths = DroppableFiles(*event);
  if (!paths) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  // Loaded once the drop has returned, so the program the file came from
  // does not wait for the load; a load that starts first makes it a no-op.
  if (paths->size() == 2) {
    QMetaObject::invokeMethod(
        this, [this, files = *paths] { Guarded(this, &TFrmMain::OpenCompare)(files[0], files[1]); },
        Qt::QueuedConnection);
    return;
  }
  QMetaObject::invokeMethod(
      this, [this, file = paths->front()] { Guarded(this, &TFrmMain::LoadFile)(file); }, Qt::QueuedConnection);
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == LstModules || watched == LstChunks)) {
    const auto* const key = static_cast<const QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      Guarded(this, watched == LstModules ? &TFrmMain::LstModulesDblClick : &TFrmMain::LstChunksDblClick)();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TFrmMain::closeEvent(QCloseEvent* event) {
  // The loader and the pages are in use until the load or fill returns.
  if (busy_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace tarvo
