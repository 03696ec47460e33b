#include "format/property_blob.h"

#include <algorithm>
#include <iterator>

#include "format/code_page.h"

namespace tarvex::format {
namespace {

// A name: its 16-bit byte length, then UTF-16LE units (code-page bytes in Jet 3).
std::optional<std::u16string> ReadName(Bytes bytes, size_t& at, JetVersion version,
                                       uint16_t codePage) {
  const auto length = CDataReader::U16(bytes, at);
  if (!length) return std::nullopt;
  const auto raw = CDataReader::Slice(bytes, at + 2, *length);
  if (!raw) return std::nullopt;
  at += 2 + *length;
  if (version == JetVersion::kJet3) return DecodeCodePage(*raw, codePage);
  std::u16string name;
  for (size_t i = 0; i + 1 < raw->size(); i += 2)
    name.push_back(static_cast<char16_t>((*raw)[i] | (*raw)[i + 1] << 8));
  return name;
}

std::vector<std::u16string> ReadNames(Bytes chunk, JetVersion version, uint16_t codePage) {
  std::vector<std::u16string> names;
  for (size_t at = 0; at < chunk.size();) {
    auto name = ReadName(chunk, at, version, codePage);
    if (!name) break;
    names.push_back(std::move(*name));
  }
  return names;
}

std::optional<PropertyObject> ReadObject(Bytes chunk, bool column,
                                         const std::vector<std::u16string>& names,
                                         JetVersion version, uint16_t codePage) {
  PropertyObject object{column, {}, {}};
  const auto nameBlock = CDataReader::U32(chunk, 0);
  if (!nameBlock || *nameBlock < 4 || *nameBlock > chunk.size()) return std::nullopt;
  if (*nameBlock > 6) {
    size_t at = 4;
    auto name = ReadName(chunk.first(*nameBlock), at, version, codePage);
    if (!name) return std::nullopt;
    object.name = std::move(*name);
  }
  for (size_t at = *nameBlock; at < chunk.size();) {
    const auto length = CDataReader::U16(chunk, at);
    const auto type = CDataReader::U8(chunk, at + 3);
    const auto nameIndex = CDataReader::U16(chunk, at + 4);
    const auto dataLength = CDataReader::U16(chunk, at + 6);
    if (!length || !type || !nameIndex || !dataLength || *length < kPropertyValueHeaderLength)
      break;
    const auto data = CDataReader::Slice(chunk, at + kPropertyValueHeaderLength, *dataLength);
    if (!data || *nameIndex >= names.size()) break;
    object.properties.push_back({names[*nameIndex], *type, *data});
    at += *length;
  }
  return object;
}

}  // namespace

const StoredProperty* PropertyObject::Find(std::u16string_view property) const {
  const auto found = std::find_if(properties.begin(), properties.end(),
                                  [&](const auto& stored) { return stored.name == property; });
  return found == properties.end() ? nullptr : &*found;
}

std::vector<PropertyObject> ReadPropertyBlob(Bytes blob, JetVersion version, uint16_t codePage) {
  std::vector<PropertyObject> objects;
  const Bytes magic =
      version == JetVersion::kJet3 ? Bytes(kJet3PropertyBlobMagic) : Bytes(kPropertyBlobMagic);
  if (blob.size() < magic.size() || !std::equal(magic.begin(), magic.end(), blob.begin()))
    return objects;
  std::vector<std::u16string> names;
  // Every chunk is at least its header long, so the walk ends.
  for (size_t at = magic.size(); at < blob.size();) {
    const auto length = CDataReader::U32(blob, at);
    const auto type = CDataReader::U16(blob, at + 4);
    if (!length || !type || *length < kPropertyChunkHeaderLength) break;
    const auto chunk = CDataReader::Slice(blob, at + kPropertyChunkHeaderLength,
                                          *length - kPropertyChunkHeaderLength);
    if (!chunk) break;
    if (*type == kPropertyNameListChunk) {
      names = ReadNames(*chunk, version, codePage);
    } else if (*type == kTablePropertiesChunk || *type == kColumnPropertiesChunk) {
      auto object = ReadObject(*chunk, *type == kColumnPropertiesChunk, names, version, codePage);
      if (!object) break;
      objects.push_back(std::move(*object));
    }
    at += *length;
  }
  return objects;
}

}  // namespace tarvex::format
