#include "writer/stored_query_rows.h"

#include <limits>

#include "format/unicode.h"
#include "format/value_binary.h"

namespace tarvex::writer {
namespace {

using format::QueryRowKind;

constexpr int32_t kLargestKnownAttribute = 12;  // Access writes 12 without a statement reading it

// A whole 32-bit decimal number, as the engine stores the numbers of MSysQueries.
std::optional<int32_t> Number(const std::u16string& text) {
  size_t at = text.starts_with(u'-') ? 1 : 0;
  if (at == text.size() || text.size() - at > 10) return std::nullopt;
  int64_t value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < u'0' || text[at] > u'9') return std::nullopt;
    value = value * 10 + (text[at] - u'0');
  }
  if (text.starts_with(u'-')) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

// An optional number: the empty text is a null.
bool OptionalNumber(const std::u16string& text, std::optional<int32_t>& value) {
  if (text.empty()) return true;
  value = Number(text);
  return value.has_value();
}

bool KnownAttribute(int32_t code) {
  return (code >= 0 && code <= kLargestKnownAttribute) ||
         code == static_cast<int32_t>(QueryRowKind::kEnd);
}

// The Order column: four bytes, big-endian.
std::optional<int32_t> Order(const std::u16string& text, format::JetVersion version) {
  const std::vector<uint8_t> bytes = format::BinaryValueBytes(version, text);
  if (bytes.size() != 4) return std::nullopt;
  const uint32_t value = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 |
                         uint32_t{bytes[2]} << 8 | uint32_t{bytes[3]};
  return static_cast<int32_t>(value);
}

bool Lost(const model::TableLosses& losses) {
  return losses.SkippedRowCount() > 0 || !losses.unreadablePages.empty() ||
         losses.PartialValueCount() > 0 || losses.UnreadableValueCount() > 0 ||
         losses.dataFileFailed || losses.definitionLost;
}

// Access 97 closes the text of a data-definition or pass-through query with a
// U+0000, which the Jet 3 value decoding drops with every zero byte.
void RestoreClosingZero(dao::SavedQueryRow& row) {
  const bool text = row.flag == static_cast<int32_t>(format::QueryTypeCode::kDataDefinition) ||
                    row.flag == static_cast<int32_t>(format::QueryTypeCode::kPassThrough);
  if (row.attribute == QueryRowKind::kType && text && !row.expression.empty() &&
      !row.expression.ends_with(u'\0'))
    row.expression += u'\0';
}

}  // namespace

StoredQueryRows StoredRowsOf(const query::QueryRowList& rows, const model::TableLosses& losses,
                             format::JetVersion version) {
  if (Lost(losses)) return {std::nullopt, "MSysQueries lost rows or values in the scan"};
  std::vector<dao::SavedQueryRow> stored;
  for (const query::CQueryAttributes* row = rows.head(); row; row = row->next) {
    const auto attribute = Number(row->attribute);
    if (!attribute || !KnownAttribute(*attribute))
      return {std::nullopt,
              "a row has no known attribute: '" + format::ToUtf8(row->attribute) + "'"};
    dao::SavedQueryRow& out = stored.emplace_back();
    out.attribute = static_cast<QueryRowKind>(*attribute);
    out.name1 = row->name1;
    out.name2 = row->name2;
    out.expression = row->expression;
    if (!OptionalNumber(row->flag, out.flag) || !OptionalNumber(row->spare7, out.lvExtra))
      return {std::nullopt, "a row's flag or LvExtra is no number"};
    const auto order = Order(row->spare2, version);
    if (!order) return {std::nullopt, "a row's Order is not four bytes"};
    out.order = *order;
    if (version == format::JetVersion::kJet3) RestoreClosingZero(out);
  }
  return {std::move(stored), {}};
}

}  // namespace tarvex::writer
