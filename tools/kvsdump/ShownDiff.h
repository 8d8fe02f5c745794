#pragma once

#include <iosfwd>

#include "content/showdiff/DiffCompare.h"
#include "content/showdiff/DiffText.h"
#include "content/showdiff/LoadFlow.h"
#include "content/showdiff/SongView.h"

// The load flow, the song view and the diff lines live at content level,
// where the Compare window shows them too; kvsdump names them as its own.
namespace tarvo::kvsdump {

using content::showdiff::ByteDifferences;
using content::showdiff::CaptionAfterLoad;
using content::showdiff::CellChange;
using content::showdiff::Change;
using content::showdiff::ChangeName;
using content::showdiff::CompareSongs;
using content::showdiff::ControlKey;
using content::showdiff::DataViewerKeys;
using content::showdiff::Difference;
using content::showdiff::DifferenceLine;
using content::showdiff::DifferenceSink;
using content::showdiff::DisplayedText;
using content::showdiff::KeyRole;
using content::showdiff::LoadedSong;
using content::showdiff::LoadResult;
using content::showdiff::LoadSong;
using content::showdiff::MainWindowKeys;
using content::showdiff::ModuleViewerKeys;
using content::showdiff::Outcome;
using content::showdiff::OutcomeName;
using content::showdiff::Place;
using content::showdiff::SelectedIndex;
using content::showdiff::Shown;
using content::showdiff::ShownViewer;
using content::showdiff::SongView;
using content::showdiff::UnitName;
using content::showdiff::WhereText;

// A failed load's error on `err`, terminal-safe, after what `out` holds so
// far (the lines before the error, also on a shared terminal); nothing when
// loaded.
void ReportLoadError(const LoadResult& result, std::ostream& out, std::ostream& err);

}  // namespace tarvo::kvsdump
