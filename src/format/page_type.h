#pragma once
// Every page says what it is in its first byte; the second is always 0x01.
#include <cstddef>
#include <cstdint>
#include <span>

#include "format/data_reader.h"

namespace tarvex::format {

enum class PageType : uint8_t {
  kHeader = 0x00,
  kData = 0x01,  // also long-value and usage-map rows
  kTableDefinition = 0x02,
  kIndexNode = 0x03,
  kIndexLeaf = 0x04,
  kUsageMapBitmap = 0x05,  // behind a reference usage map
};

inline constexpr uint8_t kPageTypeMarker = 0x01;
// Data, index and definition pages keep their free bytes here, in both layouts.
inline constexpr size_t kPageFreeSpaceOffset = 2;

// Newer files have a few more page types than these; a page whose first bytes
// are no type and the marker is none of any kind: zeroed or overwritten.
inline constexpr uint8_t kHighestPageType = 0x09;

inline bool IsPageOfAnyType(Bytes page) {
  return page.size() >= 2 && page[0] <= kHighestPageType && page[1] == kPageTypeMarker;
}

inline bool IsPageOfType(Bytes page, PageType type) {
  return !page.empty() && page[0] == static_cast<uint8_t>(type);
}

inline void PutPageType(std::span<uint8_t> page, PageType type) {
  page[0] = static_cast<uint8_t>(type);
  page[1] = kPageTypeMarker;
}

}  // namespace tarvex::format
