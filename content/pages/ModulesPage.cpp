#include "content/pages/MainContent.h"

#include <cstdint>
#include <string>
#include <vector>

#include "content/Cells.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

std::vector<Column> ModuleColumns() {
  return {{"#", 32},         {"ID", 78},      {"Type", 65}, {"Name", 145},
          {"Generator", 240}, {"Program", 70}, {"Chans", 42}};
}

// Only the plug-in kinds have a program; every other kind shows an empty cell.
std::string ProgramText(const TKvsModule& module) {
  switch (module.Class()) {
    case ModuleClass::VSTFX:
      return Format("%0:d (0x%0:x)", {static_cast<const TKvsVSTFX&>(module).Program()});
    case ModuleClass::VSTSynth:
      return Format("%0:d (0x%0:x)", {static_cast<const TKvsVSTSynth&>(module).Program()});
    case ModuleClass::Synth:
    case ModuleClass::FX:
    case ModuleClass::DXSynth:
    case ModuleClass::DXFX:
      break;
  }
  return std::string();
}

}  // namespace

Page FillModulesPage(const Song& song) {
  const TKvsLoader& loader = *song;
  const auto moduleCount = static_cast<std::uint64_t>(loader.Modules().size());

  Page page;
  page.Add("EdtNumberOfModules", Format("%d (assumed %d)", {moduleCount, loader.StatedModuleCount()}));
  page.Add("LstModules", Table(ModuleColumns(), loader.Modules().size(),
                               [song](std::size_t row, std::vector<std::string>& cells) {
                                 const TKvsModule& module = *song->Modules()[row];
                                 cells.push_back(RowCaption(row));
                                 cells.push_back(Format("0x%8.8x", {module.TypeId()}));
                                 cells.push_back(module.GetKindText());
                                 cells.push_back(module.GetName());
                                 cells.push_back(module.Generator());
                                 cells.push_back(ProgramText(module));
                                 cells.push_back(Format("%d", {module.ChannelCount()}));
                               }));
  return page;
}

}  // namespace tarvo::content
