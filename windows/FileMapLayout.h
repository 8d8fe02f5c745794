#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tarvo {

class TFrmFileMap;

// What the File Map remembers: its layout (as every window, under
// "FileMap") and the patterns found last, offered in its Find field.

inline constexpr int MaxFindPatterns = 20;

// One remembered find: the pattern as typed and its mode (the index in
// CbxFindMode: 0 hex, 1 text).
struct FindPattern {
  int mode = 0;
  QString pattern;
  friend bool operator==(const FindPattern&, const FindPattern&) = default;
};

// Restores the layout and saves it when the window hides; offers the find
// history in EdtFind (typing, or Down in it, opens the list; choosing an
// entry sets its mode too).
void KeepFileMapLayout(TFrmFileMap& map);
// Remembers the pattern and mode of the find that starts now.
void NoteFindPattern(TFrmFileMap& map);

// The remembered patterns, most recent first, each once.
std::vector<FindPattern> FindHistory();

}  // namespace tarvo
