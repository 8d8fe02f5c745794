#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {

// Loads a built song that the version gate accepts.
inline std::shared_ptr<const TKvsLoader> Load(const SongBuilder& song) {
  const Bytes bytes = song.Build();
  auto loader = std::make_shared<TKvsLoader>();
  std::string errorText;
  loader->LoadFromMemory(bytes.data(), bytes.size(), errorText);
  EXPECT_EQ(errorText, "");
  return loader;
}

}  // namespace tarvo::testing
