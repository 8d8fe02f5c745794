#include "windows/FileMap.h"

#include "content/Controls.h"
#include "content/map/CancellableMap.h"
#include "content/map/DataInspector.h"
#include "content/map/KindColumns.h"
#include "content/map/OffsetText.h"
#include "content/map/RegionText.h"
#include "songfile/KvsLoader.h"
#include "ui/Application.h"
#include "ui/Caption.h"
#include "ui/CoverageStrip.h"
#include "ui/Dialogs.h"
#include "ui/HexView.h"
#include "ui/KindColours.h"
#include "ui/PageWidgets.h"
#include "ui/ReportList.h"
#include "ui/SaveFile.h"
#include "windows/FileMapLayout.h"
#include "windows/FileMapTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

namespace tarvo {
namespace {

// The longest a find step or a look at a mapping holds the window: a frame.
constexpr auto FindStepTime = std::chrono::milliseconds(12);
// The most bytes the window copies to the clipboard; Save Selection writes more.
constexpr std::uint64_t MaxCopyBytes = 16 * 1024 * 1024;
// The bytes of regions one fill of the hex colours covers: a few screens.
constexpr std::uint64_t ShadeBytes = 4096;
constexpr int InspectorTypeWidth = 80;

constexpr std::array<TKvsRegionKind, RegionKindCount> Kinds = {
    TKvsRegionKind::Header,  TKvsRegionKind::Field, TKvsRegionKind::Reserved,
    TKvsRegionKind::Skipped, TKvsRegionKind::Data,  TKvsRegionKind::Unread};

QString Hex(std::uint64_t value) {
  return QStringLiteral("0x") + THexView::HexNumber(value, 8);
}

// As `kvsdump --map` writes a share: one rounding for both.
QString Share(std::uint64_t part, std::uint64_t whole) {
  return QString::fromStdString(content::PercentText(part, whole));
}

QString PathText(const TKvsRegion& region) {
  return PathAndValueText(region.path, region.kind == TKvsRegionKind::Field, region.value);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& toolTip) {
  auto* const button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  button->setToolTip(toolTip);
  return button;
}

}  // namespace

TFrmFileMap::TFrmFileMap(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FrmFileMap"));
  setWindowTitle(QStringLiteral("File Map"));
  SetWindowFont(this);
  resize(1100, 640);

  auto* const layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  MakeCoverage(layout);
  MakeTools(layout);
  layout->addWidget(MakePanes(), 1);
  MakeBottom(layout);

  findTimer_ = new QTimer(this);
  findTimer_->setInterval(0);
  mapTimer_ = new QTimer(this);
  mapTimer_->setInterval(30);
  Connect();
  MakeKeys();
  ShowSong(nullptr, QString());
}

void TFrmFileMap::MakeCoverage(QVBoxLayout* layout) {
  Strip = new TCoverageStrip(this);
  layout->addWidget(Strip);
  auto* const legend = new QHBoxLayout();
  LblCoverage = new QLabel(this);
  LblCoverage->setObjectName(QStringLiteral("LblCoverage"));
  LblCoverage->setTextFormat(Qt::PlainText);
  legend->addWidget(LblCoverage);
  for (const TKvsRegionKind kind : Kinds) {
    auto* const label = new QLabel(this);
    label->setObjectName(QStringLiteral("LblKind_") + QLatin1String(RegionKindName(kind)));
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, KindColour(kind));
    colours.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(colours);
    label->setContentsMargins(4, 1, 4, 1);
    label->setText(QLatin1String(RegionKindName(kind)));
    legend->addWidget(label);
  }
  legend->addStretch(1);
  layout->addLayout(legend);
}

