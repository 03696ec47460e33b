#pragma once
// Decides whether a file is read with the 2048-byte (Jet 3) or the 4096-byte
// (Jet 4 and .accdb) page layout. A damaged header must not decide alone: its
// version byte is checked against the pages' own structure, which wins when
// the two disagree or the byte names no known version.
#include <filesystem>
#include <functional>
#include <string>

#include "format/jet_layout.h"

namespace tarvex::engine {

struct LayoutDecision {
  bool jet4 = false;
  // Why the header was not taken at its word, for the repair log; empty when it was.
  std::u16string note;
};

class CAccessVersionHandler {
 public:
  using StopTest = std::function<bool()>;  // true when a stop was requested

  // The layout to read the file with; Jet 3 for a file that does not open.
  static LayoutDecision DecideLayout(const std::filesystem::path& path,
                                     const StopTest& stopRequested);
  static bool IsJet4Layout(const std::filesystem::path& path, const StopTest& stopRequested) {
    return DecideLayout(path, stopRequested).jet4;
  }

  // True when one of the first ten 2048-byte pages starts with the Jet 3
  // definition signature, or when the file does not open.
  static bool HasJet3DefinitionPage(const std::filesystem::path& path,
                                    const StopTest& stopRequested);
};

}  // namespace tarvex::engine
