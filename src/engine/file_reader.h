#pragma once
// Reads a whole file (an OLE object file the row writer embeds) into memory.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "model/error_handler.h"

namespace tarvex::engine {

class CFileReader {
 public:
  // Replaces `bytes` with the file's content (its room is reused); false, with
  // the reason in `error`, when the file cannot be opened or read whole.
  static bool ReadAll(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                      model::CErrorHandler& error);
};

}  // namespace tarvex::engine