void TFrmFileMap::MakeTools(QVBoxLayout* layout) {
  auto* const tools = new QHBoxLayout();
  EdtGoTo = new QLineEdit(this);
  EdtGoTo->setObjectName(QStringLiteral("EdtGoTo"));
  EdtGoTo->setPlaceholderText(QStringLiteral("0x1A2C or 6700"));
  EdtGoTo->setFixedWidth(130);
  tools->addWidget(MakeCaption(this, QStringLiteral("Go to:"), EdtGoTo));
  tools->addWidget(EdtGoTo);
  tools->addSpacing(12);
  EdtFind = new QLineEdit(this);
  EdtFind->setObjectName(QStringLiteral("EdtFind"));
  EdtFind->setPlaceholderText(QStringLiteral("4B 56 ?? 53"));
  CbxFindMode = new QComboBox(this);
  CbxFindMode->setObjectName(QStringLiteral("CbxFindMode"));
  CbxFindMode->addItems({QStringLiteral("Hex"), QStringLiteral("Text")});
  CbxFindMode->setAccessibleName(QStringLiteral("Find as"));
  tools->addWidget(MakeCaption(this, QStringLiteral("Find:"), EdtFind));
  tools->addWidget(CbxFindMode);
  tools->addWidget(EdtFind, 1);
  // Both pairs in one order, Previous before Next, as the keys go.
  BtnFindPrevious = Button(this, "BtnFindPrevious", QStringLiteral("Previous Match"),
                           QStringLiteral("Find the previous match (Shift+F3)"));
  BtnFindNext = Button(this, "BtnFindNext", QStringLiteral("Next Match"), QStringLiteral("Find the next match (F3)"));
  BtnCancelFind = Button(this, "BtnCancelFind", QStringLiteral("Cancel"), QStringLiteral("Stop the search (Esc)"));
  BtnCancelFind->setEnabled(false);
  tools->addWidget(BtnFindPrevious);
  tools->addWidget(BtnFindNext);
  tools->addWidget(BtnCancelFind);
  tools->addSpacing(12);
  CbxRegionKind = new QComboBox(this);
  CbxRegionKind->setObjectName(QStringLiteral("CbxRegionKind"));
  for (const TKvsRegionKind kind : Kinds)
    CbxRegionKind->addItem(QLatin1String(RegionKindName(kind)), static_cast<int>(kind));
  CbxRegionKind->setCurrentIndex(CbxRegionKind->findData(static_cast<int>(TKvsRegionKind::Unread)));
  tools->addWidget(MakeCaption(this, QStringLiteral("Region:"), CbxRegionKind));
  tools->addWidget(CbxRegionKind);
  BtnPreviousOfKind = Button(this, "BtnPreviousOfKind", QStringLiteral("Previous Region"),
                             QStringLiteral("Go to the previous region of this kind (Ctrl+Shift+N)"));
  BtnNextOfKind = Button(this, "BtnNextOfKind", QStringLiteral("Next Region"),
                         QStringLiteral("Go to the next region of this kind (Ctrl+N)"));
  tools->addWidget(BtnPreviousOfKind);
  tools->addWidget(BtnNextOfKind);
  layout->addLayout(tools);
}

QSplitter* TFrmFileMap::MakePanes() {
  auto* const split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName(QStringLiteral("SplFileMap"));
  TreRegions = new QTreeView(split);
  TreRegions->setObjectName(QStringLiteral("TreRegions"));
  TreRegions->setAccessibleName(QStringLiteral("Regions"));
  tree_ = new TFileMapTree(TreRegions);
  TreRegions->setModel(tree_);
  TreRegions->setUniformRowHeights(true);
  TreRegions->setSelectionBehavior(QAbstractItemView::SelectRows);
  TreRegions->setSelectionMode(QAbstractItemView::SingleSelection);
  TreRegions->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreRegions->setSortingEnabled(false);
  TreRegions->setWordWrap(false);
  TreRegions->setTextElideMode(Qt::ElideRight);
  TreRegions->header()->setStretchLastSection(true);
  TreRegions->header()->setSectionsClickable(false);
  TreRegions->setColumnWidth(TFileMapTree::ColOffset, 112);
  TreRegions->setColumnWidth(TFileMapTree::ColSize, 48);
  TreRegions->setColumnWidth(TFileMapTree::ColKind, 48);
  TreRegions->setColumnWidth(TFileMapTree::ColName, 100);
  TreRegions->setMinimumWidth(120);
  HexView = new THexView(split);
  auto* const side = new QWidget(split);
  auto* const sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  CbxBigEndian = new QCheckBox(QStringLiteral("Big-endian"), side);
  CbxBigEndian->setObjectName(QStringLiteral("CbxBigEndian"));
  sideLayout->addWidget(CbxBigEndian);
  LstInspector = MakeReportView(side, QStringLiteral("LstInspector"));
  LstInspector->setAccessibleName(QStringLiteral("Data inspector"));
  sideLayout->addWidget(LstInspector, 1);
  // The inspector's values are not cut: the tree gives way first.
  side->setMinimumWidth(InspectorTypeWidth + InspectorValueWidth() + 2 * LstInspector->frameWidth() +
                        LstInspector->verticalScrollBar()->sizeHint().width() + 4);
  split->addWidget(TreRegions);
  split->addWidget(HexView);
  split->addWidget(side);
  // The hex view keeps its width; the tree and the inspector give way.
  split->setCollapsible(1, false);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 0);
  split->setStretchFactor(2, 1);
  const int hex = HexView->sizeHint().width();
  const int inspector = side->minimumWidth();
  split->setSizes({std::max(TreRegions->minimumWidth(), width() - 12 - hex - inspector - 2 * split->handleWidth()), hex,
                   inspector});
  return split;
}

