#pragma once
// The page-layout constants in which the Jet 3 (2048-byte pages) and Jet 4
// (4096-byte pages, also every .accdb) formats differ. One descriptor per
// layout, chosen once per file: scanning and writing code reads its constants
// here and never writes a Jet 3 / Jet 4 number of its own.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvex::format {

enum class JetVersion { kJet3, kJet4 };

struct JetLayout {
  JetVersion version;
  uint32_t pageSize;
  // Bytes the data-page scan reads from each page: signature, owner and row count.
  uint32_t pageHeaderLength;

  // Table-definition pages.
  std::array<uint8_t, 4> tableDefSignature;  // the first tableDefSignatureLength bytes
  size_t tableDefSignatureLength;
  size_t tableTypeOffset;  // "S" system table, "N" user table
  size_t tableDefNextPageOffset;
  size_t tableDefRowCountOffset;
  size_t tableDefLengthOffset;  // u32 length of the whole definition stream
  size_t tableDefMaxColumnsOffset;
  size_t tableDefVariableColumnCountOffset;
  size_t tableDefColumnCountOffset;
  size_t tableDefIndexCountOffset;
  size_t tableDefRealIndexCountOffset;
  size_t tableDefHeaderLength;
  size_t realIndexCountBlockEntryLength;  // bytes per real index in the header's index block
  size_t columnEntryLength;
  size_t columnNameLengthSize;  // 1 (one byte per character) or 2 (UTF-16 bytes follow)
  size_t realIndexEntryLength;
  size_t logicalIndexEntryLength;
  size_t tableDefHeaderWord2Offset;  // 0: the layout has no such field
  size_t tableDefHeaderWord3Offset;
  size_t tableDefHeaderWord4Offset;
  size_t tableDefHeaderWord5Offset;
  size_t tableDefFreeSpaceOffset;  // 0: the layout has no such field

  // Fields of a column entry, from the entry's start.
  struct ColumnEntry {
    // extraFlags 0: the layout has no such field.
    size_t type, number, variableIndex, extra, flags, extraFlags, fixedOffset, length;
    size_t position;
  } column;
  // Fields of a real index entry, and of a logical index entry.
  size_t realIndexColumnMapOffset;  // 10 × (u16 column number, u8 order)
  size_t realIndexFlagsOffset;
  size_t logicalIndexRealNumberOffset;
  size_t logicalIndexTypeOffset;  // 1: primary key

  // Data pages.
  std::array<uint8_t, 2> dataPageSignature;
  size_t dataPageOwnerOffset;
  size_t dataPageRowCountOffset;
  size_t dataPageRowTableOffset;  // 16 bits per row from here

  // Rows.
  size_t rowColumnCountSize;     // 1 or 2 bytes at the start of a row
  size_t rowVariableOffsetSize;  // 1 (with a jump table) or 2 bytes per variable column
  size_t rowMaxLength;           // the longest row Access writes

  // Long values and usage maps, as Access writes them.
  size_t longValueRowMax;    // bytes of a long value one LVAL row holds at most
  size_t usageMapRowLength;  // a new usage-map row: map type, start page and a bitmap

  // Index pages: sibling and tail pointers, the shared prefix length, the bit
  // map of entry ends and the entry area.
  size_t indexPreviousPageOffset;
  size_t indexNextPageOffset;
  size_t indexTailPageOffset;
  size_t indexPrefixLengthOffset;
  size_t indexPrefixLengthSize;
  size_t indexNodeMarkerOffset;  // Access sets this byte to 1 on node pages
  size_t indexEntryMaskOffset;
  size_t indexEntriesOffset;

  // The catalogue MSysObjects always has its definition at page 2.
  static constexpr uint32_t kCatalogueDefinitionPage = 2;

  uint64_t PageOffset(uint32_t page) const { return static_cast<uint64_t>(page) * pageSize; }
};

inline constexpr uint8_t kSystemTableType = 0x53;  // 'S'
inline constexpr uint8_t kUserTableType = 0x4E;    // 'N'

