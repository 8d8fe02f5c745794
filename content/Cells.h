#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "songfile/KvsLoader.h"

// Cells that the lists of several pages share, so that each text is made in
// one place.
namespace tarvo::content {

// The caption of a list row: its index in decimal, from 0.
std::string RowCaption(std::size_t row);

// A module reference: "%s (%d)" of the module's text and the index itself,
// e.g. "n/a (-1)" or "<ERROR> (5) (5)".
std::string ModuleRefText(const TKvsLoader& loader, std::int32_t moduleIndex);

}  // namespace tarvo::content
