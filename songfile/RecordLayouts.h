#pragma once

#include "songfile/KvsRegion.h"

// The field layouts of the song format's fixed-size records, for the
// regions the loader reports. Names follow the model's accessors; bytes
// the model never interprets are "Reserved+N" (N: offset in the record).
namespace tarvo::layouts {

extern const TKvsRecordLayout Event;           // EVTS/PATC, 16 bytes
extern const TKvsRecordLayout WindowPos;       // WINP, 20 bytes
extern const TKvsRecordLayout SendFxAssign;    // VUUU, 20 bytes
extern const TKvsRecordLayout Settings;        // GLOB, 1264 bytes
extern const TKvsRecordLayout SongInfoHeader;  // GLOB, 16 bytes
extern const TKvsRecordLayout Channel;         // CHAN/FXRN, 68 bytes
extern const TKvsRecordLayout AudioClip;       // AUIO, 104 bytes
extern const TKvsRecordLayout Track;           // a module's track, 64 bytes
extern const TKvsRecordLayout SynthInfo;       // 212 bytes
extern const TKvsRecordLayout FXInfo;          // 72 bytes
extern const TKvsRecordLayout VSTFXInfo;       // 68 bytes
extern const TKvsRecordLayout VSTSynthInfo;    // 204 bytes
extern const TKvsRecordLayout DXInfo;          // 72 bytes

}  // namespace tarvo::layouts
