#include "engine/free_page_map.h"

#include "engine/record_extraction.h"
#include "format/usage_map.h"

namespace tarvex::engine {

FreePageMap FreePageMap::Read(CDBFileReader& file, uint64_t fileSize,
                              const format::JetLayout& layout) {
  FreePageMap map;
  const auto row =
      ReadRow(file, fileSize, layout, layout.PageOffset(format::kGlobalUsageMapPage), 0);
  const auto usage = row ? format::DecodeUsageMap(*row) : std::nullopt;
  if (!usage) return map;
  map.free_.assign(fileSize / layout.pageSize, false);
  std::vector<uint8_t> bitmapPage(layout.pageSize);
  const auto readBitmapPage = [&](uint32_t page) -> std::optional<format::Bytes> {
    if (page >= map.free_.size() || !file.ReadWhole(layout.PageOffset(page), bitmapPage))
      return std::nullopt;
    return format::Bytes(bitmapPage);
  };
  format::ForEachMarkedPage(*usage, layout, map.free_.size(), readBitmapPage,
                            [&map](uint64_t page) { map.free_[page] = true; });
  for (uint64_t page = 0; page <= format::JetLayout::kCatalogueDefinitionPage; ++page) {
    if (map.IsFree(page)) return FreePageMap();
  }
  return map;
}

}  // namespace tarvex::engine
