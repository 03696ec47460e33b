// The text of every column type's value, both layouts. Round trip: the text a
// value is given, converted back to stored bytes by our engine, gives the same
// text again, since the writer stores what the text says.
#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/value_conversion.h"
#include "format/value_decimal.h"
#include "format/value_format.h"
#include "format/value_text.h"
#include "format/value_types.h"
#include "structure_input.h"

using namespace tarvex;
using format::ColumnType;

namespace {

constexpr uint16_t kCodePages[] = {1252, 1251, 1250, 932, 936, 949, 950, 0};
// The types our engine stores from text (OLE objects are files, given by their path).
constexpr ColumnType kStoredFromText[] = {
    ColumnType::kBoolean, ColumnType::kByte,     ColumnType::kInt,    ColumnType::kLong,
    ColumnType::kCurrency, ColumnType::kSingle,  ColumnType::kDouble, ColumnType::kDateTime,
    ColumnType::kBinary,  ColumnType::kText,     ColumnType::kMemo,   ColumnType::kGuid,
    ColumnType::kNumeric};

// The longest text and binary values a column holds.
constexpr size_t kTextColumnCharacters = 255;
constexpr size_t kBinaryColumnBytes = 255;

format::ColumnDefinition ColumnFor(uint8_t type, const format::ValueContext& ctx) {
  format::ColumnDefinition column;
  column.type = type;
  column.name = u"Value";
  const auto info = std::find_if(format::kColumnTypes.begin(), format::kColumnTypes.end(),
                                 [type](const auto& t) { return format::TypeCode(t.type) == type; });
  column.length = info == format::kColumnTypes.end() ? 0 : info->fixedSize;
  if (column.length > 0 || type == format::TypeCode(ColumnType::kBoolean))
    column.flags = format::kColumnFixed;
  if (type == format::TypeCode(ColumnType::kText))
    column.length = ctx.version == format::JetVersion::kJet4 ? 2 * kTextColumnCharacters
                                                             : kTextColumnCharacters;
  if (type == format::TypeCode(ColumnType::kBinary)) column.length = kBinaryColumnBytes;
  if (type == format::TypeCode(ColumnType::kNumeric))
    column.extra = format::DecimalExtra(format::kMaxDecimalPrecision, ctx.scale);
  return column;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const uint8_t type = in.Byte();
  const uint8_t flags = in.Byte();
  format::ValueContext ctx;
  ctx.version = flags & 1 ? format::JetVersion::kJet4 : format::JetVersion::kJet3;
  ctx.calculated = (flags & 2) != 0;
  const bool nullMaskBit = (flags & 4) != 0;
  ctx.scale = in.Byte() % (format::kMaxDecimalPrecision + 1);
  ctx.codePage = kCodePages[in.Byte() % std::size(kCodePages)];
  const format::Bytes raw = in.Rest();

  const auto text = format::FormatValue(ctx, type, raw, nullMaskBit);
  if (!text || text->empty() || ctx.calculated) return 0;
  if (std::none_of(std::begin(kStoredFromText), std::end(kStoredFromText),
                   [type](ColumnType t) { return format::TypeCode(t) == type; }))
    return 0;
  // Access 97 has no decimal fields: such a value's text says so and is never stored.
  if (type == format::TypeCode(ColumnType::kNumeric) && ctx.version == format::JetVersion::kJet3)
    return 0;
  const auto column = ColumnFor(type, ctx);
  format::StoredValue stored;
  try {
    stored = dao::ConvertText(column, *text, {ctx.version, ctx.codePage});
  } catch (const dao::DaoException& refused) {
    // A value no column of its type holds is refused, and counted, rather than changed.
    const bool unstorable =
        text->find(format::kReplacementCharacter) != std::u16string::npos ||
        (type == format::TypeCode(ColumnType::kText) && text->size() > kTextColumnCharacters) ||
        (type == format::TypeCode(ColumnType::kBinary) && raw.size() > kBinaryColumnBytes) ||
        (type == format::TypeCode(ColumnType::kNumeric) &&
         std::count_if(text->begin(), text->end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }) >
             format::kMaxDecimalPrecision);
    if (!unstorable) std::fprintf(stderr, "refused: %s\n", refused.what());
    FUZZ_CHECK(unstorable);
    return 0;
  }
  const auto again = format::FormatValue(ctx, type, stored ? format::Bytes(*stored) : format::Bytes{},
                                         type == format::TypeCode(ColumnType::kBoolean)
                                             ? stored.has_value()
                                             : true);
  FUZZ_CHECK(again == text);
  return 0;
}
