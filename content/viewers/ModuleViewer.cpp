#include "content/viewers/ViewerContent.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/Cells.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

std::vector<Column> ChannelColumns() { return {{"Chan#", 45}, {"Channel", 140}}; }
std::vector<Column> TrackColumns() { return {{"#", 45}, {"Track Name", 200}, {"Unknown", 100}}; }
std::vector<Column> PinColumns() { return {{"Chan#", 45}, {"Stereo?", -1}}; }

// Positions in the song's Channels of the channels the module owns.
std::vector<std::size_t> OwnedChannels(const TKvsLoader& song, const TKvsModule& module) {
  const std::span<const std::size_t> owned = song.ChannelsOwnedBy(module.ModuleIndex());
  return std::vector<std::size_t>(owned.begin(), owned.end());
}

}  // namespace

Page ModuleViewerDesigned() {
  Page page;
  page.Add("LblModule", std::string(ModuleLabelTemplate));
  page.Add("LblType", std::string("Type"));
  page.Add("LstChannels", Table(ChannelColumns()));
  page.Add("LstPlaylistTracks", Table(TrackColumns()));
  page.Add("EdtVSTSynthPluginName", std::string());
  page.Add("EdtVSTSynthProgram", std::string());
  page.Add("EdtVSTSynthTracks", std::string());
  page.Add("EdtVSTSynthAudioChans", std::string());
  page.Add("LstVSTSynthAudioChanPins", Table(PinColumns()));
  page.Add("Pages", std::string(MixerTabCaption));
  return page;
}

Page ShowModule(const Song& song, std::size_t moduleIndex) {
  const TKvsModule& module = *song->Modules().at(moduleIndex);
  Page page = ModuleViewerDesigned();
  auto set = [&page](std::string_view name, Value value) {
    for (Control& control : page.controls)
      if (control.name == name) control.value = std::move(value);
  };

  set("LblModule", Format(ModuleLabelTemplate, {module.GetName(), module.TypeId()}));
  set("LblType", module.GetKindText());

  const auto owned = std::make_shared<const std::vector<std::size_t>>(OwnedChannels(*song, module));
  set("LstChannels", Table(ChannelColumns(), owned->size(),
                           [song, owned](std::size_t row, std::vector<std::string>& cells) {
                             const std::size_t position = (*owned)[row];
                             cells.push_back(RowCaption(position));
                             cells.push_back(song->Channels()[position].GetName());
                           }));

  // The module lives as long as the song that each list holds.
  const TKvsModule* const shown = &module;
  set("LstPlaylistTracks", Table(TrackColumns(), module.TrackCount(),
                                 [song, shown](std::size_t row, std::vector<std::string>& cells) {
                                   cells.push_back(RowCaption(row));
                                   cells.push_back(shown->Track(row).GetName());
                                   cells.push_back("44 bytes");
                                 }));

  if (module.Class() != ModuleClass::VSTSynth) return page;

  const auto* const synth = static_cast<const TKvsVSTSynth*>(&module);
  set("EdtVSTSynthPluginName", synth->InfoName());
  set("EdtVSTSynthProgram", Format("%d", {synth->Program()}));
  set("EdtVSTSynthTracks", Format("%d", {synth->ExpandedTracks()}));
  // The stored number, even where it claims more pins than the record holds.
  set("EdtVSTSynthAudioChans", Format("%d", {synth->AudioChanPins()}));
  set("LstVSTSynthAudioChanPins",
      Table(PinColumns(), static_cast<std::size_t>(synth->PinCount()),
            [song, synth](std::size_t row, std::vector<std::string>& cells) {
              cells.push_back(RowCaption(row));
              cells.push_back(synth->PinStereo(static_cast<int>(row)) != 0 ? "Yes" : "no");
            }));
  set("Pages", std::string(VstSynthTabCaption));
  return page;
}

}  // namespace tarvo::content
