#include "content/pages/MainContent.h"

namespace tarvo::content {

std::string MainCaption() { return "Tarvo Analyzer"; }

std::string MainCaption(std::string_view fileName) { return MainCaption() + " - " + std::string(fileName); }

}  // namespace tarvo::content
