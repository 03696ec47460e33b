// One row of a table, both layouts: its parts, its values, and reading it back
// from its end. Round trip: a row whose parts fit exactly, encoded again from
// its values, decodes to the same values.
#include <set>

#include "dao/row_codec.h"
#include "format/row.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// Whether the row encoder can place every column where the decoder reads it: fixed columns
// apart from each other, variable slots each of one column.
bool Placeable(const std::vector<format::RowColumn>& columns) {
  std::set<uint16_t> numbers, slots;
  std::vector<std::pair<uint32_t, uint32_t>> fixed;
  for (const auto& c : columns) {
    if (!numbers.insert(c.number).second) return false;
    if (c.variable && !slots.insert(c.variableIndex).second) return false;
    if (c.variable || c.boolean) continue;
    for (const auto& [start, end] : fixed)
      if (c.fixedOffset < end && start < c.fixedOffset + c.length) return false;
    fixed.emplace_back(c.fixedOffset, c.fixedOffset + c.length);
  }
  return true;
}

std::vector<format::StoredValue> Values(const format::RowDecoder& row,
                                        const std::vector<format::RowColumn>& columns) {
  std::vector<format::StoredValue> values;
  for (const auto& c : columns) {
    if (c.boolean) {
      values.push_back(row.HasValue(c.number) ? format::StoredValue(std::vector<uint8_t>{})
                                              : std::nullopt);
      continue;
    }
    const auto bytes = row.Value(c);
    values.push_back(bytes ? format::StoredValue(std::vector<uint8_t>(bytes->begin(), bytes->end()))
                           : std::nullopt);
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const auto spec = fuzz::ReadColumnSpec(in);
  const format::Bytes row = in.Rest();
  format::TableDefinition table;
  table.columns = spec.columns;
  const auto columns = dao::RowColumns(table);

  format::RowDecoder plain;
  if (plain.Decode(row, layout, spec.shape) == format::RowProblem::kNone) {
    for (uint32_t slot = 0; slot < plain.variableCount() && slot <= 0xFFFF; ++slot)
      if (const auto bytes = plain.VariableBytes(static_cast<uint16_t>(slot)))
        FUZZ_CHECK(bytes->data() >= row.data() && bytes->data() + bytes->size() <= row.data() + row.size());
    (void)plain.Fit(columns, table.FixedAreaLength());
  }

  format::RowFrame frame(layout, spec.shape, columns);
  (void)frame.StartBefore(row, 0, static_cast<uint32_t>(row.size()));
  if (frame.Fit(row) != format::RowFit::kExact || !Placeable(columns)) return 0;
  const auto& decoded = frame.decoder();
  const auto values = Values(decoded, columns);
  for (const auto& value : values)
    if (value) FUZZ_CHECK(value->size() <= row.size());

  format::RowEncoder encoder(layout, columns, decoded.columnCount(), table.FixedAreaLength(),
                             static_cast<uint16_t>(decoded.variableCount()));
  const auto encoded = encoder.Encode(values);
  format::RowDecoder again;
  FUZZ_CHECK(again.Decode(encoded, layout, spec.shape) == format::RowProblem::kNone);
  FUZZ_CHECK(Values(again, columns) == values);
  return 0;
}
