#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "text/JsonWriter.h"
#include "tools/kvsdump/ShownDiff.h"

namespace tarvo::kvsdump {

// The document of `kvsdump --diff --json`, written as the differences are
// found: {"old", "new", "differences": [...], "same"}. Texts are exact
// (8-bit texts as UTF-8, JSON's own escapes).
class DiffJsonWriter {
 public:
  // `oldName` and `newName` are the files as given, UTF-8.
  DiffJsonWriter(std::ostream& out, const std::string& oldName, const std::string& newName);
  ~DiffJsonWriter();
  DiffJsonWriter(const DiffJsonWriter&) = delete;
  DiffJsonWriter& operator=(const DiffJsonWriter&) = delete;
  void Add(const Difference& difference);
  // Closes the document; "same" comes last since it is known last.
  void Finish(bool same);

 private:
  std::unique_ptr<JsonWriter> json_;
};

}  // namespace tarvo::kvsdump
