#include "content/pages/MainContent.h"

#include <cstdint>
#include <string>
#include <vector>

#include "content/Cells.h"
#include "text/Format.h"
#include "vocabulary/FlagTexts.h"

namespace tarvo::content {
namespace {

std::vector<Column> ChannelColumns() {
  return {{"#", 30},         {"Module #", 100},  {"Channel Name", 90}, {"Insert #1", 80}, {"Insert #2", 80},
          {"Insert #3", 80}, {"Insert #4", 80}, {"Flags", 90},        {"Stereo", 45}};
}

void AddChannelCells(const TKvsLoader& loader, const TKvsChannel& channel, std::vector<std::string>& cells) {
  cells.push_back(ModuleRefText(loader, channel.OwnerModule()));
  cells.push_back(channel.GetName());
  for (const std::int32_t insert : {channel.Insert1(), channel.Insert2(), channel.Insert3(), channel.Insert4()})
    cells.push_back(ModuleRefText(loader, insert));
  // Only the low byte holds send flags; the whole word is shown beside them.
  const std::uint32_t flags = channel.Flags();
  cells.push_back(Format("%s (0x%8.8x)", {SendFlagsToText(static_cast<std::uint8_t>(flags & 0xFFu)), flags}));
  cells.push_back(GetYesNoText(channel.Stereo() != 0));
}

}  // namespace

Page FillChannelsPage(const Song& song) {
  const TKvsLoader& loader = *song;
  Page page;
  page.Add("EdtChannelCount", Format("%d", {loader.ChannelCount()}));
  page.Add("EdtReturnChannelCount", Format("%d", {loader.ReturnChannelCount()}));
  page.Add("LstChannels", Table(ChannelColumns(), loader.Channels().size(),
                                [song](std::size_t row, std::vector<std::string>& cells) {
                                  cells.push_back(RowCaption(row));
                                  AddChannelCells(*song, song->Channels()[row], cells);
                                }));
  return page;
}

}  // namespace tarvo::content
