#include "engine/free_page_map.h"

#include "engine/record_extraction.h"

namespace tarvex::engine {
namespace {

using format::CDataReader;

constexpr uint32_t kGlobalMapPage = 1;
constexpr uint8_t kInlineMap = 0x00;
constexpr uint8_t kReferenceMap = 0x01;
constexpr uint8_t kMapPageType = 0x05;
constexpr size_t kMapPageBitmapOffset = 4;

void MarkFree(std::vector<bool>& free, uint64_t firstPage, format::Bytes bitmap, uint64_t pages) {
  for (size_t byte = 0; byte < bitmap.size(); ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      const uint64_t page = firstPage + byte * 8 + bit;
      if (page >= pages) return;
      if (bitmap[byte] >> bit & 1) free[page] = true;
    }
  }
}

void ReadReferenceMap(CDBFileReader& file, const format::JetLayout& layout, format::Bytes row,
                      std::vector<bool>& free) {
  const uint64_t pages = free.size();
  const uint64_t pagesPerMapPage = (layout.pageSize - kMapPageBitmapOffset) * 8;
  std::vector<uint8_t> mapPage(layout.pageSize);
  for (size_t k = 0; 1 + 4 * k + 4 <= row.size(); ++k) {
    const uint32_t mapPageNumber = *CDataReader::U32(row, 1 + 4 * k);
    if (mapPageNumber == 0 || mapPageNumber >= pages) continue;
    CErrorHandler error;
    size_t got = 0;
    if (!file.ReadAt(layout.PageOffset(mapPageNumber), mapPage, error, &got) || got != mapPage.size() ||
        mapPage[0] != kMapPageType) {
      continue;
    }
    MarkFree(free, k * pagesPerMapPage, format::Bytes(mapPage).subspan(kMapPageBitmapOffset), pages);
  }
}

}  // namespace

FreePageMap FreePageMap::Read(CDBFileReader& file, uint64_t fileSize, const format::JetLayout& layout) {
  FreePageMap map;
  auto row = ReadRow(file, fileSize, layout, layout.PageOffset(kGlobalMapPage), 0);
  if (!row || row->empty()) return map;
  map.free_.assign(fileSize / layout.pageSize, false);
  const format::Bytes bytes(*row);
  if (bytes[0] == kInlineMap && bytes.size() > 5) {
    MarkFree(map.free_, *CDataReader::U32(bytes, 1), bytes.subspan(5), map.free_.size());
  } else if (bytes[0] == kReferenceMap) {
    ReadReferenceMap(file, layout, bytes, map.free_);
  }
  for (uint64_t page = 0; page <= format::JetLayout::kCatalogueDefinitionPage; ++page) {
    if (map.IsFree(page)) return FreePageMap();
  }
  return map;
}

}  // namespace tarvex::engine
