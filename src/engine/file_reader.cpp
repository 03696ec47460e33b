#include "engine/file_reader.h"

#include "engine/db_file_reader.h"

namespace tarvex::engine {

bool CFileReader::ReadAll(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
  CDBFileReader reader;
  reader.SetPath(path);
  CErrorHandler error;
  if (!reader.Open(error)) return false;
  std::vector<uint8_t> content(reader.Size());
  size_t got = 0;
  const bool ok = reader.ReadAt(0, content, error, &got);
  reader.Close();
  if (!ok) return false;
  content.resize(got);
  bytes = std::move(content);
  return true;
}

}  // namespace tarvex::engine
