#include "tools/kvsdump/SongView.h"

#include "content/pages/MainContent.h"
#include "tools/kvsdump/OutputText.h"
#include "content/viewers/ViewerContent.h"

#include <initializer_list>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tarvo::kvsdump {

namespace {

using content::Page;

constexpr ControlKey MainKeys[] = {
    {"", "Pages", KeyRole::TabCaption},
    {"", "PagesGlobal", KeyRole::TabCaption},
    {"Global", "EdtFileVersion"},
    {"Global", "EdtTempo"},
    {"Global", "EdtPPQ"},
    {"Global", "EdtLoopStartEnd"},
    {"Global", "CbxLoopOn"},
    {"Global", "EdtSongLength"},
    {"Global", "EdtPlayMode"},
    {"Global", "EdtMasterVolume"},
    {"Global", "EdtClipMode"},
    {"Global", "CbxGlobalVolumeDeactive"},
    {"Global", "CbxBundleSampler"},
    {"Global", "CbxBundleZumbox"},
    {"Global", "EdtTuningTableName"},
    {"Global", "EdtRootKey"},
    {"Global", "LstTuningTable"},
    {"Global", "CbxPlVisible"},
    {"Global", "CbxDragModuleEvents"},
    {"Global", "CbxDragMixerEvents"},
    {"Global", "EdtPlSnap"},
    {"Global", "EdtPlHilite"},
    {"Global", "CbxSnapToGrid"},
    {"Global", "CbxShowNotes"},
    {"Global", "EdtSignature"},
    {"Global", "EdtPlZoom"},
    {"Global", "EdtPlPosition"},
    {"Global", "EdtPlFlags"},
    {"Global", "LstGWindowPosInfo"},
    {"Song Info", "MmoSongInfo"},
    {"Song Info", "EdtSongInfoUrl"},
    {"Song Info", "CbxShowSongInfo"},
    {"Modules", "EdtNumberOfModules"},
    {"Modules", "LstModules"},
    {"Channels", "EdtChannelCount"},
    {"Channels", "EdtReturnChannelCount"},
    {"Channels", "LstChannels"},
    {"Audio Clips", "EdtAudioClipCount"},
    {"Audio Clips", "LstAudioClips"},
    {"SendFX Assign", "EdtFXAssignDataSize"},
    {"SendFX Assign", "LstSendFXAssigns"},
    {"Song Events", "EdtEventDataSize"},
    {"Song Events", "CbxSongEventDataSet"},
    {"Song Events", "LstSongEvents", KeyRole::FirstDataSet},
    {"Playlist", "EdtPatternDataSize"},
    {"Playlist", "LstPatterns"},
    {"Window State", "EdtWindowDataSize"},
    {"Window State", "EdtWindowCount"},
    {"Window State", "LstWindowPosInfo"},
    {"Chunks", "LstChunks"},
    {"Loader Messages", "LoaderMessages"},
};

constexpr ControlKey ModuleKeys[] = {
    {"", "LblModule"},
    {"", "LblType"},
    {"", "LstChannels"},
    {"", "LstPlaylistTracks"},
    {"", "EdtVSTSynthPluginName"},
    {"", "EdtVSTSynthProgram"},
    {"", "EdtVSTSynthTracks"},
    {"", "EdtVSTSynthAudioChans"},
    {"", "LstVSTSynthAudioChanPins"},
    {"", "Pages", KeyRole::TabCaption},
};

constexpr ControlKey DataKeys[] = {
    {"", "LblChunk"},
    {"", "LblChunkSize"},
    {"", "CbxDataSet", KeyRole::ChunkDump},
    {"", "LstChunks", KeyRole::ChunkDump},
};

// Looks every key up in `layers`, latest first: a control a step did not
// touch shows what an earlier one (or the designed layout) left.
std::vector<Shown> Resolve(std::span<const ControlKey> keys,
                           std::initializer_list<std::span<const Page>> layers,
                           std::string_view what) {
  std::vector<Shown> shown;
  shown.reserve(keys.size());
  for (const ControlKey& key : keys) {
    const content::Value* value = nullptr;
    for (const std::span<const Page> layer : layers) {
      for (const Page& page : layer) {
        if (const content::Control* const control = page.Find(key.name)) {
          value = &control->value;
          break;
        }
      }
      if (value != nullptr) break;
    }
    if (value == nullptr) {
      throw std::logic_error("the " + std::string(what) + " has no control " +
                             std::string(key.name));
    }
    if (key.role == KeyRole::TabCaption && !std::holds_alternative<std::string>(*value)) {
      throw std::logic_error("the " + std::string(what) + " control " + std::string(key.name) +
                             " is not a page control");
    }
    shown.push_back({&key, value});
  }
  return shown;
}

// The pages in the order the window fills them; after a load that did not
// succeed, what ClearAllViews leaves.
std::vector<Page> MainPages(const TKvsLoader& loader, bool loaded) {
  return loaded ? content::FillAllPages(loader) : content::ClearedPages();
}

// What a freshly created window shows and the load flow does not change:
// the active pages, and the data-set choice that clearing leaves alone. The
// message list holds the load's log.
Page FreshWindow(TLogLines log) {
  Page window;
  window.Add("Pages", std::string("Global"));
  window.Add("PagesGlobal", std::string("Song Settings"));
  window.Add("CbxSongEventDataSet", content::Combo{});
  window.Add("LoaderMessages", content::Lines{std::move(log)});
  return window;
}

}  // namespace

