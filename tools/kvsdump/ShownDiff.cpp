#include "tools/kvsdump/ShownDiff.h"

#include "tools/kvsdump/OutputText.h"

#include <ostream>

namespace tarvo::kvsdump {

void ReportLoadError(const LoadResult& result, std::ostream& out, std::ostream& err) {
  if (result.outcome == Outcome::Loaded) return;
  out.flush();
  err << EscapeControls(result.errorUtf8) << '\n';
}

}  // namespace tarvo::kvsdump
