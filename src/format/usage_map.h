#pragma once
// Usage maps: one row each telling which pages a table, index or long-value
// column owns or has room on; the global map (row 0 of page 1) marks the
// file's free pages. An inline map (type 0) holds a start page and a bitmap
// whose bit i stands for page start + i. A reference map (type 1) holds 4-byte
// pointers to bitmap pages, pointer k covering the k-th PagesPerBitmapPage
// pages (0: no page). A bitmap page starts with its type and three bytes.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

enum class UsageMapType : uint8_t { kInline = 0, kReference = 1 };

inline constexpr uint32_t kInlineMapHeaderLength = 5;
inline constexpr uint32_t kBitmapPageHeaderLength = 4;
inline constexpr uint8_t kBitmapPageType = 0x05;
inline constexpr uint32_t kGlobalUsageMapPage = 1;
inline constexpr uint32_t kGlobalUsageMapPageOwner = 1;
inline constexpr uint32_t kUsageMapPageOwner = 0;  // of the data pages holding the other maps

constexpr uint32_t PagesPerBitmapPage(const JetLayout& layout) {
  return (layout.pageSize - kBitmapPageHeaderLength) * 8;
}
constexpr size_t InlineMapCapacity(size_t rowLength) {
  return (rowLength - kInlineMapHeaderLength) * 8;
}
constexpr size_t ReferenceMapSlots(size_t rowLength) { return (rowLength - 1) / 4; }

struct UsageMap {
  UsageMapType type = UsageMapType::kInline;
  uint32_t startPage = 0;             // inline
  Bytes bitmap;                       // inline
  std::vector<uint32_t> bitmapPages;  // reference: one per range
};

// Nothing when the row is shorter than an inline map's header or of another type.
inline std::optional<UsageMap> DecodeUsageMap(Bytes row) {
  if (row.size() < kInlineMapHeaderLength || row[0] > 1) return std::nullopt;
  UsageMap map;
  map.type = static_cast<UsageMapType>(row[0]);
  if (map.type == UsageMapType::kInline) {
    map.startPage = *CDataReader::U32(row, 1);
    map.bitmap = row.subspan(kInlineMapHeaderLength);
    return map;
  }
  for (size_t slot = 0; slot < ReferenceMapSlots(row.size()); ++slot)
    map.bitmapPages.push_back(*CDataReader::U32(row, 1 + 4 * slot));
  return map;
}

// The bitmap of a reference map's bitmap page; nothing when `page` is not one.
inline std::optional<Bytes> DecodeBitmapPage(Bytes page, const JetLayout& layout) {
  if (page.size() != layout.pageSize || page[0] != kBitmapPageType) return std::nullopt;
  return page.subspan(kBitmapPageHeaderLength);
}

// Sets the bits of `pages` in a bitmap whose bit 0 stands for page `first`.
inline void MarkPages(std::span<uint8_t> bitmap, uint64_t first, std::span<const uint32_t> pages) {
  for (uint32_t page : pages)
    bitmap[(page - first) / 8] |= static_cast<uint8_t>(1u << (page - first) % 8);
}

// Fills `row` as an inline map from `start` marking `pages`, each below start + InlineMapCapacity.
inline void EncodeInlineMap(std::span<uint8_t> row, uint32_t start,
                            std::span<const uint32_t> pages) {
  std::fill(row.begin(), row.end(), 0);  // type 0: inline
  PutU32(row, 1, start);
  MarkPages(row.subspan(kInlineMapHeaderLength), start, pages);
}

// Fills `row` as a reference map naming `bitmapPages` (at most ReferenceMapSlots).
inline void EncodeReferenceMap(std::span<uint8_t> row, std::span<const uint32_t> bitmapPages) {
  std::fill(row.begin(), row.end(), 0);
  row[0] = static_cast<uint8_t>(UsageMapType::kReference);
  for (size_t slot = 0; slot < bitmapPages.size(); ++slot)
    PutU32(row, 1 + 4 * slot, bitmapPages[slot]);
}

// Fills `page` as the bitmap page of range `range` marking those of `pages`
// (ascending) that lie in it; false when none does.
inline bool EncodeBitmapPage(std::span<uint8_t> page, uint32_t range,
                             std::span<const uint32_t> pages, const JetLayout& layout) {
  std::fill(page.begin(), page.end(), 0);
  page[0] = kBitmapPageType;
  page[1] = 0x01;
  const uint64_t first = uint64_t{range} * PagesPerBitmapPage(layout);
  const auto begin = std::lower_bound(pages.begin(), pages.end(), first);
  const auto end = std::lower_bound(begin, pages.end(), first + PagesPerBitmapPage(layout));
  MarkPages(page.subspan(kBitmapPageHeaderLength), first, {begin, end});
  return begin != end;
}

// Calls visit(page) for every page the map marks below `pageLimit`. A
// reference map's bitmap pages come from bitmapPageAt(number), which gives the
// page's bytes or nothing (the range is then skipped).
template <typename BitmapPageAt, typename Visit>
void ForEachMarkedPage(const UsageMap& map, const JetLayout& layout, uint64_t pageLimit,
                       BitmapPageAt&& bitmapPageAt, Visit&& visit) {
  auto visitBits = [&](Bytes bitmap, uint64_t first) {
    const uint64_t end = std::min<uint64_t>(pageLimit, first + uint64_t{bitmap.size()} * 8);
    for (uint64_t page = first; page < end; ++page)
      if (bitmap[(page - first) / 8] >> ((page - first) % 8) & 1) visit(page);
  };
  if (map.type == UsageMapType::kInline) return visitBits(map.bitmap, map.startPage);
  for (size_t range = 0; range < map.bitmapPages.size(); ++range) {
    const auto page = map.bitmapPages[range] ? bitmapPageAt(map.bitmapPages[range]) : std::nullopt;
    const auto bitmap = page ? DecodeBitmapPage(*page, layout) : std::nullopt;
    if (bitmap) visitBits(*bitmap, uint64_t{range} * PagesPerBitmapPage(layout));
  }
}

}  // namespace tarvex::format
