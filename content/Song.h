#pragma once

#include <memory>

#include "songfile/KvsLoader.h"

namespace tarvo::content {

// A loaded song as the content holds it. Every list made from a song shares
// its ownership, so no list, page or viewer can outlive the song it reads.
using Song = std::shared_ptr<const TKvsLoader>;

}  // namespace tarvo::content