void TFrmFileMap::MakeBottom(QVBoxLayout* layout) {
  auto* const bottom = new QHBoxLayout();
  LblStatus = new QLabel(this);
  LblStatus->setObjectName(QStringLiteral("LblStatus"));
  LblStatus->setTextFormat(Qt::PlainText);
  LblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // What the status says never widens the window; what does not fit is cut.
  LblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  LblStatus->setMinimumWidth(1);
  bottom->addWidget(LblStatus, 1);
  BtnCopyHex = Button(this, "BtnCopyHex", QStringLiteral("Copy Hex"), QStringLiteral("Ctrl+C"));
  BtnCopyText = Button(this, "BtnCopyText", QStringLiteral("Copy Text"), QStringLiteral("Ctrl+Shift+C"));
  BtnSaveSelection = Button(this, "BtnSaveSelection", QStringLiteral("Save Selection..."), QString());
  bottom->addWidget(BtnCopyHex);
  bottom->addWidget(BtnCopyText);
  bottom->addWidget(BtnSaveSelection);
  BtnCompareWith = Button(this, "BtnCompareWith", QStringLiteral("Compare with..."),
                          QStringLiteral("Compare this song with another file"));
  bottom->addWidget(BtnCompareWith);
  layout->addLayout(bottom);
}

void TFrmFileMap::Connect() {
  HexView->SetShading([this](std::uint64_t offset, std::uint64_t& runEnd) { return Shade(offset, runEnd); });
  HexView->SetToolTip([this](std::uint64_t offset) { return PlaceText(offset); });

  connect(TreRegions->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { Guarded(this, &TFrmFileMap::TreeRowChanged)(current); });
  connect(HexView, &THexView::ByteClicked, this, Guarded(this, &TFrmFileMap::ByteClicked));
  connect(HexView, &THexView::CursorMoved, this, Guarded(this, &TFrmFileMap::CursorMoved));
  connect(Strip, &TCoverageStrip::Clicked, this, Guarded(this, &TFrmFileMap::GoToOffset));
  connect(EdtGoTo, &QLineEdit::returnPressed, this, Guarded(this, &TFrmFileMap::EdtGoToReturn));
  connect(EdtFind, &QLineEdit::returnPressed, this, Guarded(this, &TFrmFileMap::FindNext));
  connect(BtnFindNext, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::FindNext));
  connect(BtnFindPrevious, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::FindPrevious));
  connect(BtnCancelFind, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::CancelFind));
  connect(findTimer_, &QTimer::timeout, this, Guarded(this, &TFrmFileMap::FindStep));
  connect(mapTimer_, &QTimer::timeout, this, Guarded(this, &TFrmFileMap::MappingStep));
  connect(BtnNextOfKind, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::NextOfKind));
  connect(BtnPreviousOfKind, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::PreviousOfKind));
  connect(CbxBigEndian, &QCheckBox::toggled, this, [this] { UpdateInspector(); });
  connect(BtnCopyHex, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::CopyHex));
  connect(BtnCopyText, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::CopyText));
  connect(BtnSaveSelection, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::SaveSelection));
  connect(BtnCompareWith, &QPushButton::clicked, this, Guarded(this, &TFrmFileMap::CompareWithClick));
}

