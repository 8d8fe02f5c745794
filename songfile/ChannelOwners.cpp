#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <span>
#include <vector>

#include "songfile/KvsLoader.h"

namespace tarvo {

namespace {

// Compares a channel position with an owner by the channel's OwnerModule.
struct ByOwner {
  const TKvsChannelList& channels;
  bool operator()(std::size_t position, std::int16_t owner) const { return channels[position].OwnerModule() < owner; }
  bool operator()(std::int16_t owner, std::size_t position) const { return owner < channels[position].OwnerModule(); }
};

}  // namespace

std::span<const std::size_t> TKvsLoader::ChannelsOwnedBy(std::int32_t moduleIndex) const {
  // OwnerModule is 16-bit: an index outside that range owns nothing.
  if (moduleIndex < INT16_MIN || moduleIndex > INT16_MAX) return {};
  if (channelsByOwner_.size() != channels_.size()) {
    channelsByOwner_.resize(channels_.size());
    std::iota(channelsByOwner_.begin(), channelsByOwner_.end(), std::size_t{0});
    // Sorted in place by owner, then position: a stable sort would want a
    // buffer as large as the index again.
    std::sort(channelsByOwner_.begin(), channelsByOwner_.end(), [this](std::size_t a, std::size_t b) {
      const std::int16_t ownerA = channels_[a].OwnerModule();
      const std::int16_t ownerB = channels_[b].OwnerModule();
      return ownerA != ownerB ? ownerA < ownerB : a < b;
    });
  }
  const auto range = std::equal_range(channelsByOwner_.begin(), channelsByOwner_.end(),
                                      static_cast<std::int16_t>(moduleIndex), ByOwner{channels_});
  return {channelsByOwner_.data() + (range.first - channelsByOwner_.begin()),
          static_cast<std::size_t>(range.second - range.first)};
}

}  // namespace tarvo
