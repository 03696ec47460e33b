#include "engine/free_page_map.h"

#include "engine/record_extraction.h"
#include "format/usage_map.h"

namespace tarvex::engine {

std::vector<bool> ReadUsageMapPages(CDBFileReader& file, uint64_t fileSize,
                                    const format::JetLayout& layout, format::RowPointer mapRow) {
  const auto row = ReadRow(file, fileSize, layout, layout.PageOffset(mapRow.page), mapRow.row);
  const auto usage = row ? format::DecodeUsageMap(*row) : std::nullopt;
  if (!usage) return {};
  std::vector<bool> marked(fileSize / layout.pageSize, false);
  std::vector<uint8_t> bitmapPage(layout.pageSize);
  const auto readBitmapPage = [&](uint32_t page) -> std::optional<format::Bytes> {
    if (page >= marked.size() || !file.ReadWhole(layout.PageOffset(page), bitmapPage))
      return std::nullopt;
    return format::Bytes(bitmapPage);
  };
  format::ForEachMarkedPage(*usage, layout, marked.size(), readBitmapPage,
                            [&marked](uint64_t page) { marked[page] = true; });
  return marked;
}

FreePageMap FreePageMap::Read(CDBFileReader& file, uint64_t fileSize,
                              const format::JetLayout& layout) {
  FreePageMap map;
  map.free_ = ReadUsageMapPages(file, fileSize, layout, {format::kGlobalUsageMapPage, 0});
  for (uint64_t page = 0; page <= format::JetLayout::kCatalogueDefinitionPage; ++page) {
    if (map.IsFree(page)) return FreePageMap();
  }
  return map;
}

}  // namespace tarvex::engine
