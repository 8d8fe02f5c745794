#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "songfile/KvsRecords.h"
#include "songfile/LittleEndian.h"
#include "text/Latin1.h"

namespace tarvo {

// The six module classes that are ever made; cheaper to switch on than a
// chain of dynamic_casts.
enum class ModuleClass { Synth, FX, VSTFX, VSTSynth, DXSynth, DXFX };

class TKvsModule {
 public:
  // Info records are no longer than this; a module's records are read in
  // place from the loader's copy of the file, which ends in at least this
  // many zero bytes, so a record cut short by the end of the file reads as
  // zero-filled without a copy.
  static constexpr std::size_t MaxInfoSize = 212;

  explicit TKvsModule(std::int32_t typeId);
  virtual ~TKvsModule() = default;
  TKvsModule(const TKvsModule&) = delete;
  TKvsModule& operator=(const TKvsModule&) = delete;

  virtual ModuleClass Class() const = 0;
  virtual std::int32_t ExpectedTrackCount() const { return 0; }
  // Number of audio channels, from the info record.
  virtual std::int32_t ChannelCount() const = 0;
  virtual std::size_t InfoSize() const = 0;
  // The info record, all zero until the loader read one with the expected
  // tag.
  const std::uint8_t* InfoBytes() const { return info_; }

  // The module keeps views, not copies: a song file can hold hundreds of
  // thousands of modules, so whatever can be read again from the file's
  // bytes is. Every pointer given here must outlive the module.
  //
  // The info record read with the expected tag, InfoSize() bytes; the name
  // is its InfoName from now on.
  void SetInfo(const std::uint8_t* info);
  // The info sub-record had another tag: the name is the corruption text.
  void SetInfoCorrupted() { nameSource_ = NameSource::Corrupted; }
  // The plug-in text read after the info record, `length` bytes held; the
  // generator is its text up to the first zero byte.
  void SetPluginText(const std::uint8_t* text, std::size_t length);
  // The generator is the class id of the info record (DX kinds).
  void SetClassIdGenerator() { generatorSource_ = GeneratorSource::ClassId; }
  // `count` 64-byte track records from `first`.
  void SetTracks(const std::uint8_t* first, std::size_t count);

  // Name: empty until the loader set the info record or found it corrupted.
  std::string GetName() const;
  // Generator: the type name of TypeId, or the plug-in or class id text.
  std::string Generator() const;
  // Tracks: the playlist tracks, file order.
  std::size_t TrackCount() const { return trackCount_; }
  TKvsTrack Track(std::size_t index) const;

  std::string GetKindText() const;
  // InfoName: offset 4, 40-byte fixed-width text, in every kind.
  std::string InfoName() const { return FixedText(InfoBytes() + 4, 40); }
  bool IsGenerator() const;

  std::int32_t TypeId() const { return typeId_; }
  // The module's data chunk in the loader's Chunks(), -1 for none; its
  // position in Modules(), set with the chunk (0 without one).
  std::int32_t ChunkIndex() const { return chunkIndex_; }
  std::int32_t ModuleIndex() const { return moduleIndex_; }

 protected:
  const std::uint8_t* Info() const { return info_; }

 private:
  enum class NameSource : std::uint8_t { None, Info, Corrupted };
  enum class GeneratorSource : std::uint8_t { TypeName, PluginText, ClassId };

  // Only the loader places a module in its song.
  friend class TKvsLoader;
  void SetPlace(std::int32_t chunkIndex, std::int32_t moduleIndex) {
    chunkIndex_ = chunkIndex;
    moduleIndex_ = moduleIndex;
  }