void TFrmFileMap::MakeKeys() {
  auto key = [this](const QKeySequence& sequence, const char* name, void (TFrmFileMap::*handler)()) {
    auto* const shortcut = new QShortcut(sequence, this);
    shortcut->setObjectName(QLatin1String(name));
    connect(shortcut, &QShortcut::activated, this, Guarded(this, handler));
  };
  auto focus = [this](const QKeySequence& sequence, const char* name, QLineEdit* edit) {
    auto* const shortcut = new QShortcut(sequence, this);
    shortcut->setObjectName(QLatin1String(name));
    connect(shortcut, &QShortcut::activated, edit, [edit] {
      edit->setFocus(Qt::ShortcutFocusReason);
      edit->selectAll();
    });
  };
  focus(QKeySequence(Qt::CTRL | Qt::Key_G), "KeyGoTo", EdtGoTo);
  focus(QKeySequence(Qt::CTRL | Qt::Key_F), "KeyFind", EdtFind);
  key(QKeySequence(Qt::Key_F3), "KeyFindNext", &TFrmFileMap::FindNext);
  key(QKeySequence(Qt::SHIFT | Qt::Key_F3), "KeyFindPrevious", &TFrmFileMap::FindPrevious);
  key(QKeySequence(Qt::Key_Escape), "KeyCancelFind", &TFrmFileMap::Cancel);
  key(QKeySequence(Qt::CTRL | Qt::Key_N), "KeyNextOfKind", &TFrmFileMap::NextOfKind);
  key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), "KeyPreviousOfKind", &TFrmFileMap::PreviousOfKind);
  key(QKeySequence(Qt::CTRL | Qt::Key_C), "KeyCopyHex", &TFrmFileMap::CopyHex);
  key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), "KeyCopyText", &TFrmFileMap::CopyText);
}

TFrmFileMap::~TFrmFileMap() { StopMapping(); }

std::span<const std::uint8_t> TFrmFileMap::Bytes() const {
  if (song_ == nullptr || song_->StreamData() == nullptr) return {};
  return {song_->StreamData(), song_->StreamSize()};
}

void TFrmFileMap::ShowSong(content::Song song, const QString& fileName) {
  CancelFind();
  StopMapping();
  lastFound_.reset();
  goToWhenMapped_.reset();
  goToChunkWhenMapped_.reset();
  shadeRuns_.clear();
  // Nothing may read the old song once it goes.
  tree_->SetMap(nullptr);
  HexView->SetBytes({});
  Strip->SetFile(0, {});
  map_.reset();
  song_ = std::move(song);
  path_ = song_ != nullptr ? fileName : QString();
  BtnCompareWith->setEnabled(song_ != nullptr);
  SetPlainWindowTitle(this, song_ != nullptr ? QStringLiteral("File Map - ") + QFileInfo(fileName).fileName()
                                             : QStringLiteral("File Map"));
  HexView->SetBytes(Bytes());
  SetStatus(QString());
  if (song_ != nullptr && song_->StreamSize() > MapAtOnceBytes) {
    StartMapping();
  } else {
    if (song_ != nullptr) map_ = std::make_unique<content::MapAndColumns>(content::MapWithColumns(*song_));
    ShowMap();
  }
}

bool TFrmFileMap::Mapping() const { return mapping_.valid(); }

void TFrmFileMap::StartMapping() {
  mapProgress_ = std::make_unique<content::MapProgress>();
  // The thread shares the song, so it may finish after the window let go.
  mapping_ = std::async(std::launch::async, [song = song_, progress = mapProgress_.get()] {
    std::optional<content::MapAndColumns> made = content::MapWithColumns(*song, *progress);
    return made ? std::make_unique<content::MapAndColumns>(std::move(*made)) : nullptr;
  });
  UpdateCoverage();
  UpdateInspector();
  SetStatus(QStringLiteral("Mapping... 0% (Esc stops)"));
  mapTimer_->start();
}

void TFrmFileMap::StopMapping() {
  if (!mapping_.valid()) return;
  mapTimer_->stop();
  mapProgress_->cancel = true;
  mapping_.get();
  mapProgress_.reset();
}

