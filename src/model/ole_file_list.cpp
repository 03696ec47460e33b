#include "model/ole_file_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "format/data_reader.h"
#include "format/value_text.h"
#include "model/access_data.h"

namespace tarvex::model {

void AppendOleFileName(const std::u16string& path) {
  const auto payload = format::TextToUtf16LeBytes(path);
  if (payload.size() > UINT32_MAX) return;
  uint8_t byteCount[4];
  format::PutU32(byteCount, 0, static_cast<uint32_t>(payload.size()));
  std::FILE* list = std::fopen(OleFileNameListPath().c_str(), "ab");
  if (!list) return;
  // A record that cannot be written only leaves its file to the working folder's removal.
  if (std::fwrite(byteCount, 1, 4, list) == 4) std::fwrite(payload.data(), 1, payload.size(), list);
  std::fclose(list);
}

bool ReadOleObjectFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                       std::string& failure) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    failure = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t total = 0;
  while (total < bytes.size()) {
    const ssize_t got =
        ::pread(fd, bytes.data() + total, bytes.size() - total, static_cast<off_t>(total));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failure = got < 0 ? std::strerror(errno) : "The file is shorter than its size.";
      break;
    }
    total += static_cast<size_t>(got);
  }
  ::close(fd);
  return total == bytes.size();
}

}  // namespace tarvex::model
