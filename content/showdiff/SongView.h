#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/Controls.h"
#include "content/Song.h"
#include "songfile/KvsLoader.h"
#include "content/showdiff/LoadFlow.h"

// What kvsdump shows of one load flow: the main window's controls, one
// module viewer per module and one chunk data viewer per chunk, each as a
// fixed list of named controls. The JSON document and the comparison of two
// songs both walk these lists, so they always name and read the same
// controls.
namespace tarvo::content::showdiff {

enum class KeyRole {
  Plain,
  // A page control: its value is the caption of the active tab.
  TabCaption,
  // The song event list shows the first data set; a comparison walks
  // every set, since the user can pick any of them.
  FirstDataSet,
  // The data viewer's data-set choice and hex dump: both only show the
  // chunk's bytes, which a comparison takes directly.
  ChunkDump,
};

struct ControlKey {
  std::string_view page;  // the main window's page; empty for the window's own controls
  std::string_view name;
  KeyRole role = KeyRole::Plain;
};

// In the order of the JSON document, which is the order of the content's
// designed layouts. A viewer's first key is its label.
std::span<const ControlKey> MainWindowKeys();
std::span<const ControlKey> ModuleViewerKeys();
std::span<const ControlKey> DataViewerKeys();

struct Shown {
  const ControlKey* key;
  const content::Value* value;
};

// A text control's text as displayed (8-bit): a page control shows "&&"
// as "&".
std::string DisplayedText(const Shown& shown);
// The same without a copy: a view of the control's own text, or of
// `scratch` when the text shows changed.
std::string_view DisplayedText(const Shown& shown, std::string& scratch);
// A drop-down list's selection, -1 for none.
int SelectedIndex(const content::Combo& combo);

// One viewer right after it was shown. It holds what its controls show:
// they point into its page's heap storage, which a move takes along, and
// into the designed layout, which lives as long as the program. A copy
// would point into the original, so there is none.
struct ShownViewer {
  ShownViewer(content::Page shownPage, std::span<const ControlKey> keys, const content::Page& designed,
              std::string_view what);
  ShownViewer(ShownViewer&&) = default;
  ShownViewer& operator=(ShownViewer&&) = default;
  ShownViewer(const ShownViewer&) = delete;
  ShownViewer& operator=(const ShownViewer&) = delete;

  content::Page page;
  std::vector<Shown> controls;  // one per key, in key order
};

class SongView {
 public:
  // The view shares the song with everything it shows; `log` holds the
  // loader's messages (8-bit). Throws std::logic_error when a page lacks a
  // control the keys name: a fault of this program, never of the file.
  SongView(content::Song song, Outcome outcome, TLogLines log);
  SongView(const SongView&) = delete;
  SongView& operator=(const SongView&) = delete;

  bool Loaded() const { return loaded_; }
  const TKvsLoader& Loader() const { return *song_; }
  // One per main window key, in key order.
  const std::vector<Shown>& Main() const { return main_; }
  const TLogLines& Log() const;

  // None unless loaded.
  std::size_t ModuleCount() const;
  ShownViewer Module(std::size_t index) const;
  std::size_t ChunkCount() const;
  ShownViewer Chunk(std::size_t index) const;

  // Every song event, one row each, made a data set at a time as the song
  // event list makes them.
  content::Table EverySongEvent() const;

 private:
  content::Song song_;
  bool loaded_;
  std::vector<content::Page> pages_;
  content::Page window_;
  std::vector<Shown> main_;
};

}  // namespace tarvo::content::showdiff
