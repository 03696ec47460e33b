#include "dao/index_key.h"

#include <algorithm>
#include <array>
#include <string>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "dao/general_legacy_codes.h"
#include "format/value_decimal.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

constexpr uint8_t kAscendingPresent = 0x7F;
constexpr uint8_t kDescendingPresent = 0x80;
constexpr uint8_t kAscendingNull = 0x00;
constexpr uint8_t kDescendingNull = 0xFF;
constexpr uint8_t kTextEnd = 0x01;
constexpr uint8_t kExtraPlaceholder = 0x02;
constexpr uint8_t kUnprintableMarker = 0x06;
constexpr uint8_t kControlSortPrefix = 0x08;  // first code of tab, line feed and the like
constexpr size_t kBinarySegment = 8;
constexpr uint8_t kMoreSegments = 0x09;

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
    size_t length = std::min(kBinarySegment, value.size() - at);
    std::array<uint8_t, kBinarySegment> segment{};
    std::copy_n(value.begin() + static_cast<std::ptrdiff_t>(at), length, segment.begin());
    at += length;
    if (!ascending) Invert(segment);
    key.insert(key.end(), segment.begin(), segment.end());
    bool more = at < value.size();
    uint8_t marker = more ? kMoreSegments : static_cast<uint8_t>(length);
    key.push_back(more || ascending ? marker : static_cast<uint8_t>(~marker));
  }
}

std::vector<uint8_t> GuidTextOrder(std::span<const uint8_t> v) {
  return {v[3], v[2], v[1],  v[0],  v[5],  v[4],  v[7],  v[6],
          v[8], v[9], v[10], v[11], v[12], v[13], v[14], v[15]};
}

class TextKeyBuilder {
 public:
  void Add(char16_t c) {
    if (c > 0xFF) {
      AddInline({static_cast<uint8_t>(0xFC + (c >> 14)),
                 static_cast<uint8_t>(2 + ((c >> 7) & 0x7F)),
                 static_cast<uint8_t>(2 + (c & 0x7F))});
      return;
    }
    const SortCode& code = GeneralLegacyCode(static_cast<uint8_t>(c));
    size_t thisPos = position_;
    if (code.inlineLength > 0) {
      std::array<uint8_t, 2> bytes{code.inline0, code.inline1};
      inline_.insert(inline_.end(), bytes.begin(), bytes.begin() + code.inlineLength);
      // A letter that sorts as two (ß as "ss", æ as "ae") takes two places,
      // as Access counts them for the unprintable characters after it.
      position_ += code.inlineLength == 2 && code.inline0 != kControlSortPrefix ? 2 : 1;
    }
    if (code.kind == 'I') AddExtra(thisPos, code.extra);
    if (code.kind == 'U') AddUnprintable(thisPos, code.extra);
  }

  std::vector<uint8_t> Finish(bool ascending) {
    std::vector<uint8_t> out = std::move(inline_);
    out.push_back(kTextEnd);
    while (!extra_.empty() && extra_.back() <= kExtraPlaceholder) extra_.pop_back();
    out.insert(out.end(), extra_.begin(), extra_.end());
    if (!unprintable_.empty()) {
      out.insert(out.end(), {kTextEnd, kTextEnd, kTextEnd});
      out.insert(out.end(), unprintable_.begin(), unprintable_.end());
    }
    if (!ascending) {
      out.push_back(0x00);
      Invert(out);
    }
    out.push_back(0x00);
    return out;
  }

 private:
  void AddInline(std::initializer_list<uint8_t> bytes) {
    inline_.insert(inline_.end(), bytes);
    ++position_;
  }
  void AddExtra(size_t thisPos, uint8_t extra) {
    while (extraChars_ < thisPos) {
      extra_.push_back(kExtraPlaceholder);
      ++extraChars_;
    }
    extra_.push_back(extra);
    ++extraChars_;
  }
  void AddUnprintable(size_t thisPos, uint8_t code) {
    size_t p = extra_.empty() ? thisPos : extra_.size() + (thisPos - extraChars_);
    uint16_t where = static_cast<uint16_t>((7 + 4 * p) | 0x8000);
    unprintable_.insert(
        unprintable_.end(),
        {static_cast<uint8_t>(where >> 8), static_cast<uint8_t>(where), kUnprintableMarker, code});
  }

  std::vector<uint8_t> inline_;
  std::vector<uint8_t> extra_;
  std::vector<uint8_t> unprintable_;
  size_t position_ = 0;
  size_t extraChars_ = 0;
};

}  // namespace

std::vector<uint8_t> TextKey(std::u16string_view text, bool ascending) {
  text = text.substr(0, format::kMaxTextCharacters);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  TextKeyBuilder builder;
  for (char16_t c : text) builder.Add(c);
  return builder.Finish(ascending);
}

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
                     std::optional<std::span<const uint8_t>> value, bool ascending) {
  auto type = static_cast<FieldType>(typeCode);
  if (!IsIndexableType(typeCode))
    throw DaoException("Columns of type " + std::to_string(typeCode) + " cannot be indexed.");
  if (type == FieldType::kBoolean) {
    key.push_back(ascending ? kAscendingPresent : kDescendingPresent);
    bool set = value.has_value();
    key.push_back(static_cast<uint8_t>(set == ascending ? 0x00 : 0xFF));
    return true;
  }
  if (!value) {
    key.push_back(ascending ? kAscendingNull : kDescendingNull);
    return true;
  }
  key.push_back(ascending ? kAscendingPresent : kDescendingPresent);
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
      const auto decoded = format::DecodeJet4Text(*value);
      auto text = TextKey(decoded, ascending);
      key.insert(key.end(), text.begin(), text.end());
      return std::none_of(decoded.begin(), decoded.end(), [](char16_t c) { return c > 0xFF; });
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
