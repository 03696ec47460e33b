#pragma once
// Reads a whole file (an OLE object file the row writer embeds) into memory.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tarvex::engine {

class CFileReader {
 public:
  // Replaces `bytes` with the file's content; a file that does not open leaves it unchanged.
  static bool ReadAll(const std::filesystem::path& path, std::vector<uint8_t>& bytes);
};

}  // namespace tarvex::engine
