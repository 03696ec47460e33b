#include "dao/index_key.h"

#include <algorithm>
#include <array>
#include <string>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "format/database_header.h"
#include "format/index_key.h"
#include "format/index_key_jet3.h"
#include "format/value_decimal.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

void Invert(std::span<uint8_t> bytes) {
  for (auto& b : bytes) b = static_cast<uint8_t>(~b);
}

// Little-endian stored bytes to big-endian with the sign bit flipped.
std::vector<uint8_t> IntegerKey(std::span<const uint8_t> value) {
  std::vector<uint8_t> out(value.rbegin(), value.rend());
  if (!out.empty()) out[0] ^= 0x80;
  return out;
}

std::vector<uint8_t> FloatKey(std::span<const uint8_t> value) {
  std::vector<uint8_t> out(value.rbegin(), value.rend());
  if (out.empty()) return out;
  if (out[0] & 0x80)
    Invert(out);
  else
    out[0] ^= 0x80;
  return out;
}

// A decimal as Jet 4 files key it (this engine writes Jet 4 files): the
// magnitude big-endian behind a byte that is 0xFF for a positive value and
// 0x00 for a negative one, the magnitude inverted when the value is negative
// in an ascending key or positive in a descending one. Descending keys thus
// keep negative values first, as Access's own Jet 4 indexes do.
std::vector<uint8_t> DecimalKey(std::span<const uint8_t> value, bool ascending) {
  const auto decimal = format::ReadDecimal(value);
  if (!decimal) throw DaoException("A decimal value is shorter than its type.");
  std::vector<uint8_t> out(format::kDecimalSize);
  for (size_t i = 1; i < out.size(); ++i)
    out[i] = static_cast<uint8_t>(decimal->magnitude >> (8 * (out.size() - 1 - i)));
  if (decimal->negative == ascending) Invert(out);
  out[0] = decimal->negative ? 0x00 : 0xFF;
  return out;
}

void AppendSegments(std::vector<uint8_t>& key, std::span<const uint8_t> value, bool ascending) {
  size_t at = 0;
  while (at < value.size()) {
    size_t length = std::min(format::kKeySegment, value.size() - at);
    std::array<uint8_t, format::kKeySegment> segment{};
    std::copy_n(value.begin() + static_cast<std::ptrdiff_t>(at), length, segment.begin());
    at += length;
    if (!ascending) Invert(segment);
    key.insert(key.end(), segment.begin(), segment.end());
    bool more = at < value.size();
    uint8_t marker = more ? format::kKeyMoreSegments : static_cast<uint8_t>(length);
    key.push_back(more || ascending ? marker : static_cast<uint8_t>(~marker));
  }
}

std::vector<uint8_t> GuidTextOrder(std::span<const uint8_t> v) {
  return {v[3], v[2], v[1],  v[0],  v[5],  v[4],  v[7],  v[6],
          v[8], v[9], v[10], v[11], v[12], v[13], v[14], v[15]};
}

}  // namespace

bool IsIndexableType(uint8_t typeCode) {
  switch (static_cast<FieldType>(typeCode)) {
    case FieldType::kBoolean:
    case FieldType::kByte:
    case FieldType::kInteger:
    case FieldType::kLong:
    case FieldType::kCurrency:
    case FieldType::kSingle:
    case FieldType::kDouble:
    case FieldType::kDate:
    case FieldType::kBinary:
    case FieldType::kText:
    case FieldType::kGuid:
    case FieldType::kDecimal:
      return true;
    default:
      return false;
  }
}

bool AppendKeyColumn(std::vector<uint8_t>& key, uint8_t typeCode,
                     std::optional<std::span<const uint8_t>> value, bool ascending,
                     const KeyText& keyText) {
  auto type = static_cast<FieldType>(typeCode);
  if (!IsIndexableType(typeCode))
    throw DaoException("Columns of type " + std::to_string(typeCode) + " cannot be indexed.");
  if (type == FieldType::kBoolean) {
    key.push_back(ascending ? format::kKeyAscendingPresent : format::kKeyDescendingPresent);
    bool set = value.has_value();
    key.push_back(static_cast<uint8_t>(set == ascending ? 0x00 : 0xFF));
    return true;
  }
  if (!value) {
    key.push_back(ascending ? format::kKeyAscendingNull : format::kKeyDescendingNull);
    return true;
  }
  key.push_back(ascending ? format::kKeyAscendingPresent : format::kKeyDescendingPresent);
  std::vector<uint8_t> bytes;
  switch (type) {
    case FieldType::kByte:
      bytes.assign(value->begin(), value->end());
      break;
    case FieldType::kInteger:
    case FieldType::kLong:
    case FieldType::kCurrency:
      bytes = IntegerKey(*value);
      break;
    case FieldType::kSingle:
    case FieldType::kDouble:
    case FieldType::kDate:
      bytes = FloatKey(*value);
      break;
    case FieldType::kDecimal: {
      auto decimal = DecimalKey(*value, ascending);
      key.insert(key.end(), decimal.begin(), decimal.end());
      return true;
    }
    case FieldType::kText: {
      const auto decoded = DecodeStoredText(*value, keyText.format);
      if (keyText.format.version == format::JetVersion::kJet3) {
        // Every text column this engine writes is in the General sort order.
        // A code page whose General 97 keys are not known here keys in the
        // Jet 4 form and is reported as not Access's, so that the index is left out.
        if (const auto text = format::Jet3TextKey(*value, format::kGeneralSortOrder,
                                                  keyText.format.codePage, ascending)) {
          key.insert(key.end(), text->begin(), text->end());
          return true;
        }
        const auto text = format::TextKey(decoded, ascending, keyText.codes);
        key.insert(key.end(), text.begin(), text.end());
        return false;
      }
      bool exact = true;
      const auto text = format::TextKey(decoded, ascending, keyText.codes, &exact);
      key.insert(key.end(), text.begin(), text.end());
      return exact;
    }
    case FieldType::kGuid:
      AppendSegments(key,
                     value->size() == 16 ? GuidTextOrder(*value)
                                         : std::vector<uint8_t>(value->begin(), value->end()),
                     ascending);
      return true;
    default:
      AppendSegments(key, *value, ascending);
      return true;
  }
  if (!ascending) Invert(bytes);
  key.insert(key.end(), bytes.begin(), bytes.end());
  return true;
}

}  // namespace tarvex::dao
