#include "format/value_format.h"

#include <array>
#include <bit>
#include <charconv>
#include <string>

#include "format/calculated_value.h"
#include "format/value_binary.h"
#include "format/value_conversion.h"
#include "format/value_numbers.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::format {
namespace {

void DecimalTextInto(std::optional<int64_t> value, std::u16string& text) {
  if (!value) return text.clear();
  std::array<char, 24> digits;
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), *value).ptr;
  AsciiToTextInto({digits.data(), static_cast<size_t>(end - digits.data())}, text);
}

std::u16string DecimalText(std::optional<int64_t> value) {
  std::u16string text;
  DecimalTextInto(value, text);
  return text;
}

std::optional<int64_t> Signed16(Bytes raw) {
  const auto value = CDataReader::U16(raw, 0);
  if (!value) return std::nullopt;
  return static_cast<int16_t>(*value);
}

std::optional<int64_t> Signed64(Bytes raw) {
  const auto value = CDataReader::U64(raw, 0);
  if (!value) return std::nullopt;
  return static_cast<int64_t>(*value);
}

void SingleValueTextInto(JetVersion version, Bytes raw, std::u16string& text) {
  const auto bits = CDataReader::U32(raw, 0);
  if (!bits) return text.clear();
  SingleTextInto(version, std::bit_cast<float>(*bits), text);
}

void DoubleValueTextInto(JetVersion version, Bytes raw, std::u16string& text) {
  const auto value = CDataConversion::DoubleFromBytes(raw);
  if (!value) return text.clear();
  DoubleTextInto(version, *value, text);
}

std::u16string DefaultText(uint8_t type) { return AsciiToText("Default " + std::to_string(type)); }

bool IsJet4(const ValueContext& ctx) { return ctx.version == JetVersion::kJet4; }

void TextValueInto(const ValueContext& ctx, Bytes raw, std::u16string& text) {
  if (IsJet4(ctx)) return DecodeJet4TextInto(raw, text);
  text = CDataConversion::Jet3Text(raw, ctx.codePage);
}

void MemoValueInto(const ValueContext& ctx, Bytes raw, std::u16string& text) {
  if (IsJet4(ctx)) return DecodeJet4TextInto(raw, text);
  text = CDataConversion::Jet3MemoText(raw, ctx.codePage);
}

// The frequent types, formatted into `text` itself; false for the others.
bool FrequentValueTextInto(const ValueContext& ctx, uint8_t type, Bytes raw, std::u16string& text) {
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kByte:
      DecimalTextInto(CDataReader::U8(raw, 0), text);
      return true;
    case ColumnType::kInt:
      DecimalTextInto(Signed16(raw), text);
      return true;
    case ColumnType::kLong:
      DecimalTextInto(CDataReader::I32AsI64(raw, 0), text);
      return true;
    case ColumnType::kCurrency:
      CDataConversion::CurrencyTextInto(raw, text);
      return true;
    case ColumnType::kSingle:
      SingleValueTextInto(ctx.version, raw, text);
      return true;
    case ColumnType::kDouble:
      DoubleValueTextInto(ctx.version, raw, text);
      return true;
    case ColumnType::kDateTime:
      CDataConversion::DateTextInto(raw, text);
      return true;
    case ColumnType::kText:
      TextValueInto(ctx, raw, text);
      return true;
    case ColumnType::kOle:
      Utf16LeToTextInto(raw, text);  // the path of the OLE object file
      return true;
    case ColumnType::kMemo:
      MemoValueInto(ctx, raw, text);
      return true;
    case ColumnType::kBigInt:
      DecimalTextInto(Signed64(raw), text);
      return true;
    default:
      return false;
  }
}

// The types FrequentValueTextInto leaves, but boolean, whose value is present.
std::u16string OtherValueText(const ValueContext& ctx, uint8_t type, Bytes raw) {
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kBinary:
      return BinaryValueText(ctx.version, raw);
    case ColumnType::kUnknown13:
      return u"Unknown";
    case ColumnType::kGuid:
      return CDataConversion::GuidText(raw);
    case ColumnType::kNumeric:
      if (!IsJet4(ctx)) return DefaultText(type);
      if (ctx.calculated) {
        // The value carries its scale, which its text keeps, a zero's included.
        const auto decimal = ReadCalculatedDecimal(raw);
        if (!decimal) return {};
        if (decimal->value.magnitude == 0 && decimal->scale > 0)
          return u"0." + std::u16string(decimal->scale, u'0');
        return CDataConversion::NumericText(EncodeDecimal(decimal->value), decimal->scale);
      }
      return CDataConversion::NumericText(raw, ctx.scale);
    case ColumnType::kUnknown17:
      return IsJet4(ctx) ? DefaultText(type) : std::u16string();
    case ColumnType::kComplex:
      return IsJet4(ctx) ? DecimalText(CDataReader::I32AsI64(raw, 0)) : DefaultText(type);
    case ColumnType::kExtDateTime:
      return CDataConversion::ExtendedDateText(raw);
    default:
      break;
  }
  return DefaultText(type);
}

}  // namespace

std::optional<std::u16string> FormatValue(const ValueContext& ctx, uint8_t type, Bytes raw,
                                          bool nullMaskBit) {
  std::u16string text;
  if (!FormatValueInto(ctx, type, raw, nullMaskBit, text)) return std::nullopt;
  return text;
}

bool FormatValueInto(const ValueContext& ctx, uint8_t type, Bytes raw, bool nullMaskBit,
                     std::u16string& text) {
  if (type == TypeCode(ColumnType::kBoolean)) {
    AsciiToTextInto(nullMaskBit ? "True" : "False", text);
    return true;
  }
  if (!nullMaskBit) {
    text.clear();
    return false;
  }
  if (!FrequentValueTextInto(ctx, type, raw, text)) text = OtherValueText(ctx, type, raw);
  return true;
}

}  // namespace tarvex::format
