#include "model/ole_file_list.h"

#include <cstdio>

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

}  // namespace tarvex::model
