#include "songfile/ModuleTypes.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "text/Format.h"

namespace tarvo {
namespace {

struct ModuleTypeRow {
  std::int32_t id;
  const char* text;
};

// Sorted by id for the binary search. Generators run from 0x1000, effects
// from 0x1100; the marker rows only name the ends of those ranges.
constexpr ModuleTypeRow ModuleTypeRows[] = {
    {0x1000, "Sampler"},
    {0x1001, "Drum Box"},
    {0x1002, "Wavetable Synth"},
    {0x1003, "Plugin Instrument"},
    {0x1004, "Sub Bass"},
    {0x1005, "Pad Machine"},
    {0x1006, "Audio Track"},
    {0x1007, "Zumbox"},
    {0x1008, "MIDI Out"},
    {0x1009, "Grain Cloud"},
    {0x100A, "Tonewheel Organ"},
    {0x100B, "FM Operator"},
    {0x100C, "String Model"},
    {0x100D, "Loop Chopper (ununsed generator)"},
    {0x100E, "Noise Source"},
    {0x100F, "ReWire"},
    {0x1010, "Chord Pad"},
    {0x1011, "Drum Synth"},
    {0x1012, "DX Instrument"},
    {0x10FF, "<Last Generator>"},
    {0x1100, "Amplifier"},
    {0x1101, "Gain Trim"},
    {0x1102, "Band Pass"},
    {0x1103, "Ensemble"},
    {0x1104, "Plugin Effect"},
    {0x1105, "Dynamics"},
    {0x1106, "Tape Echo"},
    {0x1107, "Multi Tap"},
    {0x1108, "Graphic EQ"},
    {0x1109, "State Filter"},
    {0x110A, "Jet Sweep"},
    {0x110B, "Noise Gate"},
    {0x110C, "Brickwall"},
    {0x110D, "DX Effect"},
    {0x110E, "Phase Sweep"},
    {0x110F, "Tape Warp (ununsed generator)"},
    {0x1110, "Bit Masher (ununsed generator)"},
    {0x1111, "Reverb"},
    {0x1112, "Ring Modulator"},
    {0x1113, "Stereo Widener"},
    {0x1114, "Tremolo"},
    {0x1115, "Vibrato"},
    {0x1116, "Reserved FX 1 (future use)"},
    {0x1117, "Reserved FX 2 (future use)"},
    {0x1118, "Distortion"},
    {0x1119, "Tube Drive"},
    {0x111A, "Reserved FX 3 (future use)"},
    {0x111B, "Bit Crusher"},
    {0x111C, "Downsampler"},
    {0x111D, "Auto Pan"},
    {0x111E, "Auto Wah"},
    {0x111F, "Notch Filter"},
    {0x1120, "High Pass"},
    {0x1121, "Low Pass"},
    {0x1122, "Level Meter"},
    {0x1123, "Spectrum View"},
    {0x1124, "Oscilloscope"},
    {0x1125, "Image Shifter"},
    {0x1126, "Band Splitter"},
    {0x1127, "Loop Recorder (ununsed)"},
    {0x1128, "Room Simulator"},
    {0x1129, "Pitch Shifter"},
    {0x112A, "Vowel Shaper"},
    {0x112B, "Transient Shaper"},
    {0x112C, "De-Esser"},
    {0x112D, "Reserved FX 4 (future use)"},
    {0x112E, "Reserved FX 5 (future use)"},
    {0x112F, "Reserved FX 6 (future use)"},
    {0x1130, "Ducker"},
    {0x1131, "Exciter"},
    {0x1132, "Frequency Shifter"},
    {0x1133, "Comb Filter"},
    {0x1134, "Grain Stretcher"},
    {0x1135, "Saturator"},
    {0x1136, "Mid Side Matrix"},
    {0x1137, "Phase Inverter"},
    {0x1138, "DC Offset Remover"},
    {0x1139, "Reserved FX 7 (future use)"},
    {0x113A, "Reserved FX 8 (future use)"},
    {0x113B, "Reserved FX 9 (future use)"},
    {0x1140, "Reserved FX 10 (future use)"},
    {0x11FE, "Test Effect"},
    {0x11FF, "<Last FX>"},
    {0x1500, "<Object Name>"},
};

static_assert(std::size(ModuleTypeRows) == 84);
static_assert(std::is_sorted(std::begin(ModuleTypeRows), std::end(ModuleTypeRows),
                             [](const ModuleTypeRow& a, const ModuleTypeRow& b) {
                               return a.id < b.id;
                             }));

}  // namespace

std::string ModuleTypeToText(std::int32_t typeId) {
  const auto* const row =
      std::lower_bound(std::begin(ModuleTypeRows), std::end(ModuleTypeRows), typeId,
                       [](const ModuleTypeRow& r, std::int32_t id) { return r.id < id; });
  if (row != std::end(ModuleTypeRows) && row->id == typeId) {
    return row->text;
  }
  return Format("unknown object (%x)", {typeId});
}

}  // namespace tarvo