  // Ordered so that the object stays within 56 bytes.
  std::int32_t typeId_;
  std::int32_t chunkIndex_ = -1;
  std::int32_t moduleIndex_ = 0;
  std::uint32_t pluginTextLength_ = 0;
  const std::uint8_t* info_;
  const std::uint8_t* pluginText_ = nullptr;
  const std::uint8_t* tracks_ = nullptr;
  std::uint32_t trackCount_ = 0;
  NameSource nameSource_ = NameSource::None;
  GeneratorSource generatorSource_ = GeneratorSource::TypeName;
};

template <std::size_t N>
class TKvsModuleWithInfo : public TKvsModule {
 public:
  static_assert(N <= MaxInfoSize);
  static constexpr std::size_t InfoRecordSize = N;
  using TKvsModule::TKvsModule;
  std::size_t InfoSize() const override { return N; }
};

// Built-in generator, 212-byte info: 174 u8 Chans
class TKvsSynth : public TKvsModuleWithInfo<212> {
 public:
  using TKvsModuleWithInfo::TKvsModuleWithInfo;
  ModuleClass Class() const override { return ModuleClass::Synth; }
  std::int32_t ExpectedTrackCount() const override { return 1; }
  std::int32_t ChannelCount() const override { return Info()[174]; }
};

// Built-in effect, 72-byte info: 44 i32 Chans
class TKvsFX : public TKvsModuleWithInfo<72> {
 public:
  using TKvsModuleWithInfo::TKvsModuleWithInfo;
  ModuleClass Class() const override { return ModuleClass::FX; }
  std::int32_t ChannelCount() const override { return le::I32(&Info()[44]); }
};

// Plug-in effect, 68-byte info: 44 i32 Chans, 52 i32 Program,
// 56 i32 PluginTextLength
class TKvsVSTFX : public TKvsModuleWithInfo<68> {
 public:
  using TKvsModuleWithInfo::TKvsModuleWithInfo;
  ModuleClass Class() const override { return ModuleClass::VSTFX; }
  std::int32_t ChannelCount() const override { return le::I32(&Info()[44]); }
  std::int32_t Program() const { return le::I32(&Info()[52]); }
  std::int32_t PluginTextLength() const { return le::I32(&Info()[56]); }
};

// Plug-in generator, 204-byte info: 60 i32 Program, 64 i32 PluginTextLength,
// 68 i32 ExpandedTracks, 72 i32 AudioChanPins, 76 128 x u8 PinStereo
class TKvsVSTSynth : public TKvsModuleWithInfo<204> {
 public:
  static constexpr int MaxPins = 128;
  using TKvsModuleWithInfo::TKvsModuleWithInfo;
  ModuleClass Class() const override { return ModuleClass::VSTSynth; }
  std::int32_t ExpectedTrackCount() const override {
    // Wraps like the 32-bit arithmetic of the format rather than overflowing.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ExpandedTracks()) + 1u);
  }
  std::int32_t ChannelCount() const override { return VstSynthChannelCount(); }
  std::int32_t Program() const { return le::I32(&Info()[60]); }
  std::int32_t PluginTextLength() const { return le::I32(&Info()[64]); }
  std::int32_t ExpandedTracks() const { return le::I32(&Info()[68]); }
  std::int32_t AudioChanPins() const { return le::I32(&Info()[72]); }
  std::uint8_t PinStereo(int pin) const { return Info()[76 + pin]; }  // 0 <= pin < 128
  // Pins that exist: AudioChanPins bounded to 0..128.
  int PinCount() const;
  std::int32_t VstSynthChannelCount() const;
};

// DX modules, 72-byte info: 44 i32 Chans, 56 16-byte ClassId (GUID)
class TKvsDXModule : public TKvsModuleWithInfo<72> {
 public:
  using TKvsModuleWithInfo::TKvsModuleWithInfo;
  std::int32_t ChannelCount() const override { return le::I32(&Info()[44]); }
  std::string ClassIdText() const;
};

class TKvsDXSynth : public TKvsDXModule {
 public:
  using TKvsDXModule::TKvsDXModule;
  ModuleClass Class() const override { return ModuleClass::DXSynth; }
};

class TKvsDXFX : public TKvsDXModule {
 public:
  using TKvsDXModule::TKvsDXModule;
  ModuleClass Class() const override { return ModuleClass::DXFX; }
};

// The module of a type id's kind: 0x1003 VSTSynth, 0x1012 DXSynth,
// 0x1104 VSTFX, 0x110D DXFX, else Synth below 0x1100 and FX from it.
std::unique_ptr<TKvsModule> MakeModule(std::int32_t typeId);

// The info sub-record tag that a module of this class expects.
std::uint32_t ExpectedInfoTag(ModuleClass moduleClass);

// A 16-byte GUID in its binary layout as "{8-4-4-4-12}", upper-case.
std::string GuidToText(const std::uint8_t* guid);

}  // namespace tarvo
