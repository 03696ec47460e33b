#include "format/property_blob.h"

#include <algorithm>
#include <iterator>

#include "format/code_page.h"

namespace tarvex::format {
namespace {

Bytes MagicOf(JetVersion version) {
  return version == JetVersion::kJet3 ? Bytes(kJet3PropertyBlobMagic) : Bytes(kPropertyBlobMagic);
}

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
    const auto ddl = CDataReader::U8(chunk, at + 2);
    const auto type = CDataReader::U8(chunk, at + 3);
    const auto nameIndex = CDataReader::U16(chunk, at + 4);
    const auto dataLength = CDataReader::U16(chunk, at + 6);
    if (!length || !ddl || !type || !nameIndex || !dataLength ||
        *length < kPropertyValueHeaderLength)
      break;
    const auto data = CDataReader::Slice(chunk, at + kPropertyValueHeaderLength, *dataLength);
    if (!data || *nameIndex >= names.size()) break;
    object.properties.push_back(
        {names[*nameIndex], *type, *ddl != 0, std::vector<uint8_t>(data->begin(), data->end())});
    at += *length;
  }
  return object;
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// A name as ReadName reads it; false when it cannot be stored.
bool PutName(std::vector<uint8_t>& out, const std::u16string& name, JetVersion version,
             uint16_t codePage) {
  std::vector<uint8_t> bytes;
  if (version == JetVersion::kJet3) {
    auto encoded = EncodeCodePage(name, codePage);
    if (!encoded) return false;
    bytes = std::move(*encoded);
  } else {
    for (char16_t c : name) PutU16(bytes, static_cast<uint16_t>(c));
  }
  if (bytes.size() > 0xFFFF) return false;
  PutU16(out, static_cast<uint16_t>(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
  return true;
}

// Wraps `body` as a chunk of `type`.
void AppendChunk(std::vector<uint8_t>& out, uint16_t type, const std::vector<uint8_t>& body) {
  const size_t at = out.size();
  out.resize(at + kPropertyChunkHeaderLength);
  PutU32(out, at, static_cast<uint32_t>(kPropertyChunkHeaderLength + body.size()));
  format::PutU16(out, at + 4, type);
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

const StoredProperty* PropertyObject::Find(std::u16string_view property) const {
  const auto found = std::find_if(properties.begin(), properties.end(),
                                  [&](const auto& stored) { return stored.name == property; });
  return found == properties.end() ? nullptr : &*found;
}

std::vector<PropertyObject> ReadPropertyBlob(Bytes blob, JetVersion version, uint16_t codePage) {
  std::vector<PropertyObject> objects;
  const Bytes magic = MagicOf(version);
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

std::optional<std::vector<uint8_t>> EncodePropertyBlob(const std::vector<PropertyObject>& objects,
                                                       JetVersion version, uint16_t codePage) {
  std::vector<std::u16string> names;
  for (const auto& object : objects)
    for (const auto& p : object.properties)
      if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
  if (names.empty()) return std::vector<uint8_t>{};
  const Bytes magic = MagicOf(version);
  std::vector<uint8_t> blob(magic.begin(), magic.end());
  std::vector<uint8_t> list;
  for (const auto& name : names)
    if (!PutName(list, name, version, codePage)) return std::nullopt;
  AppendChunk(blob, kPropertyNameListChunk, list);
  for (const auto& object : objects) {
    if (object.properties.empty()) continue;
    // The object itself has an empty name in its name block; a column its own.
    std::vector<uint8_t> body(4);
    if (!PutName(body, object.column ? object.name : std::u16string(), version, codePage))
      return std::nullopt;
    PutU32(body, 0, static_cast<uint32_t>(body.size()));
    for (const auto& p : object.properties) {
      if (p.data.size() > kMaxPropertyData) return std::nullopt;
      const auto index =
          static_cast<uint16_t>(std::find(names.begin(), names.end(), p.name) - names.begin());
      PutU16(body, static_cast<uint16_t>(kPropertyValueHeaderLength + p.data.size()));
      body.push_back(p.ddl ? 1 : 0);
      body.push_back(p.type);
      PutU16(body, index);
      PutU16(body, static_cast<uint16_t>(p.data.size()));
      body.insert(body.end(), p.data.begin(), p.data.end());
    }
    AppendChunk(blob, object.column ? kColumnPropertiesChunk : kTablePropertiesChunk, body);
  }
  return blob;
}

}  // namespace tarvex::format
