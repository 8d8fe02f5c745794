#pragma once

#include <iosfwd>

#include "tools/kvsdump/ValuePlaces.h"

namespace tarvo::kvsdump {

// The value census as text: one block per place, the places that vary and
// are not understood first, the constant ones last; then the summary.
void WriteValuesText(std::ostream& out, const ValueCensus& census);

}  // namespace tarvo::kvsdump