inline constexpr JetLayout kJet3Layout{
    .version = JetVersion::kJet3,
    .pageSize = 2048,
    .pageHeaderLength = 10,
    .tableDefSignature = {0x02, 0x01, 0x56, 0x43},
    .tableDefSignatureLength = 4,
    .tableTypeOffset = 20,
    .tableDefNextPageOffset = 4,
    .tableDefRowCountOffset = 12,
    .tableDefLengthOffset = 8,
    .tableDefMaxColumnsOffset = 21,
    .tableDefVariableColumnCountOffset = 23,
    .tableDefColumnCountOffset = 25,
    .tableDefIndexCountOffset = 27,
    .tableDefRealIndexCountOffset = 31,
    .tableDefHeaderLength = 43,
    .realIndexCountBlockEntryLength = 8,
    .columnEntryLength = 18,
    .columnNameLengthSize = 1,
    .realIndexEntryLength = 39,
    .logicalIndexEntryLength = 20,
    .tableDefHeaderWord2Offset = 0,
    .tableDefHeaderWord3Offset = 16,
    .tableDefHeaderWord4Offset = 35,
    .tableDefHeaderWord5Offset = 39,
    .tableDefFreeSpaceOffset = 0,
    .column = {.type = 0,
               .number = 1,
               .variableIndex = 3,
               .extra = 9,
               .flags = 13,
               .extraFlags = 0,
               .fixedOffset = 14,
               .length = 16,
               .position = 5},
    .realIndexColumnMapOffset = 0,
    .realIndexFlagsOffset = 38,
    .logicalIndexRealNumberOffset = 4,
    .logicalIndexTypeOffset = 19,
    .dataPageSignature = {0x01, 0x01},
    .dataPageOwnerOffset = 4,
    .dataPageRowCountOffset = 8,
    .dataPageRowTableOffset = 10,
    .rowColumnCountSize = 1,
    .rowVariableOffsetSize = 1,
    .rowMaxLength = 2012,
    .longValueRowMax = 2032,
    .usageMapRowLength = 133,
    .indexPreviousPageOffset = 8,
    .indexNextPageOffset = 12,
    .indexTailPageOffset = 16,
    .indexPrefixLengthOffset = 20,
    .indexPrefixLengthSize = 1,
    .indexNodeMarkerOffset = 21,
    .indexEntryMaskOffset = 22,
    .indexEntriesOffset = 248,
};

inline constexpr JetLayout kJet4Layout{
    .version = JetVersion::kJet4,
    .pageSize = 4096,
    .pageHeaderLength = 14,
    .tableDefSignature = {0x02, 0x01, 0x00, 0x00},
    .tableDefSignatureLength = 2,
    .tableTypeOffset = 40,
    .tableDefNextPageOffset = 4,
    .tableDefRowCountOffset = 16,
    .tableDefLengthOffset = 8,
    .tableDefMaxColumnsOffset = 41,
    .tableDefVariableColumnCountOffset = 43,
    .tableDefColumnCountOffset = 45,
    .tableDefIndexCountOffset = 47,
    .tableDefRealIndexCountOffset = 51,
    .tableDefHeaderLength = 63,
    .realIndexCountBlockEntryLength = 12,
    .columnEntryLength = 25,
    .columnNameLengthSize = 2,
    .realIndexEntryLength = 52,
    .logicalIndexEntryLength = 28,
    .tableDefHeaderWord2Offset = 12,
    .tableDefHeaderWord3Offset = 20,
    .tableDefHeaderWord4Offset = 55,
    .tableDefHeaderWord5Offset = 59,
    .tableDefFreeSpaceOffset = 2,
    .column = {.type = 0,
               .number = 5,
               .variableIndex = 7,
               .extra = 11,
               .flags = 15,
               .extraFlags = 16,
               .fixedOffset = 21,
               .length = 23,
               .position = 9},
    .realIndexColumnMapOffset = 4,
    .realIndexFlagsOffset = 46,
    .logicalIndexRealNumberOffset = 8,
    .logicalIndexTypeOffset = 23,
    .dataPageSignature = {0x01, 0x01},
    .dataPageOwnerOffset = 4,
    .dataPageRowCountOffset = 12,
    .dataPageRowTableOffset = 14,
    .rowColumnCountSize = 2,
    .rowVariableOffsetSize = 2,
    .rowMaxLength = 4060,
    .longValueRowMax = 4076,
    .usageMapRowLength = 69,
    .indexPreviousPageOffset = 12,
    .indexNextPageOffset = 16,
    .indexTailPageOffset = 20,
    .indexPrefixLengthOffset = 24,
    .indexPrefixLengthSize = 2,
    .indexNodeMarkerOffset = 26,
    .indexEntryMaskOffset = 27,
    .indexEntriesOffset = 480,
};

}  // namespace tarvex::format