void TFrmFileMap::MappingStep() {
  if (!mapping_.valid()) return;
  if (mapping_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    const std::uint64_t total = std::max<std::uint64_t>(1, song_->StreamSize());
    SetStatus(QStringLiteral("Mapping... ") + QString::number(100 * mapProgress_->reached.load() / total) +
              QStringLiteral("% (Esc stops)"));
    return;
  }
  mapTimer_->stop();
  std::unique_ptr<content::MapAndColumns> made = mapping_.get();
  mapProgress_.reset();
  if (!made) {
    SetStatus(QStringLiteral("Mapping stopped: the bytes show without their regions."));
    return;
  }
  map_ = std::move(made);
  ShowMap();
}

// The map is there (or there is none): the tree, the strip and the figures.
void TFrmFileMap::ShowMap() {
  if (map_) {
    tree_->SetMap(&map_->map);
    Strip->SetFile(map_->map.FileSize(),
                   [this](std::uint64_t from, std::uint64_t to, std::vector<std::pair<QColor, std::uint64_t>>& parts) {
                     const content::KindBytes bytes = map_->columns.Between(from, to);
                     for (const TKvsRegionKind kind : Kinds)
                       if (bytes[static_cast<std::size_t>(kind)] > 0)
                         parts.emplace_back(KindColour(kind), bytes[static_cast<std::size_t>(kind)]);
                   });
    HexView->viewport()->update();
  }
  UpdateCoverage();
  UpdateInspector();
  SetStatus(QString());
  const std::uint64_t goTo = goToWhenMapped_.value_or(0);
  const std::optional<std::uint32_t> chunk = goToChunkWhenMapped_;
  goToWhenMapped_.reset();
  goToChunkWhenMapped_.reset();
  if (!map_ || map_->map.FileSize() == 0) return;
  if (chunk)
    GoToLogChunk(goTo, *chunk);
  else
    GoToOffset(goTo);
}

void TFrmFileMap::UpdateCoverage() {
  const std::uint64_t total = map_ ? map_->map.FileSize() : 0;
  LblCoverage->setText(QString::number(total) + QStringLiteral(" bytes:"));
  for (const TKvsRegionKind kind : Kinds) {
    auto* const label = findChild<QLabel*>(QStringLiteral("LblKind_") + QLatin1String(RegionKindName(kind)));
    const std::uint64_t bytes = map_ ? map_->map.coverage()[kind] : 0;
    label->setText(QLatin1String(RegionKindName(kind)) + QLatin1Char(' ') + Share(bytes, total) +
                   QStringLiteral(" (") + QString::number(bytes) + QLatin1Char(')'));
  }
}

void TFrmFileMap::FillShadeRuns(std::uint64_t offset) {
  shadeRuns_.clear();
  const content::RegionMap& map = map_->map;
  const std::uint64_t limit = std::min(map.FileSize(), offset + ShadeBytes);
  std::uint64_t from = offset;
  // Many tiny chunks take a call each; the fill stops after a few hundred.
  for (int calls = 0; from < limit && calls < 512; ++calls) {
    const std::size_t top = map.TopLevelAt(from);
    if (top >= map.TopLevelCount()) break;
    const std::vector<TKvsRegion> regions = map.Children(top, from, 512);
    if (regions.empty()) break;
    for (const TKvsRegion& region : regions)
      shadeRuns_.push_back({region.offset, region.offset + region.size, region.kind});
    if (shadeRuns_.back().end <= from) break;
    from = shadeRuns_.back().end;
  }
}

QColor TFrmFileMap::Shade(std::uint64_t offset, std::uint64_t& runEnd) {
  if (!map_) return QColor();
  auto covers = [&] {
    return !shadeRuns_.empty() && shadeRuns_.front().offset <= offset && offset < shadeRuns_.back().end;
  };
  if (!covers()) FillShadeRuns(offset);
  if (!covers()) return QColor();
  const auto after = std::upper_bound(shadeRuns_.begin(), shadeRuns_.end(), offset,
                                      [](std::uint64_t value, const ShadeRun& run) { return value < run.offset; });
  if (after == shadeRuns_.begin()) return QColor();
  const ShadeRun& run = *(after - 1);
  if (offset >= run.end) return QColor();
  runEnd = run.end;
  return KindColour(run.kind);
}