std::span<const ControlKey> MainWindowKeys() { return MainKeys; }
std::span<const ControlKey> ModuleViewerKeys() { return ModuleKeys; }
std::span<const ControlKey> DataViewerKeys() { return DataKeys; }

std::string DisplayedText(const Shown& shown) {
  const std::string& text = std::get<std::string>(*shown.value);
  return shown.key->role == KeyRole::TabCaption ? TabCaptionAsDisplayed(text) : text;
}

int SelectedIndex(const content::Combo& combo) { return combo.selected < 0 ? -1 : combo.selected; }

SongView::SongView(const TKvsLoader& loader, Outcome outcome, TLogLines log)
    : loader_(loader),
      loaded_(outcome == Outcome::Loaded),
      pages_(MainPages(loader, loaded_)),
      window_(FreshWindow(std::move(log))),
      moduleViewer_(content::ModuleViewerDesigned()),
      dataViewer_(content::DataViewerDesigned()),
      main_(Resolve(MainKeys, {std::span<const Page>(pages_), std::span<const Page>(&window_, 1)},
                    "main window")) {}

const TLogLines& SongView::Log() const {
  return window_.Items("LoaderMessages").lines;
}

std::size_t SongView::ModuleCount() const { return loaded_ ? loader_.Modules().size() : 0; }

ShownViewer SongView::Module(std::size_t index) const {
  ShownViewer viewer{content::ShowModule(loader_, *loader_.Modules().at(index)), {}};
  viewer.controls =
      Resolve(ModuleKeys,
              {std::span<const Page>(&viewer.page, 1), std::span<const Page>(&moduleViewer_, 1)},
              "module viewer");
  return viewer;
}

std::size_t SongView::ChunkCount() const { return loaded_ ? loader_.Chunks().size() : 0; }

ShownViewer SongView::Chunk(std::size_t index) const {
  ShownViewer viewer{content::ShowChunk(loader_.Chunks().at(index)), {}};
  viewer.controls = Resolve(
      DataKeys, {std::span<const Page>(&viewer.page, 1), std::span<const Page>(&dataViewer_, 1)},
      "chunk data viewer");
  return viewer;
}

content::Table SongView::EverySongEvent() const {
  // The set of the last row asked for; rows are asked for in order.
  struct CurrentSet {
    std::size_t start = std::numeric_limits<std::size_t>::max();
    content::Table rows;
  };
  auto current = std::make_shared<CurrentSet>();
  const TKvsLoader* const song = &loader_;
  std::vector<content::Column> columns = content::SongEventList(loader_, 0).Columns();
  const std::size_t count = loaded_ ? loader_.SongEvents().size() : 0;
  return content::Table(std::move(columns), count,
                        [song, current](std::size_t row, std::vector<std::string>& cells) {
                          const std::size_t start = row - row % content::SongEventDataSetSize;
                          if (current->start != start) {
                            current->rows = content::SongEventList(*song, start);
                            current->start = start;
                          }
                          current->rows.Row(row - start, cells);
                        });
}

}  // namespace tarvo::kvsdump
