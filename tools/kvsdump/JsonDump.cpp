#include "tools/kvsdump/JsonDump.h"

#include "mainwindow/content/Controls.h"
#include "mainwindow/content/MainContent.h"
#include "text/Latin1.h"
#include "tools/kvsdump/OutputText.h"
#include "windows/content/ViewerContent.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <initializer_list>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace tarvo::kvsdump {

namespace {

using content::Page;
using content::Value;

// The controls each part of the document shows, in the document's order.
// A page control's value is the caption of its active tab.
struct ControlKey {
  std::string_view name;
  bool tabCaption = false;
};

constexpr ControlKey MainKeys[] = {
    {"Pages", true}, {"PagesGlobal", true},
    // Global
    {"EdtFileVersion"}, {"EdtTempo"}, {"EdtPPQ"}, {"EdtLoopStartEnd"}, {"CbxLoopOn"},
    {"EdtSongLength"}, {"EdtPlayMode"}, {"EdtMasterVolume"}, {"EdtClipMode"},
    {"CbxGlobalVolumeDeactive"}, {"CbxBundleSampler"}, {"CbxBundleZumbox"},
    {"EdtTuningTableName"}, {"EdtRootKey"}, {"LstTuningTable"}, {"CbxPlVisible"},
    {"CbxDragModuleEvents"}, {"CbxDragMixerEvents"}, {"EdtPlSnap"}, {"EdtPlHilite"},
    {"CbxSnapToGrid"}, {"CbxShowNotes"}, {"EdtSignature"}, {"EdtPlZoom"}, {"EdtPlPosition"},
    {"EdtPlFlags"}, {"LstGWindowPosInfo"},
    // Song Info
    {"MmoSongInfo"}, {"EdtSongInfoUrl"}, {"CbxShowSongInfo"},
    // Modules
    {"EdtNumberOfModules"}, {"LstModules"},
    // Channels
    {"EdtChannelCount"}, {"EdtReturnChannelCount"}, {"LstChannels"},
    // Audio Clips
    {"EdtAudioClipCount"}, {"LstAudioClips"},
    // SendFX Assign
    {"EdtFXAssignDataSize"}, {"LstSendFXAssigns"},
    // Song Events
    {"EdtEventDataSize"}, {"CbxSongEventDataSet"}, {"LstSongEvents"},
    // Playlist
    {"EdtPatternDataSize"}, {"LstPatterns"},
    // Window State
    {"EdtWindowDataSize"}, {"EdtWindowCount"}, {"LstWindowPosInfo"},
    // Chunks
    {"LstChunks"},
    // Loader Messages
    {"LoaderMessages"},
};

constexpr ControlKey ModuleViewerKeys[] = {
    {"LblModule"},
    {"LblType"},
    {"LstChannels"},
    {"LstPlaylistTracks"},
    {"EdtVSTSynthPluginName"},
    {"EdtVSTSynthProgram"},
    {"EdtVSTSynthTracks"},
    {"EdtVSTSynthAudioChans"},
    {"LstVSTSynthAudioChanPins"},
    {"Pages", true},
};

constexpr ControlKey DataViewerKeys[] = {
    {"LblChunk"},
    {"LblChunkSize"},
    {"CbxDataSet"},
    {"LstChunks"},
};

struct Shown {
  const ControlKey* key;
  const Value* value;
};

// Looks every key up in `layers`, latest first: a control a step did not
// touch shows what an earlier one (or the designed layout) left.
std::vector<Shown> Resolve(std::span<const ControlKey> keys,
                           std::initializer_list<std::span<const Page>> layers,
                           std::string_view what) {
  std::vector<Shown> shown;
  shown.reserve(keys.size());
  for (const ControlKey& key : keys) {
    const Value* value = nullptr;
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
    if (key.tabCaption && !std::holds_alternative<std::string>(*value)) {
      throw std::logic_error("the " + std::string(what) + " control " + std::string(key.name) +
                             " is not a page control");
    }
    shown.push_back({&key, value});
  }
  return shown;
}

// Line breaks and indentation only between the members of objects and the
// items of arrays; a row, a drop-down list or a scalar stays on one line,
// written compactly.
void NewLine(std::ostream& out, int depth) {
  out << '\n';
  for (int i = 0; i < depth; ++i) out << "  ";
}

void WriteUtf8(std::ostream& out, std::string utf8) {
  out << nlohmann::json(std::move(utf8)).dump();
}

void WriteText(std::ostream& out, std::string_view latin1) { WriteUtf8(out, Latin1ToUtf8(latin1)); }

void WriteKey(std::ostream& out, std::string_view key, int depth) {
  NewLine(out, depth);
  WriteUtf8(out, std::string(key));
  out << ": ";
}

template <class WriteItem>
void WriteArray(std::ostream& out, std::size_t count, int depth, WriteItem writeItem) {
  if (count == 0) {
    out << "[]";
    return;
  }
  out << '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out << ',';
    NewLine(out, depth + 1);
    writeItem(i);
  }
  NewLine(out, depth);
  out << ']';
}

void WriteTextsCompact(std::ostream& out, const std::vector<std::string>& texts) {
  out << '[';
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out << ',';
    WriteText(out, texts[i]);
  }
  out << ']';
}

void WriteTable(std::ostream& out, const content::Table& table, int depth) {
  // One row buffer for the whole table: the rows are made one at a time.
  std::vector<std::string> cells;
  WriteArray(out, table.RowCount(), depth, [&](std::size_t row) {
    table.Row(row, cells);
    WriteTextsCompact(out, cells);
  });
}

void WriteLines(std::ostream& out, const std::vector<std::string>& lines, int depth) {
  WriteArray(out, lines.size(), depth, [&](std::size_t i) { WriteText(out, lines[i]); });
}

