#include "engine/property_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tarvex::engine {
namespace {

// The blob of a table with every column and every property Access has stays far below this.
constexpr uintmax_t kMaxPropertyBlob = 16 << 20;

}  // namespace

std::vector<format::PropertyObject> ReadPropertyFile(const std::u16string& path,
                                                     format::JetVersion version,
                                                     uint16_t codePage) {
  std::error_code error;
  const auto size = path.empty() ? 0 : std::filesystem::file_size(path, error);
  if (error || size == 0 || size > kMaxPropertyBlob) return {};
  std::vector<uint8_t> blob(static_cast<size_t>(size));
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  in.read(reinterpret_cast<char*>(blob.data()), static_cast<std::streamsize>(size));
  blob.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return format::ReadPropertyBlob(blob, version, codePage);
}

}  // namespace tarvex::engine