QString TFrmFileMap::PlaceText(std::uint64_t offset) const {
  if (!map_) return QString();
  const std::optional<TKvsRegion> region = map_->map.RegionAt(offset);
  QString text = Hex(offset);
  if (region) text += QStringLiteral("  ") + QLatin1String(RegionKindName(region->kind)) + QStringLiteral("  ") + PathText(*region);
  return text;
}

void TFrmFileMap::SetStatus(const QString& text) { LblStatus->setText(text); }

void TFrmFileMap::TreeRowChanged(const QModelIndex& current) {
  if (following_ || !current.isValid()) return;
  const std::uint64_t size = tree_->Size(current);
  if (size == 0) return;
  following_ = true;
  HexView->Select(tree_->Offset(current), size);
  following_ = false;
  SetStatus(Hex(tree_->Offset(current)) + QStringLiteral("  ") + tree_->PathAndValue(current));
}

QModelIndex TFrmFileMap::SelectTreeRowAt(std::uint64_t offset, bool mark) {
  const QModelIndex index = tree_->IndexAt(offset);
  if (!index.isValid()) return index;
  following_ = true;
  // Jumps about a big file would otherwise keep every branch they opened.
  tree_->Trim(index, [this](const QModelIndex& branch) {
    if (TreRegions->isExpanded(branch)) TreRegions->collapse(branch);
  });
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) TreRegions->expand(up);
  TreRegions->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  TreRegions->scrollTo(index);
  // The region's bytes are marked; the cursor stays on the byte.
  if (mark) HexView->Select(tree_->Offset(index), tree_->Size(index));
  following_ = false;
  return index;
}

void TFrmFileMap::ShowPlace(std::uint64_t offset, const QModelIndex& row) {
  // The tree's row holds the region already: no second reading for the text.
  if (!row.isValid()) {
    SetStatus(PlaceText(offset));
    return;
  }
  const QString kind = tree_->data(row.siblingAtColumn(TFileMapTree::ColKind)).toString();
  SetStatus(Hex(offset) + QStringLiteral("  ") + kind + QStringLiteral("  ") + tree_->PathAndValue(row));
}

void TFrmFileMap::ByteClicked(std::uint64_t offset) { ShowPlace(offset, SelectTreeRowAt(offset, true)); }

void TFrmFileMap::CursorMoved(std::uint64_t offset) {
  Strip->SetCursor(offset);
  UpdateInspector();
  // A key, Find or a drag moved the cursor: the tree follows, the bytes the
  // user marked stay marked.
  if (!following_ && map_) ShowPlace(offset, SelectTreeRowAt(offset, false));
}

void TFrmFileMap::GoToOffset(std::uint64_t offset) {
  const std::span<const std::uint8_t> bytes = Bytes();
  if (bytes.empty()) return;
  offset = std::min<std::uint64_t>(offset, bytes.size() - 1);
  following_ = true;
  HexView->Select(offset, 1, offset);
  following_ = false;
  if (Mapping()) {
    goToWhenMapped_ = offset;
    goToChunkWhenMapped_.reset();
    return;
  }
  ShowPlace(offset, SelectTreeRowAt(offset, true));
}

void TFrmFileMap::GoToLogChunk(std::uint64_t offset, std::uint32_t id) {
  if (map_) {
    if (const std::optional<TKvsRegion> chunk = map_->map.ChunkOfLogLine(offset, id)) offset = chunk->offset;
  }
  GoToOffset(offset);
  // Where the chunk starts is known once the map is.
  if (Mapping()) goToChunkWhenMapped_ = id;
}

void TFrmFileMap::GoToModule(std::size_t moduleIndex) {
  if (!map_) return;
  // Module records are the chunks labelled "Modules/i"; only those are asked.
  const std::string label = "Modules/" + std::to_string(moduleIndex);
  const content::RegionMap& map = map_->map;
  for (std::size_t top = 0; top < map.TopLevelCount(); ++top) {
    const std::optional<std::uint32_t> id = map.TopLevelChunkId(top);
    if (!id || !content::IsModuleChunk(*id)) continue;
    const TKvsRegion region = map.TopLevel(top);
    if (region.path == label) {
      GoToOffset(region.offset);
      return;
    }
  }
  SetStatus(QStringLiteral("Module ") + QString::number(moduleIndex) + QStringLiteral(" has no record in the file."));
}

