#include "songfile/KvsModules.h"

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

TKvsModule::TKvsModule(std::int32_t typeId) : TypeId(typeId), Generator(ModuleTypeToText(typeId)) {}

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
  switch (TypeId) {
    case typeids::VstFx: return "VST FX";
    case typeids::VstSynth: return "VST Synth";
    case typeids::DxFx: return "DX FX";
    case typeids::DxSynth: return "DX Synth";
    case typeids::ReWire: return "ReWire";
    case typeids::Audio: return "Audio";
    case typeids::Midi: return "Midi";
    default: return TypeId < typeids::FirstEffect ? "Synth" : "FX";
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

std::string TKvsDXModule::ClassIdText() const { return GuidToText(&Info[56]); }

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
