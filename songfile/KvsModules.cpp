#include "songfile/KvsModules.h"

#include <cstring>

#include "songfile/ModuleTypes.h"

namespace tarvo {

namespace typeids {
constexpr std::int32_t VstSynth = 0x1003;
constexpr std::int32_t Audio = 0x1006;
constexpr std::int32_t Midi = 0x1008;
constexpr std::int32_t ReWire = 0x100F;
constexpr std::int32_t DxSynth = 0x1012;
constexpr std::int32_t FirstEffect = 0x1100;
constexpr std::int32_t VstFx = 0x1104;
constexpr std::int32_t DxFx = 0x110D;
}  // namespace typeids

namespace {
// The info record of a module whose record was never read.
constexpr std::uint8_t NoInfo[TKvsModule::MaxInfoSize] = {};
}  // namespace

// Hundreds of thousands of modules may stand on 40 bytes of file each.
static_assert(sizeof(TKvsSynth) <= 56 && sizeof(TKvsVSTSynth) <= 56 && sizeof(TKvsDXFX) <= 56);

TKvsModule::TKvsModule(std::int32_t typeId) : typeId_(typeId), info_(NoInfo) {}

void TKvsModule::SetInfo(const std::uint8_t* info) {
  info_ = info;
  nameSource_ = NameSource::Info;
}

void TKvsModule::SetPluginText(const std::uint8_t* text, std::size_t length) {
  pluginText_ = text;
  pluginTextLength_ = static_cast<std::uint32_t>(length);
  generatorSource_ = GeneratorSource::PluginText;
}

void TKvsModule::SetTracks(const std::uint8_t* first, std::size_t count) {
  tracks_ = first;
  trackCount_ = static_cast<std::uint32_t>(count);
}

std::string TKvsModule::GetName() const {
  switch (nameSource_) {
    case NameSource::Info:
      return InfoName();
    case NameSource::Corrupted:
      return IsGenerator() ? "GEN Info Corrupted!" : "FX Info Corrupted!";
    case NameSource::None:
      break;
  }
  return {};
}

std::string TKvsModule::Generator() const {
  switch (generatorSource_) {
    case GeneratorSource::PluginText:
      return FixedText(pluginText_, pluginTextLength_);
    case GeneratorSource::ClassId:
      return GuidToText(info_ + 56);
    case GeneratorSource::TypeName:
      break;
  }
  return ModuleTypeToText(typeId_);
}

TKvsTrack TKvsModule::Track(std::size_t index) const {
  TKvsTrack track;
  if (index < trackCount_) std::memcpy(track.Data.data(), tracks_ + index * TKvsTrack::RecordSize, TKvsTrack::RecordSize);
  return track;
}

bool TKvsModule::IsGenerator() const {
  switch (Class()) {
    case ModuleClass::Synth:
    case ModuleClass::VSTSynth:
    case ModuleClass::DXSynth:
      return true;
    default:
      return false;
  }
}

std::string TKvsModule::GetKindText() const {
  switch (typeId_) {
    case typeids::VstFx: return "VST FX";
    case typeids::VstSynth: return "VST Synth";
    case typeids::DxFx: return "DX FX";
    case typeids::DxSynth: return "DX Synth";
    case typeids::ReWire: return "ReWire";
    case typeids::Audio: return "Audio";
    case typeids::Midi: return "Midi";
    default: return typeId_ < typeids::FirstEffect ? "Synth" : "FX";
  }
}

int TKvsVSTSynth::PinCount() const {
  const std::int32_t pins = AudioChanPins();
  if (pins <= 0) return 0;
  return pins < MaxPins ? pins : MaxPins;
}

std::int32_t TKvsVSTSynth::VstSynthChannelCount() const {
  std::int32_t count = 0;
  for (int pin = 0; pin < PinCount(); ++pin) count += PinStereo(pin) == 1 ? 2 : 1;
  return count;
}

std::string TKvsDXModule::ClassIdText() const { return GuidToText(Info() + 56); }

std::unique_ptr<TKvsModule> MakeModule(std::int32_t typeId) {
  switch (typeId) {
    case typeids::VstSynth: return std::make_unique<TKvsVSTSynth>(typeId);
    case typeids::DxSynth: return std::make_unique<TKvsDXSynth>(typeId);
    case typeids::VstFx: return std::make_unique<TKvsVSTFX>(typeId);
    case typeids::DxFx: return std::make_unique<TKvsDXFX>(typeId);
    default:
      if (typeId < typeids::FirstEffect) return std::make_unique<TKvsSynth>(typeId);
      return std::make_unique<TKvsFX>(typeId);
  }
}

std::uint32_t ExpectedInfoTag(ModuleClass moduleClass) {
  switch (moduleClass) {
    case ModuleClass::Synth:
    case ModuleClass::VSTSynth:
      return 2006;
    default:
      return 2007;
  }
}

std::string GuidToText(const std::uint8_t* guid) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(38);
  auto hex = [&](std::uint8_t byte) {
    text += digits[byte >> 4];
    text += digits[byte & 0x0F];
  };
  // The first three fields are little-endian numbers; the last eight bytes
  // are written in their stored order.
  text += '{';
  for (int i = 3; i >= 0; --i) hex(guid[i]);
  text += '-';
  hex(guid[5]);
  hex(guid[4]);
  text += '-';
  hex(guid[7]);
  hex(guid[6]);
  text += '-';
  hex(guid[8]);
  hex(guid[9]);
  text += '-';
  for (int i = 10; i < 16; ++i) hex(guid[i]);
  text += '}';
  return text;
}

}  // namespace tarvo
