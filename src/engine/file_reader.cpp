#include "engine/file_reader.h"

#include "engine/db_file_reader.h"

namespace tarvex::engine {

bool CFileReader::ReadAll(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                          model::CErrorHandler& error) {
  CDBFileReader reader;
  if (!reader.Open(path, error)) return false;
  bytes.resize(reader.Size());
  size_t got = 0;
  const bool read = reader.ReadAt(0, bytes, error, &got);
  if (read && got != bytes.size()) error.Set(u"The file is shorter than its size.", 1);
  return read && got == bytes.size();
}

}  // namespace tarvex::engine
