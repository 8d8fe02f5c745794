#include "vocabulary/EventIds.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "text/Format.h"

namespace tarvo {
namespace {

// Ids below this are parameters, named by their number.
constexpr std::uint16_t FirstNamedEventId = 0x1000;

struct EventIdRow {
  std::uint16_t id;
  const char* name;
};

// Sorted by id for the binary search.
constexpr EventIdRow EventIdRows[] = {
    {0x1000, "TEMPO"},        {0x1001, "BARSIZE"},      {0x1002, "VOLUME"},
    {0x1003, "PATCHANGE"},    {0x1004, "GEN_MUTE"},     {0x1005, "GEN_SOLO"},
    {0x1006, "PAN"},

    {0x1100, "SONGMODE"},     {0x1101, "LOOP_ON"},      {0x1102, "LOOP_START"},
    {0x1103, "LOOP_END"},     {0x1104, "SONGINFO"},

    {0x3000, "NOTE_ON"},      {0x3001, "NOTE_OFF"},     {0x3002, "PAT_NOTE"},
    {0x3003, "SLIDE"},        {0x3004, "ACCENT"},       {0x3005, "PITCHBEND"},
    {0x3006, "PAT_NOTEPROB"}, {0x3007, "PAT_CHANGE"},   {0x3008, "PAT_SLIDE"},
    {0x3009, "MIDI"},         {0x300A, "SETPROGRAM"},   {0x300B, "SUSTENUTO"},
    {0x300C, "EXPRESSION"},   {0x300D, "GATE"},         {0x3010, "PLAY"},
    {0x3011, "STOP"},         {0x3012, "PAUSE"},        {0x3013, "REPOSITION"},
    {0x3014, "ALLNOTESOFF"},

    {0x5000, "CH_VOLUME"},    {0x5001, "CH_PAN"},       {0x5002, "CH_FX1AMT"},
    {0x5003, "CH_FX2AMT"},    {0x5004, "CH_FX3AMT"},    {0x5005, "CH_FX4AMT"},
    {0x5006, "CH_EQ_ON"},     {0x5007, "EQ_LOSHELF"},   {0x5008, "EQ_HISHELF"},
    {0x5009, "CH_EQ_GAIN1"},  {0x500A, "CH_EQ_FREQ1"},  {0x500B, "CH_EQ_Q1"},
    {0x500C, "CH_EQ_GAIN2"},  {0x500D, "CH_EQ_FREQ2"},  {0x500E, "CH_MUTE"},
    {0x500F, "CH_SOLO"},      {0x5010, "CH_FX5AMT"},    {0x5011, "CH_FX6AMT"},
    {0x5012, "CH_FX7AMT"},    {0x5013, "CH_FX8AMT"},    {0x5014, "CH_BUS1"},
    {0x5015, "CH_BUS2"},      {0x5016, "CH_BUS3"},      {0x5017, "CH_BUS4"},
    {0x5018, "CH_BUS5"},      {0x5019, "CH_EQ_POSTFX"}, {0x501A, "CH_EQ_Q2"},
    {0x501B, "CH_FRONT_AMT"}, {0x501C, "CH_REAR_AMT"},  {0x501D, "CH_LFE_AMT"},
};

static_assert(std::size(EventIdRows) == 61);
static_assert(std::is_sorted(std::begin(EventIdRows), std::end(EventIdRows),
                             [](const EventIdRow& a, const EventIdRow& b) { return a.id < b.id; }));

}  // namespace

std::string EventIdToText(std::uint16_t id) {
  if (id < FirstNamedEventId) {
    return Format("Param %d", {id});
  }
  const auto* const row =
      std::lower_bound(std::begin(EventIdRows), std::end(EventIdRows), id,
                       [](const EventIdRow& r, std::uint16_t value) { return r.id < value; });
  if (row != std::end(EventIdRows) && row->id == id) {
    return row->name;
  }
  return Format("unknown event (%x)", {id});
}

}  // namespace tarvo
