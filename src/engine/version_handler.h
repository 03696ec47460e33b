#pragma once
// Decides whether a file is read with the 2048-byte (Jet 3) or the 4096-byte
// (Jet 4 and .accdb) page layout. A damaged header must not decide alone: a
// zero version byte is checked against the first pages.
#include <filesystem>
#include <functional>

#include "format/jet_layout.h"

namespace tarvex::engine {

class CAccessVersionHandler {
 public:
  using StopTest = std::function<bool()>;  // true when a stop was requested

  // True when the Jet 4 scanner is to be used; false also for a file that does not open.
  static bool IsJet4Layout(const std::filesystem::path& path, const StopTest& stopRequested);

  // True when one of the first ten 2048-byte pages starts with the Jet 3
  // definition signature, or when the file does not open.
  static bool HasJet3DefinitionPage(const std::filesystem::path& path,
                                    const StopTest& stopRequested);
};

}  // namespace tarvex::engine