void WriteValue(std::ostream& out, const Shown& shown, int depth) {
  std::visit(
      [&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          WriteText(out, shown.key->tabCaption ? TabCaptionAsDisplayed(value) : value);
        } else if constexpr (std::is_same_v<T, bool>) {
          out << (value ? "true" : "false");
        } else if constexpr (std::is_same_v<T, content::Table>) {
          WriteTable(out, value, depth);
        } else if constexpr (std::is_same_v<T, content::Combo>) {
          out << "{\"items\":";
          WriteTextsCompact(out, value.items);
          out << ",\"selected\":" << (value.selected < 0 ? -1 : value.selected) << '}';
        } else {
          static_assert(std::is_same_v<T, content::Lines>);
          WriteLines(out, value.lines, depth);
        }
      },
      *shown.value);
}

void WriteControls(std::ostream& out, const std::vector<Shown>& controls, int depth) {
  out << '{';
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (i > 0) out << ',';
    WriteKey(out, controls[i].key->name, depth + 1);
    WriteValue(out, controls[i], depth + 1);
  }
  NewLine(out, depth);
  out << '}';
}

// The pages in the order the window fills them; after a load that did not
// succeed, what ClearAllViews leaves.
std::vector<Page> MainPages(const TKvsLoader& loader, bool loaded) {
  using namespace content;
  std::vector<Page> pages;
  pages.reserve(10);
  if (loaded) {
    pages.push_back(FillGlobalPage(loader));
    pages.push_back(FillSongInfoPage(loader));
    pages.push_back(FillModulesPage(loader));
    pages.push_back(FillChannelsPage(loader));
    pages.push_back(FillAudioClipsPage(loader));
    pages.push_back(FillSendFxAssignPage(loader));
    pages.push_back(FillSongEventsPage(loader, false));
    pages.push_back(FillPlaylistPage(loader));
    pages.push_back(FillWindowStatePage(loader));
    pages.push_back(FillChunksPage(loader));
  } else {
    pages.push_back(ClearedSongInfoPage());
    pages.push_back(ClearedGlobalPage());
    pages.push_back(ClearedModulesPage());
    pages.push_back(ClearedChannelsPage());
    pages.push_back(ClearedAudioClipsPage());
    pages.push_back(ClearedSendFxAssignPage());
    pages.push_back(ClearedSongEventsPage());
    pages.push_back(ClearedPlaylistPage());
    pages.push_back(ClearedWindowStatePage());
    pages.push_back(ClearedChunksPage());
  }
  return pages;
}

// What a freshly created window shows and the load flow does not change:
// the active pages, and the data-set choice that clearing leaves alone. The
// message list holds the load's log.
Page FreshWindow(std::vector<std::string> log) {
  Page window;
  window.Add("Pages", std::string("Global"));
  window.Add("PagesGlobal", std::string("Song Settings"));
  window.Add("CbxSongEventDataSet", content::Combo{});
  window.Add("LoaderMessages", content::Lines{std::move(log)});
  return window;
}

const char* OutcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::Loaded:
      return "loaded";
    case Outcome::Rejected:
      return "rejected";
    case Outcome::Failed:
      return "failed";
  }
  return "failed";
}

}  // namespace

void WriteJsonDocument(std::ostream& out, const std::string& file, const TKvsLoader& loader,
                       const LoadResult& result, std::vector<std::string> log) {
  const bool loaded = result.outcome == Outcome::Loaded;
  const std::vector<Page> pages = MainPages(loader, loaded);
  const Page window = FreshWindow(std::move(log));
  // Every control is looked up before the first byte goes out, so a missing
  // one never leaves half a document behind.
  const std::vector<Shown> main =
      Resolve(MainKeys, {std::span<const Page>(pages), std::span<const Page>(&window, 1)},
              "main window");
  const std::vector<std::string>& messages = window.Items("LoaderMessages").lines;

  out << '{';
  WriteKey(out, "file", 1);
  WriteUtf8(out, ExternalTextToUtf8(file));
  out << ',';
  WriteKey(out, "caption", 1);
  WriteUtf8(out, CaptionAfterLoad(file, result.outcome));
  out << ',';
  WriteKey(out, "outcome", 1);
  WriteUtf8(out, OutcomeText(result.outcome));
  out << ',';
  WriteKey(out, "error", 1);
  WriteUtf8(out, result.errorUtf8);
  out << ',';
  WriteKey(out, "log", 1);
  WriteLines(out, messages, 1);
  out << ',';
  WriteKey(out, "main", 1);
  WriteControls(out, main, 1);
  out << ',';

  WriteKey(out, "modules", 1);
  const Page moduleViewer = content::ModuleViewerDesigned();
  const auto& modules = loader.Modules();
  WriteArray(out, loaded ? modules.size() : 0, 1, [&](std::size_t i) {
    const Page shown = content::ShowModule(loader, *modules[i]);
    WriteControls(out,
                  Resolve(ModuleViewerKeys,
                          {std::span<const Page>(&shown, 1), std::span<const Page>(&moduleViewer, 1)},
                          "module viewer"),
                  2);
  });
  out << ',';

  WriteKey(out, "chunks", 1);
  const Page dataViewer = content::DataViewerDesigned();
  const auto& chunks = loader.Chunks();
  WriteArray(out, loaded ? chunks.size() : 0, 1, [&](std::size_t i) {
    const Page shown = content::ShowChunk(chunks[i]);
    WriteControls(out,
                  Resolve(DataViewerKeys,
                          {std::span<const Page>(&shown, 1), std::span<const Page>(&dataViewer, 1)},
                          "chunk data viewer"),
                  2);
  });
  NewLine(out, 0);
  out << "}\n";
}

}  // namespace tarvo::kvsdump
