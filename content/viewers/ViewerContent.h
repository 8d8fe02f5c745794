#pragma once

#include <cstddef>
#include <cstdint>

#include "content/Controls.h"
#include "content/Song.h"

// The two viewers' content as plain data. Each viewer is created for one
// viewing from its designed layout, then filled once. Tables read the song
// when asked for rows and share its ownership.
namespace tarvo::content {

// Module viewer. Tabs, in order: "General Synth", "VSTSynth", "VST FX"
// (hidden), "Mixer && Playlist Tracks", "Patterns".
inline constexpr const char* ModuleLabelTemplate = "Module: %s (0x%8.8x)";
inline constexpr const char* MixerTabCaption = "Mixer && Playlist Tracks";
inline constexpr const char* VstSynthTabCaption = "VSTSynth";
// The designed layout: LblModule holds its template, LblType "Type", empty
// edit boxes and lists (with their columns), Pages the designed active tab.
Page ModuleViewerDesigned();
// ShowModule: LblModule, LblType, LstChannels, LstPlaylistTracks,
// EdtVSTSynthPluginName, EdtVSTSynthProgram, EdtVSTSynthTracks,
// EdtVSTSynthAudioChans, LstVSTSynthAudioChanPins, Pages (the active tab's
// caption as designed, with "&&"), for the song's module at `moduleIndex`
// (std::out_of_range past them).
Page ShowModule(const Song& song, std::size_t moduleIndex);

// Chunk data viewer.
inline constexpr std::int64_t BytesPerRow = 16;
inline constexpr std::int64_t RowsPerDataSet = 2000;
inline constexpr std::int64_t BytesPerDataSet = BytesPerRow * RowsPerDataSet;
inline constexpr const char* ChunkLabelTemplate = "Chunk: 0x%0:4.4x (%s)";
inline constexpr const char* ChunkSizeLabelTemplate = "Size: 0x%0:8.8x (%0:d)";
// The designed layout: labels holding their templates, no items, no rows.
// In the functions below, `chunk` is one of the song's chunks and its dump
// shares the song's ownership; a caller that keeps the bytes alive itself
// may pass no song.
Page DataViewerDesigned();
// FillDataSets: the items for data of `length` bytes (none selected).
Combo FillDataSets(std::int64_t length);
// ShowRange: LblChunk, LblChunkSize, LstChunks (rows from `first` to `last`
// inclusive, a `last` of 0 or less meaning the end of the data), and the
// item to select, first div 32000 (CbxDataSet's "selected" only: the
// caller keeps the items it has).
Page ShowRange(const Song& song, const TKvsChunk& chunk, std::int64_t first, std::int64_t last);
// ShowChunk: LblChunk, LblChunkSize, CbxDataSet (items and selection),
// LstChunks (the first data set).
Page ShowChunk(const Song& song, const TKvsChunk& chunk);
// CbxDataSetChange: ShowRange for the set at `index` (below 0 counts as 0).
Page DataSetChange(const Song& song, const TKvsChunk& chunk, int index);

}  // namespace tarvo::content
