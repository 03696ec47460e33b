#include "dao/property_blob.h"

#include <algorithm>

#include "format/data_reader.h"
#include "format/property_blob.h"

namespace tarvex::dao {
namespace {

using format::kPropertyChunkHeaderLength;

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
  out.resize(at + kPropertyChunkHeaderLength);
  format::PutU32(out, at, static_cast<uint32_t>(kPropertyChunkHeaderLength + body.size()));
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
  std::vector<uint8_t> blob(
      jet3 ? std::begin(format::kJet3PropertyBlobMagic) : std::begin(format::kPropertyBlobMagic),
      jet3 ? std::end(format::kJet3PropertyBlobMagic) : std::end(format::kPropertyBlobMagic));
  std::vector<uint8_t> list;
  for (const auto& name : names) PutName(list, name, text);
  AppendChunk(blob, format::kPropertyNameListChunk, list);
  for (const auto& column : columns) {
    if (column.properties.empty()) continue;
    std::vector<uint8_t> body(4);
    PutName(body, column.column, text);
    format::PutU32(body, 0, static_cast<uint32_t>(body.size()));
    for (const auto& p : column.properties) {
      auto index =
          static_cast<uint16_t>(std::find(names.begin(), names.end(), p.name) - names.begin());
      PutU16(body, static_cast<uint16_t>(format::kPropertyValueHeaderLength + p.data.size()));
      body.push_back(p.ddl ? 1 : 0);
      body.push_back(p.type);
      PutU16(body, index);
      PutU16(body, static_cast<uint16_t>(p.data.size()));
      body.insert(body.end(), p.data.begin(), p.data.end());
    }
    AppendChunk(blob, format::kColumnPropertiesChunk, body);
  }
  return blob;
}

}  // namespace tarvex::dao
