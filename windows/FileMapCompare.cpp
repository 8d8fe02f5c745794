// The File Map's way into the Compare window.
#include "windows/FileMap.h"

#include "ui/Dialogs.h"
#include "windows/Compare.h"

namespace tarvo {

void TFrmFileMap::CompareWithClick() {
  if (song_ == nullptr || path_.isEmpty()) return;
  const std::optional<QString> newPath = CurrentDialogs().OpenFileName(
      this, QStringLiteral("Compare with"), {QStringLiteral("Tarvo Song File (*.kvs)"), QStringLiteral("All Files (*)")});
  if (!newPath) return;
  // Beside the map, not inside it: the comparison outlives the map's song.
  auto* const window = new TFrmCompare(parentWidget() != nullptr ? parentWidget() : this);
  window->show();
  window->Start(path_, *newPath);
}

}  // namespace tarvo
