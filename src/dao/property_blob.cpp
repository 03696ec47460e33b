#include "dao/property_blob.h"

#include <algorithm>

#include "format/data_reader.h"

namespace tarvex::dao {
namespace {

constexpr uint8_t kMagic[] = {'M', 'R', '2', 0};
constexpr uint8_t kJet3Magic[] = {'K', 'K', 'D', 0};
constexpr uint16_t kNameListChunk = 0x80;
constexpr uint16_t kColumnChunk = 0x01;
constexpr size_t kChunkHeaderLength = 6;
constexpr size_t kRecordHeaderLength = 8;

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// A name: UTF-16LE code units in Jet 4, code-page bytes in Jet 3.
void PutName(std::vector<uint8_t>& out, const std::u16string& name, const TextFormat& text) {
  if (text.version == format::JetVersion::kJet3) {
    const auto bytes = EncodeStoredText(name, false, text);
    PutU16(out, static_cast<uint16_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return;
  }
  PutU16(out, static_cast<uint16_t>(name.size() * 2));
  for (char16_t c : name) PutU16(out, static_cast<uint16_t>(c));
}

// Wraps `body` as a chunk of `type`.
void AppendChunk(std::vector<uint8_t>& out, uint16_t type, const std::vector<uint8_t>& body) {
  size_t at = out.size();
  out.resize(at + kChunkHeaderLength);
  format::PutU32(out, at, static_cast<uint32_t>(kChunkHeaderLength + body.size()));
  format::PutU16(out, at + 4, type);
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::vector<uint8_t> EncodePropertyBlob(const std::vector<ColumnProperties>& columns,
                                        const TextFormat& text) {
  std::vector<std::u16string> names;
  for (const auto& column : columns)
    for (const auto& p : column.properties)
      if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
  if (names.empty()) return {};
  const bool jet3 = text.version == format::JetVersion::kJet3;
  std::vector<uint8_t> blob(jet3 ? std::begin(kJet3Magic) : std::begin(kMagic),
                            jet3 ? std::end(kJet3Magic) : std::end(kMagic));
  std::vector<uint8_t> list;
  for (const auto& name : names) PutName(list, name, text);
  AppendChunk(blob, kNameListChunk, list);
  for (const auto& column : columns) {
    if (column.properties.empty()) continue;
    std::vector<uint8_t> body(4);
    PutName(body, column.column, text);
    format::PutU32(body, 0, static_cast<uint32_t>(body.size()));
    for (const auto& p : column.properties) {
      auto index =
          static_cast<uint16_t>(std::find(names.begin(), names.end(), p.name) - names.begin());
      PutU16(body, static_cast<uint16_t>(kRecordHeaderLength + p.data.size()));
      body.push_back(p.ddl ? 1 : 0);
      body.push_back(p.type);
      PutU16(body, index);
      PutU16(body, static_cast<uint16_t>(p.data.size()));
      body.insert(body.end(), p.data.begin(), p.data.end());
    }
    AppendChunk(blob, kColumnChunk, body);
  }
  return blob;
}

}  // namespace tarvex::dao
