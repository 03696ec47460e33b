// A data page: the offset table walked with and without the frame of its
// table's rows, and each row looked up. Round trip: the page's whole live rows,
// put on a new page in the same order, are found there byte for byte.
#include "dao/row_codec.h"
#include "format/data_page.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

std::vector<format::Bytes> WalkRows(format::Bytes page, const format::JetLayout& layout,
                                    format::RowFrame* frame) {
  std::vector<format::Bytes> rows;
  format::RowSlotWalker walker(page, layout, frame);
  FUZZ_CHECK(walker.count() <= 0xFFFF);
  for (uint32_t n = 0; n < walker.count(); ++n) {
    const auto slot = walker.Next();
    if (!slot.located) continue;
    FUZZ_CHECK(slot.start <= slot.end && slot.end <= page.size());
    const auto bytes = slot.Of(page);
    (void)format::CutByZeroedSector(page, slot);
    if (slot.whole && !slot.deleted && !slot.moved) rows.push_back(bytes);
  }
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const auto spec = fuzz::ReadColumnSpec(in);
  const format::Bytes page = in.Take(layout.pageSize);

  format::TableDefinition table;
  table.columns = spec.columns;
  format::RowFrame frame(layout, spec.shape, dao::RowColumns(table));
  WalkRows(page, layout, &frame);
  const auto rows = WalkRows(page, layout, nullptr);
  // A lookup walks the rows before it: the last row's walks them all.
  if (!rows.empty()) (void)format::LocateRow(page, layout, format::RowSlotWalker(page, layout).count() - 1);
  if (page.size() != layout.pageSize) return 0;
  (void)format::DataPageBuilder::Continue({page.begin(), page.end()}, layout);

  const auto header = format::DecodeDataPageHeader(page, layout);
  if (!header) return 0;
  format::DataPageBuilder rebuilt(layout, header->owner);
  std::vector<format::Bytes> kept;
  for (const auto row : rows) {
    if (row.empty() || !rebuilt.CanAdd(row.size())) break;
    rebuilt.Add(row);
    kept.push_back(row);
  }
  const auto& bytes = rebuilt.bytes();
  const auto found = format::RowSlots(bytes, layout);
  FUZZ_CHECK(found.size() == kept.size());
  for (uint32_t n = 0; n < kept.size(); ++n) {
    FUZZ_CHECK(found[n].located && found[n].whole && !found[n].deleted && !found[n].moved);
    const auto row = found[n].Of(bytes);
    FUZZ_CHECK(std::equal(row.begin(), row.end(), kept[n].begin(), kept[n].end()));
  }
  return 0;
}
