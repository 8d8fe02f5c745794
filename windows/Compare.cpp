#include "windows/Compare.h"

#include "content/compare/CompareJson.h"
#include "content/compare/CompareText.h"
#include "songfile/KvsLoader.h"
#include "ui/Application.h"
#include "ui/Caption.h"
#include "ui/CoverageStrip.h"
#include "ui/Dialogs.h"
#include "ui/HexView.h"
#include "ui/Latin1Text.h"
#include "ui/PageWidgets.h"
#include "ui/RegionShading.h"
#include "ui/RowCopy.h"
#include "ui/StreamedSave.h"
#include "ui/WindowLayout.h"
#include "windows/CompareList.h"
#include "windows/FileMap.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <string>

namespace tarvo {
namespace {

using content::Side;

// A place line's value: one line, not longer than this.
constexpr int MaxValueCharacters = 80;

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* const button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

QLabel* PlainLabel(QWidget* parent, const char* name) {
  auto* const label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// "3,407": the count as the window says it, whatever the locale.
QString Count(std::uint64_t value) {
  QString digits = QString::number(value);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits;
}

QString OneLine(QString text) {
  for (QChar& c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QChar(0xB7);
  if (text.size() > MaxValueCharacters) text = text.left(MaxValueCharacters) + QStringLiteral("...");
  return text;
}

QString FileName(const QString& path) { return QFileInfo(path).fileName(); }

QString SideText(const char* which, const QString& path, const content::ComparedSide& side) {
  QString text = QLatin1String(which) + QStringLiteral(": ") + FileName(path) + QStringLiteral(" (") +
                 QLatin1String(side.outcome.c_str()) + QStringLiteral(", ") +
                 Count(side.map ? side.map->FileSize() : 0) + QStringLiteral(" bytes)");
  if (!side.error.empty()) text += QStringLiteral(": ") + OneLine(Latin1(side.error));
  return text;
}

// What a side holds at `offset`: the region's path and its value, or the byte.
struct Place {
  QString path;
  QString value;
};

std::optional<Place> PlaceAt(const content::ComparedSide& side, std::uint64_t offset) {
  if (!side.map || offset >= side.map->FileSize()) return std::nullopt;
  std::optional<TKvsRegion> region = side.map->RegionAt(offset);
  Place place;
  if (region) place.path = OneLine(Latin1(region->path));
  if (region && region->kind == TKvsRegionKind::Field) {
    place.value = OneLine(Latin1(region->value));
  } else {
    place.value = QStringLiteral("0x");
    THexView::AppendHexByte(place.value, side.map->FileData()[offset]);
  }
  return place;
}

}  // namespace

TFrmCompare::TFrmCompare(QWidget* parent)
    : QWidget(parent, Qt::Window),
      shadeOld_(std::make_unique<TRegionShading>()),
      shadeNew_(std::make_unique<TRegionShading>()) {
  setObjectName(QStringLiteral("FrmCompare"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Compare"));
  SetWindowFont(this);
  resize(1200, 760);

  auto* const layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  LblOld = PlainLabel(this, "LblOld");
  LblNew = PlainLabel(this, "LblNew");
  LblSummary = PlainLabel(this, "LblSummary");
  layout->addWidget(LblOld);
  layout->addWidget(LblNew);
  layout->addWidget(LblSummary);

  auto* const filters = new QHBoxLayout();
  filters->addWidget(MakeCaption(this, QStringLiteral("Show:")));
  for (std::size_t i = 0; i < CbxChanges.size(); ++i) {
    const char* const name = content::ChangeName(static_cast<content::ChangeKind>(i));
    CbxChanges[i] = new QCheckBox(QLatin1String(name), this);
    CbxChanges[i]->setObjectName(QStringLiteral("CbxChange_") + QLatin1String(name));
    CbxChanges[i]->setChecked(true);
    filters->addWidget(CbxChanges[i]);
  }
  filters->addSpacing(12);
  for (std::size_t i = 0; i < CbxKinds.size(); ++i) {
    const char* const name = content::DiffKindName(static_cast<content::DiffKind>(i));
    CbxKinds[i] = new QCheckBox(QLatin1String(name), this);
    CbxKinds[i]->setObjectName(QStringLiteral("CbxKind_") + QLatin1String(name));
    CbxKinds[i]->setChecked(true);
    filters->addWidget(CbxKinds[i]);
  }
  filters->addStretch(1);
  layout->addLayout(filters);

  auto* const tools = new QHBoxLayout();
  BtnPrevious = Button(this, "BtnPrevious", QStringLiteral("Previous"));
  BtnPrevious->setToolTip(QStringLiteral("Previous difference (Shift+F8)"));
  BtnNext = Button(this, "BtnNext", QStringLiteral("Next"));
  BtnNext->setToolTip(QStringLiteral("Next difference (F8)"));
  LblCount = PlainLabel(this, "LblCount");
  BtnSave = Button(this, "BtnSave", QStringLiteral("Save..."));
  BtnOldInFileMap = Button(this, "BtnOldInFileMap", QStringLiteral("Old in File Map"));
  BtnNewInFileMap = Button(this, "BtnNewInFileMap", QStringLiteral("New in File Map"));
  tools->addWidget(BtnPrevious);
  tools->addWidget(BtnNext);
  tools->addWidget(LblCount, 1);
  tools->addWidget(BtnOldInFileMap);
  tools->addWidget(BtnNewInFileMap);
  tools->addWidget(BtnSave);
  layout->addLayout(tools);

  auto* const split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("SplCompare"));
  Tabs = new QTabWidget(split);
  Tabs->setObjectName(QStringLiteral("Tabs"));
  LstDifferences = new QTableView(Tabs);
  LstDifferences->setObjectName(QStringLiteral("LstDifferences"));
  model_ = new TCompareListModel(LstDifferences);
  LstDifferences->setModel(model_);
  LstDifferences->setSelectionBehavior(QAbstractItemView::SelectRows);
  LstDifferences->setSelectionMode(QAbstractItemView::ExtendedSelection);
  LstDifferences->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LstDifferences->setWordWrap(false);
  LstDifferences->setSortingEnabled(true);
  LstDifferences->sortByColumn(-1, Qt::AscendingOrder);
  LstDifferences->verticalHeader()->hide();
  // Uniform rows: a million of them scroll without measuring each.
  LstDifferences->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  LstDifferences->verticalHeader()->setDefaultSectionSize(LstDifferences->fontMetrics().height() + 4);
  LstDifferences->horizontalHeader()->setStretchLastSection(true);
  const std::array<int, TCompareListModel::ColumnCount> widths = {60, 60, 300, 80, 80, 70, 160, 160};
  for (int column = 0; column < TCompareListModel::ColumnCount; ++column)
    LstDifferences->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
  InstallRowCopy(LstDifferences);
  Tabs->addTab(LstDifferences, QStringLiteral("Differences"));
  // The same pair as the main window shows it: page, control, row.
  TxtShown = new QPlainTextEdit(Tabs);
  TxtShown->setObjectName(QStringLiteral("TxtShown"));
  TxtShown->setReadOnly(true);
  TxtShown->setLineWrapMode(QPlainTextEdit::NoWrap);
  Tabs->addTab(TxtShown, QStringLiteral("Shown differently"));

  auto* const sides = new QSplitter(Qt::Horizontal, split);
  sides->setObjectName(QStringLiteral("SplSides"));
  const auto makeSide = [sides](const char* stripName, const char* labelName, const char* viewName,
                                TCoverageStrip*& strip, QLabel*& label, THexView*& view) {
    auto* const box = new QWidget(sides);
    auto* const boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    boxLayout->setSpacing(2);
    label = PlainLabel(box, labelName);
    strip = new TCoverageStrip(box);
    strip->setObjectName(QLatin1String(stripName));
    view = new THexView(box);
    view->setObjectName(QLatin1String(viewName));
    boxLayout->addWidget(label);
    boxLayout->addWidget(strip);
    boxLayout->addWidget(view, 1);
    sides->addWidget(box);
  };
  makeSide("StripOld", "LblOldPlace", "HexOld", StripOld, LblOldPlace, HexOld);
  makeSide("StripNew", "LblNewPlace", "HexNew", StripNew, LblNewPlace, HexNew);
  split->addWidget(Tabs);
  split->addWidget(sides);
  split->setSizes({300, 420});
  layout->addWidget(split, 1);

  LblStatus = PlainLabel(this, "LblStatus");
  layout->addWidget(LblStatus);
  KeepLayout(this, QStringLiteral("Compare"));

  Progress = new QDialog(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  Progress->setObjectName(QStringLiteral("FrmCompareProgress"));
  Progress->setWindowTitle(QStringLiteral("Comparing..."));
  Progress->setModal(false);
  auto* const progressLayout = new QVBoxLayout(Progress);
  progressLayout->setContentsMargins(10, 8, 10, 8);
  progressLayout->setSpacing(6);
  ProgressBar = new QProgressBar(Progress);
  ProgressBar->setObjectName(QStringLiteral("Bar"));
  ProgressBar->setTextVisible(false);
  ProgressBar->setFixedSize(297, 17);
  LblProgress = PlainLabel(Progress, "LblCaption");
  LblProgress->setFixedWidth(297);
  BtnCancel = Button(Progress, "BtnCancel", QStringLiteral("Cancel"));
  progressLayout->addWidget(ProgressBar);
  progressLayout->addWidget(LblProgress);
  progressLayout->addWidget(BtnCancel, 0, Qt::AlignRight);
  progressLayout->setSizeConstraint(QLayout::SetFixedSize);

  poll_ = new QTimer(this);
  poll_->setInterval(30);
  savePoll_ = new QTimer(this);
  savePoll_->setInterval(30);

  HexOld->SetShading([this](std::uint64_t offset, std::uint64_t& runEnd) { return shadeOld_->Shade(offset, runEnd); });
  HexNew->SetShading([this](std::uint64_t offset, std::uint64_t& runEnd) { return shadeNew_->Shade(offset, runEnd); });
  const auto marking = [this](Side side) {
    return [this, side](std::uint64_t offset) {
      return pair_ != nullptr && pair_->differences.Differs(side, offset, pair_->oldSide.map->FileData(),
                                                            pair_->newSide.map->FileData());
    };
  };
  HexOld->SetMarking(marking(Side::Old));
  HexNew->SetMarking(marking(Side::New));

  connect(poll_, &QTimer::timeout, this, Guarded(this, &TFrmCompare::Poll));
  connect(savePoll_, &QTimer::timeout, this, Guarded(this, &TFrmCompare::PollSave));
  connect(BtnCancel, &QPushButton::clicked, this, Guarded(this, &TFrmCompare::CancelCompare));
  connect(Progress, &QDialog::rejected, this, Guarded(this, &TFrmCompare::CancelCompare));
  for (QCheckBox* const box : CbxChanges)
    connect(box, &QCheckBox::toggled, this, [this] { Guarded(this, &TFrmCompare::FilterChanged)(); });
  for (QCheckBox* const box : CbxKinds)
    connect(box, &QCheckBox::toggled, this, [this] { Guarded(this, &TFrmCompare::FilterChanged)(); });
  connect(BtnNext, &QPushButton::clicked, this, Guarded(this, &TFrmCompare::NextDifference));
  connect(BtnPrevious, &QPushButton::clicked, this, Guarded(this, &TFrmCompare::PreviousDifference));
  connect(BtnSave, &QPushButton::clicked, this, Guarded(this, &TFrmCompare::SaveClick));
  connect(BtnOldInFileMap, &QPushButton::clicked, this, Guarded(this, &TFrmCompare::OpenOldInFileMapClick));
  connect(BtnNewInFileMap, &QPushButton::clicked, this, Guarded(this, &TFrmCompare::OpenNewInFileMapClick));
  connect(LstDifferences->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { Guarded(this, &TFrmCompare::RowChanged)(current); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { UpdateCount(); });
  connect(model_, &TCompareListModel::SortingChanged, this, [this] { UpdateCount(); });
  connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { UpdateCount(); });
  for (const Side side : {Side::Old, Side::New}) {
    THexView* const view = View(side);
    connect(view, &THexView::CursorMoved, this, [this, side](std::uint64_t offset) {
      if (!following_) Guarded(this, &TFrmCompare::Follow)(side, offset);
    });
    connect(view, &THexView::Scrolled, this,
            [this, side](std::uint64_t row) { Guarded(this, &TFrmCompare::Scrolled)(side, row); });
    view->SetToolTip([this, side](std::uint64_t offset) {
      const std::optional<Place> place = pair_ ? PlaceAt(side == Side::Old ? pair_->oldSide : pair_->newSide, offset)
                                               : std::nullopt;
      return place ? place->path + QStringLiteral(" = ") + place->value : QString();
    });
    connect(side == Side::Old ? StripOld : StripNew, &TCoverageStrip::Clicked, this,
            [view](std::uint64_t offset) { view->Select(offset, 1); });
  }

  const auto key = [this](const QKeySequence& sequence, const char* name, void (TFrmCompare::*handler)()) {
    auto* const shortcut = new QShortcut(sequence, this);
    shortcut->setObjectName(QLatin1String(name));
    connect(shortcut, &QShortcut::activated, this, Guarded(this, handler));
  };
  key(QKeySequence(Qt::Key_F8), "KeyNextDifference", &TFrmCompare::NextDifference);
  key(QKeySequence(Qt::SHIFT | Qt::Key_F8), "KeyPreviousDifference", &TFrmCompare::PreviousDifference);
  UpdateCount();
}

struct TFrmCompare::ShownJob {
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};
  std::optional<content::ShownDifferences> result;  // written by the worker
};

TFrmCompare::~TFrmCompare() {
  if (progress_) progress_->stop = true;
  if (saveProgress_) saveProgress_->stop = true;
  if (worker_.joinable()) worker_.join();
  // The saver removes its partial file itself.
  if (saver_.joinable()) saver_.join();
  StopShown();
  // Nothing may read the songs once they go.
  model_->SetPair(nullptr);
  HexOld->SetBytes({});
  HexNew->SetBytes({});
}

THexView* TFrmCompare::View(Side side) const { return side == Side::Old ? HexOld : HexNew; }

void TFrmCompare::Start(const QString& oldPath, const QString& newPath) {
  if (Running()) return;
  StopShown();
  oldPath_ = oldPath;
  newPath_ = newPath;
  SetPlainWindowTitle(this, QStringLiteral("Compare - ") + FileName(oldPath) + QStringLiteral(" -> ") + FileName(newPath));
  model_->SetPair(nullptr);
  shadeOld_->SetMap(nullptr);
  shadeNew_->SetMap(nullptr);
  HexOld->SetBytes({});
  HexNew->SetBytes({});
  StripOld->SetFile(0, {});
  StripNew->SetFile(0, {});
  pair_.reset();
  TxtShown->clear();
  LblOld->setText(QStringLiteral("OLD: ") + FileName(oldPath));
  LblNew->setText(QStringLiteral("NEW: ") + FileName(newPath));
  LblSummary->setText(QStringLiteral("Comparing..."));

  progress_ = std::make_unique<content::CompareProgress>();
  result_.reset();
  const std::string oldFile = QFile::encodeName(oldPath).toStdString();
  const std::string newFile = QFile::encodeName(newPath).toStdString();
  content::CompareProgress* const progress = progress_.get();
  worker_ = std::thread([this, progress, oldFile, newFile] {
    try {
      // The differences only: what the songs show is compared once the list
      // shows, on a thread of its own (StartShown).
      std::unique_ptr<content::ComparedPair> pair = content::LoadPair(oldFile, newFile, *progress);
      if (pair != nullptr && content::ComparePair(*pair, *progress)) result_ = std::move(pair);
    } catch (...) {
      // Out of memory and the like: the window says the comparison failed.
      result_.reset();
    }
    progress->done.store(true, std::memory_order_release);
  });
  ShowProgress(QStringLiteral("Comparing..."), QStringLiteral("Loading ") + FileName(oldPath) + QStringLiteral("..."));
  ProgressBar->setRange(0, 0);
  poll_->start();
}

void TFrmCompare::ShowProgress(const QString& title, const QString& text) {
  Progress->setWindowTitle(title);
  LblProgress->setText(text);
  Progress->adjustSize();
  Progress->move(frameGeometry().center() - Progress->rect().center());
  Progress->show();
}

void TFrmCompare::Poll() {
  if (shownJob_ && shownJob_->done.load(std::memory_order_acquire)) FinishShown();
  if (!progress_) {
    if (!shownJob_) poll_->stop();
    return;
  }
  if (!progress_->done.load(std::memory_order_acquire)) {
    switch (progress_->step.load()) {
      case 0: LblProgress->setText(QStringLiteral("Loading ") + FileName(oldPath_) + QStringLiteral("...")); break;
      case 1: LblProgress->setText(QStringLiteral("Loading ") + FileName(newPath_) + QStringLiteral("...")); break;
      default: {
        LblProgress->setText(QStringLiteral("Comparing..."));
        const std::uint64_t total = progress_->total.load();
        if (total > 0) {
          ProgressBar->setRange(0, 1000);
          ProgressBar->setValue(static_cast<int>(std::min<std::uint64_t>(1000, progress_->position.load() / (total / 1000 + 1))));
        }
        break;
      }
    }
    return;
  }
  poll_->stop();
  worker_.join();
  Progress->hide();
  const bool stopped = progress_->stop.load();
  progress_.reset();
  if (stopped || result_ == nullptr) {
    result_.reset();
    LblSummary->setText(stopped ? QStringLiteral("Comparison cancelled.")
                                : QStringLiteral("The comparison failed: not enough memory."));
    return;
  }
  pair_ = std::move(result_);
  ShowPair();
}

void TFrmCompare::CancelCompare() {
  if (!progress_ && !saveProgress_) return;
  if (progress_) progress_->stop = true;
  if (saveProgress_) saveProgress_->stop = true;
  LblProgress->setText(QStringLiteral("Cancelling..."));
}

void TFrmCompare::ShowPair() {
  const content::ComparedPair& pair = *pair_;
  LblOld->setText(SideText("OLD", oldPath_, pair.oldSide));
  LblNew->setText(SideText("NEW", newPath_, pair.newSide));
  const content::CompareSummary& summary = pair.summary;
  QString text = Count(summary.differences) + QStringLiteral(" differences (changed ") + Count(summary.changed) +
                 QStringLiteral(", added ") + Count(summary.added) + QStringLiteral(", removed ") +
                 Count(summary.removed) + QStringLiteral("); bytes: same ") + Count(summary.sameBytes) +
                 QStringLiteral(", differ ") + Count(summary.differBytes);
  if (!summary.alignedByPosition.empty()) {
    text += QStringLiteral("; paired by position:");
    for (const std::string& path : summary.alignedByPosition) text += QLatin1Char(' ') + OneLine(Latin1(path));
  }
  LblSummary->setText(text);
  shadeOld_->SetMap(&*pair.oldSide.map);
  shadeNew_->SetMap(&*pair.newSide.map);
  const auto bytes = [](const content::ComparedSide& side) {
    return std::span<const std::uint8_t>(side.map->FileData(), side.map->FileSize());
  };
  HexOld->SetBytes(bytes(pair.oldSide));
  HexNew->SetBytes(bytes(pair.newSide));
  for (const Side side : {Side::Old, Side::New}) {
    const content::ComparedSide& mine = side == Side::Old ? pair.oldSide : pair.newSide;
    (side == Side::Old ? StripOld : StripNew)
        ->SetFile(mine.map->FileSize(),
                  [this, side](std::uint64_t from, std::uint64_t to, std::vector<std::pair<QColor, std::uint64_t>>& parts) {
                    const std::uint64_t differ = pair_ ? pair_->differences.DifferentBytes(side, from, to) : 0;
                    if (differ > 0) parts.emplace_back(QColor(0xC6, 0x28, 0x28), differ);
                    if (to - from > differ) parts.emplace_back(QColor(0xE4, 0xE4, 0xE4), to - from - differ);
                  });
  }
  StartShown();
  model_->SetPair(pair_.get());
  if (model_->rowCount() > 0) {
    LstDifferences->setCurrentIndex(model_->index(0, 0));
  } else {
    Follow(Side::New, 0);
  }
}

void TFrmCompare::StartShown() {
  TxtShown->setPlainText(QStringLiteral("Comparing what the two songs show..."));
  shownJob_ = std::make_unique<ShownJob>();
  ShownJob* const job = shownJob_.get();
  const content::ComparedPair* const pair = pair_.get();
  shownWorker_ = std::thread([job, pair, oldLog = std::move(pair_->oldSide.log),
                              newLog = std::move(pair_->newSide.log)]() mutable {
    try {
      job->result = content::CompareShown(pair->oldSide, std::move(oldLog), pair->newSide, std::move(newLog), job->stop);
    } catch (...) {
      // Out of memory and the like: the tab says so.
      job->result.reset();
    }
    job->done.store(true, std::memory_order_release);
  });
  poll_->start();
}

void TFrmCompare::FinishShown() {
  shownWorker_.join();
  std::optional<content::ShownDifferences> shown = std::move(shownJob_->result);
  shownJob_.reset();
  if (!shown) {
    TxtShown->setPlainText(QStringLiteral("Not compared: not enough memory."));
    return;
  }
  pair_->shownCompared = shown->compared;
  pair_->shownLines = std::move(shown->lines);
  ShowShown();
}

void TFrmCompare::ShowShown() {
  const content::ComparedPair& pair = *pair_;
  shownNext_ = 0;
  ++shownGeneration_;
  if (!pair.shownCompared) {
    TxtShown->setPlainText(QStringLiteral("Not compared: what a song shows needs both songs loaded."));
  } else if (pair.shownLines.empty()) {
    TxtShown->setPlainText(QStringLiteral("The two songs show the same."));
  } else {
    AppendShown(shownGeneration_);
  }
}

// A QPlainTextEdit takes text only as plain text: no markup in a song text
// can steer it. The lines go in a stretch per turn of the event loop, so
// that the window answers meanwhile, and at most ShownAtMost of them, so
// that two unrelated songs of millions of rows cannot hold the window: the
// rest is said with its count (kvsdump --diff has all).
void TFrmCompare::AppendShown(std::uint64_t generation) {
  constexpr std::size_t ShownAtMost = 20000;
  constexpr std::size_t Stretch = 2000;
  if (generation != shownGeneration_ || pair_ == nullptr) return;  // another comparison took over
  const std::vector<std::string>& all = pair_->shownLines;
  const std::size_t shown = std::min(all.size(), ShownAtMost);
  const std::size_t first = shownNext_;
  const std::size_t last = std::min(shown, first + Stretch);
  QString lines;
  for (std::size_t i = first; i < last; ++i) {
    if (i > first) lines += QLatin1Char('\n');
    lines += QString::fromStdString(all[i]);
  }
  if (last == shown && shown < all.size())
    lines += QStringLiteral("\n... %1 more lines (kvsdump --diff prints them all)").arg(all.size() - shown);
  if (first == 0) {
    TxtShown->setPlainText(lines);
  } else {
    TxtShown->appendPlainText(lines);
  }
  shownNext_ = last;
  if (last < shown)
    QTimer::singleShot(0, this, [this, generation] { Guarded(this, &TFrmCompare::AppendShown)(generation); });
}

void TFrmCompare::StopShown() {
  if (!shownJob_) return;
  shownJob_->stop = true;
  shownWorker_.join();
  shownJob_.reset();
}

void TFrmCompare::FilterChanged() {
  std::uint32_t changes = 0;
  std::uint32_t kinds = 0;
  for (std::size_t i = 0; i < CbxChanges.size(); ++i)
    if (CbxChanges[i]->isChecked()) changes |= 1u << i;
  for (std::size_t i = 0; i < CbxKinds.size(); ++i)
    if (CbxKinds[i]->isChecked()) kinds |= 1u << i;
  model_->SetFilter(changes, kinds);
}

void TFrmCompare::UpdateCount() {
  const int count = model_->rowCount();
  const QModelIndex current = LstDifferences->currentIndex();
  if (count == 0) {
    LblCount->setText(pair_ ? QStringLiteral("no differences shown") : QString());
  } else if (!current.isValid()) {
    LblCount->setText(Count(static_cast<std::uint64_t>(count)) + QStringLiteral(" differences"));
  } else {
    LblCount->setText(QStringLiteral("difference ") + Count(static_cast<std::uint64_t>(current.row()) + 1) +
                      QStringLiteral(" of ") + Count(static_cast<std::uint64_t>(count)));
  }
  if (model_->Sorting()) LblCount->setText(LblCount->text() + QStringLiteral(" (sorting...)"));
  BtnNext->setEnabled(count > 0);
  BtnPrevious->setEnabled(count > 0);
  BtnSave->setEnabled(pair_ != nullptr && !Saving());
  BtnOldInFileMap->setEnabled(pair_ != nullptr);
  BtnNewInFileMap->setEnabled(pair_ != nullptr);
}

void TFrmCompare::NextDifference() {
  const int count = model_->rowCount();
  if (count == 0) return;
  const QModelIndex current = LstDifferences->currentIndex();
  const int row = current.isValid() ? (current.row() + 1) % count : 0;
  LstDifferences->setCurrentIndex(model_->index(row, 0));
}

void TFrmCompare::PreviousDifference() {
  const int count = model_->rowCount();
  if (count == 0) return;
  const QModelIndex current = LstDifferences->currentIndex();
  const int row = current.isValid() ? (current.row() + count - 1) % count : count - 1;
  LstDifferences->setCurrentIndex(model_->index(row, 0));
}

void TFrmCompare::RowChanged(const QModelIndex& current) {
  UpdateCount();
  if (!current.isValid() || pair_ == nullptr) return;
  ShowDifference(model_->DifferenceAt(current.row()));
}

void TFrmCompare::ShowDifference(std::size_t difference) {
  const content::DifferenceList& list = pair_->differences;
  following_ = true;
  for (const Side side : {Side::Old, Side::New}) {
    // A side without the difference shows where it would stand.
    View(side)->Select(list.Place(side, difference), std::max<std::uint64_t>(1, list.SideSize(side, difference)));
  }
  following_ = false;
  const std::uint64_t newAt = list.Place(Side::New, difference);
  ShowPlace(Side::New, newAt, list.Offset(Side::Old, difference));
}

void TFrmCompare::Follow(Side side, std::uint64_t offset) {
  if (pair_ == nullptr) return;
  THexView* const mine = View(side);
  THexView* const other = View(side == Side::Old ? Side::New : Side::Old);
  std::uint64_t gap = 0;
  const std::optional<std::uint64_t> matched = pair_->differences.Matched(side, offset, &gap);
  const std::uint64_t there = matched.value_or(gap);
  following_ = true;
  other->Select(there, 1);
  following_ = false;
  // The matched byte on the same line of the screen as this one.
  const std::uint64_t line = offset / THexView::BytesPerRow - std::min(offset / THexView::BytesPerRow, mine->TopRow());
  const std::uint64_t row = there / THexView::BytesPerRow;
  other->ShowAtTop((row > line ? row - line : 0) * THexView::BytesPerRow);
  ShowPlace(side, offset, matched);
  if (!matched) {
    LblStatus->setText(LblStatus->text() + QStringLiteral(" (only in ") +
                       QLatin1String(side == Side::Old ? "OLD" : "NEW") + QStringLiteral(": a gap in the other file)"));
  }
}

void TFrmCompare::Scrolled(Side side, std::uint64_t topRow) {
  if (pair_ == nullptr) return;
  std::uint64_t gap = 0;
  const std::optional<std::uint64_t> matched = pair_->differences.Matched(side, topRow * THexView::BytesPerRow, &gap);
  View(side == Side::Old ? Side::New : Side::Old)->ShowAtTop(matched.value_or(gap));
}

void TFrmCompare::ShowPlace(Side side, std::uint64_t offset, const std::optional<std::uint64_t>& matched) {
  const content::ComparedSide& mine = side == Side::Old ? pair_->oldSide : pair_->newSide;
  const content::ComparedSide& other = side == Side::Old ? pair_->newSide : pair_->oldSide;
  const std::optional<Place> here = PlaceAt(mine, offset);
  const std::optional<Place> there = matched ? PlaceAt(other, *matched) : std::nullopt;
  const QString none = QStringLiteral("-");
  const QString hereValue = here ? here->value : none;
  const QString thereValue = there ? there->value : none;
  const QString& oldValue = side == Side::Old ? hereValue : thereValue;
  const QString& newValue = side == Side::Old ? thereValue : hereValue;
  const QString path = here ? here->path : (there ? there->path : QString());
  LblStatus->setText(path + QStringLiteral(": ") + oldValue + QStringLiteral(" -> ") + newValue);
  const auto placeText = [](const char* which, const std::optional<std::uint64_t>& at) {
    return QLatin1String(which) + QStringLiteral(" at ") +
           (at ? QStringLiteral("0x") + THexView::HexNumber(*at, 8) : QStringLiteral("- (a gap)"));
  };
  const std::optional<std::uint64_t> oldAt = side == Side::Old ? std::optional(offset) : matched;
  const std::optional<std::uint64_t> newAt = side == Side::New ? std::optional(offset) : matched;
  LblOldPlace->setText(placeText("OLD", oldAt));
  LblNewPlace->setText(placeText("NEW", newAt));
  StripOld->SetCursor(HexOld->Cursor());
  StripNew->SetCursor(HexNew->Cursor());
}

void TFrmCompare::OpenInFileMap(Side side) {
  if (pair_ == nullptr) return;
  const std::size_t at = side == Side::Old ? 0 : 1;
  if (fileMaps_[at] == nullptr) {
    fileMaps_[at] = new TFrmFileMap(this);
    const content::ComparedSide& mine = side == Side::Old ? pair_->oldSide : pair_->newSide;
    fileMaps_[at]->ShowSong(mine.song(), side == Side::Old ? oldPath_ : newPath_);
  }
  fileMaps_[at]->show();
  fileMaps_[at]->raise();
  fileMaps_[at]->activateWindow();
  fileMaps_[at]->GoToOffset(View(side)->Cursor());
}

void TFrmCompare::OpenOldInFileMapClick() { OpenInFileMap(Side::Old); }

void TFrmCompare::OpenNewInFileMapClick() { OpenInFileMap(Side::New); }

namespace {

// A file name on one line of text output: control characters as \xHH.
std::string TerminalName(const QString& path) {
  std::string name;
  for (const char c : path.toStdString()) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      static constexpr char Digits[] = "0123456789ABCDEF";
      name += "\\x";
      name += Digits[byte >> 4];
      name += Digits[byte & 15];
    } else {
      name += c;
    }
  }
  return name;
}

}  // namespace

void TFrmCompare::SaveClick() {
  if (pair_ == nullptr || Saving()) return;
  const std::optional<QString> path = CurrentDialogs().SaveFileName(
      this, QStringLiteral("Save Comparison"),
      {QStringLiteral("Text (*.txt)"), QStringLiteral("JSON lines (*.jsonl *.json)")}, QStringLiteral("txt"));
  if (!path) return;
  const QString suffix = QFileInfo(*path).suffix().toLower();
  const bool json = suffix == QStringLiteral("json") || suffix == QStringLiteral("jsonl");
  const auto named = [json](const QString& file, const content::ComparedSide& side) {
    return content::ComparedFile{json ? file.toStdString() : TerminalName(file), side.outcome, side.map->FileSize()};
  };
  const content::ComparedFile oldFile = named(oldPath_, pair_->oldSide);
  const content::ComparedFile newFile = named(newPath_, pair_->newSide);
  saveProgress_ = std::make_unique<content::CompareProgress>();
  content::CompareProgress* const progress = saveProgress_.get();
  // The lines to write: the two names (one line in JSON), the differences, the summary.
  progress->total = pair_->differences.Size() + (json ? 2 : 3);
  const content::ComparedPair* const pair = pair_.get();
  // The same run as kvsdump's, written as it is made (no copy of the text),
  // on a thread of its own: the pair stays until the saver is joined.
  saver_ = std::thread([this, progress, pair, file = *path, json, oldFile, newFile] {
    SaveOutcome outcome = SaveOutcome::Failed;
    try {
      StreamedSave save(file, &progress->position);
      if (save.Open()) {
        std::ostream& out = save.Out();
        content::SongComparison comparison(*pair->oldSide.map, *pair->newSide.map);
        // A failed write stops the run too: a full disk is not written a
        // million more lines.
        comparison.SetStop([progress, &out] { return progress->stop.load(std::memory_order_relaxed) || out.fail(); });
        try {
          if (json) {
            content::WriteCompareJson(out, comparison, 0, oldFile, newFile);
          } else {
            content::WriteCompareText(out, comparison, oldFile, newFile);
          }
        } catch (const content::CompareCancelled&) {
          // Said below: cancelled, or the write failed.
        }
        if (progress->stop.load()) {
          outcome = SaveOutcome::Cancelled;
        } else if (save.Commit()) {
          outcome = SaveOutcome::Saved;
        }
      }
    } catch (...) {
      // Out of memory and the like: the save failed; the partial file is gone.
    }
    saveOutcome_ = outcome;
    progress->done.store(true, std::memory_order_release);
  });
  ShowProgress(QStringLiteral("Saving..."), QStringLiteral("Saving ") + FileName(*path) + QStringLiteral("..."));
  ProgressBar->setRange(0, 1000);
  ProgressBar->setValue(0);
  UpdateCount();
  savePoll_->start();
}

void TFrmCompare::PollSave() {
  if (!saveProgress_) return;
  if (!saveProgress_->done.load(std::memory_order_acquire)) {
    const std::uint64_t total = std::max<std::uint64_t>(1, saveProgress_->total.load());
    const std::uint64_t lines = std::min(total, saveProgress_->position.load());
    ProgressBar->setValue(static_cast<int>(lines * 1000 / total));
    return;
  }
  savePoll_->stop();
  saver_.join();
  saveProgress_.reset();
  Progress->hide();
  UpdateCount();
  if (saveOutcome_ == SaveOutcome::Failed) CurrentDialogs().Message(this, QStringLiteral("Error while saving!"));
}

}  // namespace tarvo