void TFrmFileMap::EdtGoToReturn() {
  const std::optional<std::uint64_t> offset = content::ParseOffset(EdtGoTo->text().toStdString());
  if (!offset) {
    SetStatus(QStringLiteral("Not an offset: hexadecimal with 0x, or decimal."));
    return;
  }
  if (*offset >= Bytes().size()) {
    SetStatus(QStringLiteral("Past the end of the file (") + QString::number(Bytes().size()) + QStringLiteral(" bytes)."));
    return;
  }
  GoToOffset(*offset);
  HexView->setFocus();
}

void TFrmFileMap::FindNext() { StartFind(true); }

void TFrmFileMap::FindPrevious() { StartFind(false); }

bool TFrmFileMap::Searching() const { return search_ != nullptr; }

void TFrmFileMap::CancelFind() {
  if (!search_) return;
  findTimer_->stop();
  search_.reset();
  BtnCancelFind->setEnabled(false);
  SetStatus(QStringLiteral("Search cancelled."));
}

void TFrmFileMap::Cancel() {
  if (Searching()) {
    CancelFind();
    return;
  }
  if (Mapping()) {
    StopMapping();
    SetStatus(QStringLiteral("Mapping stopped: the bytes show without their regions."));
  }
}

void TFrmFileMap::StartFind(bool forward) {
  CancelFind();
  const std::span<const std::uint8_t> bytes = Bytes();
  if (bytes.empty()) return;
  std::optional<content::SearchPattern> pattern;
  if (CbxFindMode->currentIndex() == 0) {
    pattern = content::ParseHexPattern(EdtFind->text().toStdString());
    if (!pattern) {
      SetStatus(QStringLiteral("Not a hex pattern: pairs of hex digits or ??, e.g. 4B 56 ?? 53."));
      return;
    }
  } else {
    // The text as the file would hold it: one byte per character. Others
    // would turn into '?' and find real question marks.
    const QString text = EdtFind->text();
    if (text.isEmpty()) return;
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; })) {
      SetStatus(QStringLiteral("Text mode finds Latin-1 characters only."));
      return;
    }
    const QByteArray latin1 = text.toLatin1();
    pattern = content::TextPattern(std::string_view(latin1.constData(), static_cast<std::size_t>(latin1.size())));
  }
  // From the match found last while it is still selected: Next finds the one
  // starting after its start, Previous the one starting before it, however
  // matches overlap it. Otherwise from the cursor.
  const bool onMatch = lastFound_ && HexView->SelectionStart() == *lastFound_ &&
                       HexView->SelectionSize() == lastFoundSize_;
  const std::uint64_t from = onMatch ? *lastFound_ : HexView->Cursor();
  const std::uint64_t start = forward && onMatch ? from + 1 : from;
  searchSize_ = pattern->size();
  search_ = std::make_unique<content::SteppedSearch>(bytes, std::move(*pattern), start, forward);
  BtnCancelFind->setEnabled(true);
  NoteFindPattern(*this);
  FindStep();
}

void TFrmFileMap::FindStep() {
  if (!search_) return;
  if (!search_->StepFor(FindStepTime)) {
    const std::uint64_t total = std::max<std::uint64_t>(1, search_->Total());
    SetStatus(QStringLiteral("Searching... ") + QString::number(100 * search_->Scanned() / total) +
              QStringLiteral("% (Esc stops)"));
    findTimer_->start();
    return;
  }
  findTimer_->stop();
  BtnCancelFind->setEnabled(false);
  const std::optional<std::uint64_t> found = search_->Result();
  const bool wrapped = search_->Wrapped();
  search_.reset();
  if (!found) {
    SetStatus(QStringLiteral("Not found."));
    return;
  }
  HexView->Select(*found, searchSize_, *found);
  lastFound_ = HexView->SelectionStart();
  lastFoundSize_ = HexView->SelectionSize();
  SetStatus(QStringLiteral("Found at ") + Hex(*found) + (wrapped ? QStringLiteral(" (wrapped around)") : QString()));
}

