#include "format/value_format.h"

#include <bit>
#include <string>

#include "format/value_binary.h"
#include "format/value_conversion.h"
#include "format/value_numbers.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::format {
namespace {

std::u16string DecimalText(std::optional<int64_t> value) {
  return value ? AsciiToText(std::to_string(*value)) : std::u16string();
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

std::u16string SingleValueText(JetVersion version, Bytes raw) {
  const auto bits = CDataReader::U32(raw, 0);
  return bits ? SingleText(version, std::bit_cast<float>(*bits)) : std::u16string();
}

std::u16string DoubleValueText(JetVersion version, Bytes raw) {
  const auto value = CDataConversion::DoubleFromBytes(raw);
  return value ? DoubleText(version, *value) : std::u16string();
}

std::u16string DefaultText(uint8_t type) { return AsciiToText("Default " + std::to_string(type)); }

bool IsJet4(const ValueContext& ctx) { return ctx.version == JetVersion::kJet4; }

std::u16string TextValue(const ValueContext& ctx, Bytes raw) {
  return IsJet4(ctx) ? DecodeJet4Text(raw) : CDataConversion::Jet3Text(raw, ctx.codePage);
}

std::u16string MemoValue(const ValueContext& ctx, Bytes raw) {
  return IsJet4(ctx) ? DecodeJet4Text(raw) : CDataConversion::Jet3MemoText(raw, ctx.codePage);
}

// Every type but boolean, whose value is present.
std::u16string PresentValueText(const ValueContext& ctx, uint8_t type, Bytes raw) {
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::kByte:
      return DecimalText(CDataReader::U8(raw, 0));
    case ColumnType::kInt:
      return DecimalText(Signed16(raw));
    case ColumnType::kLong:
      return DecimalText(CDataReader::I32AsI64(raw, 0));
    case ColumnType::kCurrency:
      return CDataConversion::CurrencyText(raw);
    case ColumnType::kSingle:
      return SingleValueText(ctx.version, raw);
    case ColumnType::kDouble:
      return DoubleValueText(ctx.version, raw);
    case ColumnType::kDateTime:
      return CDataConversion::DateText(raw);
    case ColumnType::kBinary:
      return BinaryValueText(ctx.version, raw);
    case ColumnType::kText:
      return TextValue(ctx, raw);
    case ColumnType::kOle:
      return Utf16LeToText(raw);  // the path of the OLE object file
    case ColumnType::kMemo:
      return MemoValue(ctx, raw);
    case ColumnType::kUnknown13:
      return u"Unknown";
    case ColumnType::kGuid:
      return CDataConversion::GuidText(raw);
    case ColumnType::kNumeric:
      return IsJet4(ctx) ? CDataConversion::NumericText(raw, ctx.scale) : DefaultText(type);
    case ColumnType::kUnknown17:
      return IsJet4(ctx) ? DefaultText(type) : std::u16string();
    case ColumnType::kComplex:
      return IsJet4(ctx) ? DecimalText(CDataReader::I32AsI64(raw, 0)) : DefaultText(type);
    case ColumnType::kBigInt:
      return DecimalText(Signed64(raw));
    case ColumnType::kExtDateTime:
      return CDataConversion::ExtendedDateText(raw);
    case ColumnType::kBoolean:
      break;
  }
  return DefaultText(type);
}

}  // namespace

std::optional<std::u16string> FormatValue(const ValueContext& ctx, uint8_t type, Bytes raw,
                                          bool nullMaskBit) {
  if (type == TypeCode(ColumnType::kBoolean)) return nullMaskBit ? u"True" : u"False";
  if (!nullMaskBit) return std::nullopt;
  return PresentValueText(ctx, type, raw);
}

}  // namespace tarvex::format
