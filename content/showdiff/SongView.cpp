#include "content/showdiff/SongView.h"

#include "content/pages/MainContent.h"
#include "content/showdiff/ShownText.h"
#include "content/viewers/ViewerContent.h"

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tarvo::content::showdiff {

namespace {

using content::Page;

// What kvsdump makes of a control beyond its kind; every other control is
// Plain. Each name must be one of its layout's.
struct Role {
  std::string_view name;
  KeyRole role;
};
constexpr Role MainRoles[] = {
    {"Pages", KeyRole::TabCaption},
    {"PagesGlobal", KeyRole::TabCaption},
    {"LstSongEvents", KeyRole::FirstDataSet},
};
constexpr Role ModuleRoles[] = {{"Pages", KeyRole::TabCaption}};
constexpr Role DataRoles[] = {{"CbxDataSet", KeyRole::ChunkDump}, {"LstChunks", KeyRole::ChunkDump}};

// A designed layout and its keys, made once: the keys view its controls'
// names, so both live as long as the program. Moving the layout keeps the
// names where they are.
struct Layout {
  Page designed;
  std::vector<ControlKey> keys;
};

// The keys of the layout's controls, the n-th on page `pages[n]` (the
// window's own controls and the viewers' on none). Every role must find its
// control, so a renamed control cannot quietly lose how kvsdump shows it.
Layout WithKeys(Page designed, std::span<const Role> roles, const std::vector<std::string_view>& pages,
                std::string_view what) {
  Layout layout{std::move(designed), {}};
  std::size_t found = 0;
  for (std::size_t n = 0; n < layout.designed.controls.size(); ++n) {
    const std::string& name = layout.designed.controls[n].name;
    KeyRole role = KeyRole::Plain;
    for (const Role& known : roles) {
      if (known.name != name) continue;
      role = known.role;
      ++found;
    }
    layout.keys.push_back({n < pages.size() ? pages[n] : std::string_view(), name, role});
  }
  if (found != roles.size()) throw std::logic_error("the " + std::string(what) + " lacks a control kvsdump names");
  return layout;
}

Layout MakeMainLayout() {
  Page designed;
  std::vector<std::string_view> pages;
  for (const content::MainTab& tab : content::MainWindowDesigned()) {
    for (const content::Control& control : tab.page.controls) {
      designed.controls.push_back(control);
      pages.push_back(tab.caption);
    }
  }
  return WithKeys(std::move(designed), MainRoles, pages, "main window");
}

const Layout& MainLayout() {
  static const Layout layout = MakeMainLayout();
  return layout;
}

const Layout& ModuleLayout() {
  static const Layout layout = WithKeys(content::ModuleViewerDesigned(), ModuleRoles, {}, "module viewer");
  return layout;
}

const Layout& DataLayout() {
  static const Layout layout = WithKeys(content::DataViewerDesigned(), DataRoles, {}, "chunk data viewer");
  return layout;
}

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

// What a freshly created window shows and the load flow does not change
// (the active pages, and the data-set choice that clearing leaves alone),
// with the load's log in the message list.
Page FreshWindow(TLogLines log) {
  Page window = MainLayout().designed;
  for (content::Control& control : window.controls)
    if (std::holds_alternative<content::Lines>(control.value)) control.value = content::Lines{std::move(log)};
  return window;
}

}  // namespace

std::span<const ControlKey> MainWindowKeys() { return MainLayout().keys; }
std::span<const ControlKey> ModuleViewerKeys() { return ModuleLayout().keys; }
std::span<const ControlKey> DataViewerKeys() { return DataLayout().keys; }

ShownViewer::ShownViewer(Page shownPage, std::span<const ControlKey> keys, const Page& designed,
                         std::string_view what)
    : page(std::move(shownPage)),
      controls(Resolve(keys, {std::span<const Page>(&page, 1), std::span<const Page>(&designed, 1)}, what)) {}

std::string DisplayedText(const Shown& shown) {
  std::string scratch;
  return std::string(DisplayedText(shown, scratch));
}

std::string_view DisplayedText(const Shown& shown, std::string& scratch) {
  const std::string& text = std::get<std::string>(*shown.value);
  if (shown.key->role != KeyRole::TabCaption) return text;
  scratch = TabCaptionAsDisplayed(text);
  return scratch;
}

int SelectedIndex(const content::Combo& combo) { return combo.selected < 0 ? -1 : combo.selected; }

SongView::SongView(content::Song song, Outcome outcome, TLogLines log)
    : song_(std::move(song)),
      loaded_(outcome == Outcome::Loaded),
      pages_(loaded_ ? content::FillAllPages(song_) : content::ClearedPages()),
      window_(FreshWindow(std::move(log))),
      main_(Resolve(MainWindowKeys(), {std::span<const Page>(pages_), std::span<const Page>(&window_, 1)},
                    "main window")) {}

const TLogLines& SongView::Log() const {
  return window_.Items("LoaderMessages").lines;
}

std::size_t SongView::ModuleCount() const { return loaded_ ? song_->Modules().size() : 0; }

ShownViewer SongView::Module(std::size_t index) const {
  return ShownViewer(content::ShowModule(song_, index), ModuleViewerKeys(), ModuleLayout().designed, "module viewer");
}

std::size_t SongView::ChunkCount() const { return loaded_ ? song_->Chunks().size() : 0; }

ShownViewer SongView::Chunk(std::size_t index) const {
  return ShownViewer(content::ShowChunk(song_, song_->Chunks().at(index)), DataViewerKeys(), DataLayout().designed,
                     "chunk data viewer");
}

content::Table SongView::EverySongEvent() const {
  // The set of the last row asked for; rows are asked for in order.
  struct CurrentSet {
    std::size_t start = std::numeric_limits<std::size_t>::max();
    content::Table rows;
  };
  auto current = std::make_shared<CurrentSet>();
  std::vector<content::Column> columns = content::SongEventList(song_, 0).Columns();
  const std::size_t count = loaded_ ? song_->SongEvents().size() : 0;
  return content::Table(std::move(columns), count,
                        [song = song_, current](std::size_t row, std::vector<std::string>& cells) {
                          const std::size_t start = row - row % content::SongEventDataSetSize;
                          if (current->start != start) {
                            current->rows = content::SongEventList(song, start);
                            current->start = start;
                          }
                          current->rows.Row(row - start, cells);
                        });
}

}  // namespace tarvo::content::showdiff