void TFrmFileMap::ShowRegion(const std::optional<TKvsRegion>& region, const char* kindName) {
  if (!region) {
    SetStatus(QStringLiteral("No more ") + QLatin1String(kindName) + QStringLiteral(" regions."));
    return;
  }
  following_ = true;
  HexView->Select(region->offset, 1, region->offset);
  following_ = false;
  SelectTreeRowAt(region->offset, true);
  SetStatus(Hex(region->offset) + QStringLiteral("  ") + QLatin1String(kindName) + QStringLiteral("  ") + PathText(*region));
}

TKvsRegionKind TFrmFileMap::ChosenKind() const {
  return static_cast<TKvsRegionKind>(CbxRegionKind->currentData().toInt());
}

void TFrmFileMap::NextOfKind() {
  if (!map_) return;
  const TKvsRegionKind kind = ChosenKind();
  ShowRegion(map_->map.NextOfKind(HexView->Cursor(), kind), RegionKindName(kind));
}

void TFrmFileMap::PreviousOfKind() {
  if (!map_) return;
  const TKvsRegionKind kind = ChosenKind();
  // From the start of the region the cursor is in, so that it is not found again.
  std::uint64_t from = HexView->Cursor();
  if (const std::optional<TKvsRegion> here = map_->map.RegionAt(from)) from = here->offset;
  ShowRegion(map_->map.PreviousOfKind(from, kind), RegionKindName(kind));
}

// Wide enough for the longest value but a text: "unknown object (-2147483648)".
int TFrmFileMap::InspectorValueWidth() const {
  return LstInspector->fontMetrics().horizontalAdvance(QStringLiteral("unknown object (-2147483648)")) + 16;
}

void TFrmFileMap::UpdateInspector() {
  const std::span<const std::uint8_t> bytes = Bytes();
  const std::uint64_t cursor = HexView->Cursor();
  std::vector<std::vector<std::string>> rows;
  if (!bytes.empty() && cursor < bytes.size()) {
    for (content::InspectorRow& row :
         content::InspectBytes(bytes.data() + cursor, bytes.size() - cursor, CbxBigEndian->isChecked()))
      rows.push_back({std::move(row.type), std::move(row.value)});
  }
  SetReportTable(LstInspector, content::FixedTable({{"Type", InspectorTypeWidth}, {"Value", InspectorValueWidth()}},
                                                   std::move(rows)));
}

// A selection to copy, and not one too large for the clipboard.
bool TFrmFileMap::CanCopySelection() {
  if (Bytes().empty() || HexView->SelectionSize() == 0) return false;
  if (HexView->SelectionSize() > MaxCopyBytes) {
    SetStatus(QStringLiteral("The selection is too large to copy; Save Selection... writes it to a file."));
    return false;
  }
  return true;
}

void TFrmFileMap::CopyHex() {
  const std::span<const std::uint8_t> bytes = Bytes();
  if (!CanCopySelection()) return;
  QString text;
  text.reserve(static_cast<qsizetype>(HexView->SelectionSize() * 3));
  for (std::uint64_t i = 0; i < HexView->SelectionSize(); ++i) {
    if (i > 0) text += QLatin1Char(' ');
    THexView::AppendHexByte(text, bytes[HexView->SelectionStart() + i]);
  }
  QApplication::clipboard()->setText(text);
}

void TFrmFileMap::CopyText() {
  const std::span<const std::uint8_t> bytes = Bytes();
  if (!CanCopySelection()) return;
  // As the hex view's text column shows them: control bytes as dots.
  QString text;
  text.reserve(static_cast<qsizetype>(HexView->SelectionSize()));
  for (std::uint64_t i = 0; i < HexView->SelectionSize(); ++i)
    text += THexView::TextChar(bytes[HexView->SelectionStart() + i]);
  QApplication::clipboard()->setText(text);
}

void TFrmFileMap::SaveSelection() {
  const std::span<const std::uint8_t> bytes = Bytes();
  if (bytes.empty() || HexView->SelectionSize() == 0) return;
  // The dialog asks before it replaces a file.
  const std::optional<QString> path = CurrentDialogs().SaveFileName(this, QStringLiteral("Save Selection"),
                                                                    {QStringLiteral("All Files (*)")}, QString());
  if (!path) return;
  if (!WriteWholeFile(*path, bytes.data() + HexView->SelectionStart(), HexView->SelectionSize()))
    CurrentDialogs().Message(this, QStringLiteral("Error while saving!"));
}

}  // namespace tarvo
