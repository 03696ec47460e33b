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
  size_t tableTypeOffset;       // "S" system table, "N" user table
  size_t tableDefNextPageOffset;
  size_t tableDefRowCountOffset;
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

  // Data pages.
  std::array<uint8_t, 2> dataPageSignature;
  size_t dataPageOwnerOffset;
  size_t dataPageRowCountOffset;
  size_t dataPageRowTableOffset;  // 16 bits per row from here

  // Rows.
  size_t rowColumnCountSize;    // 1 or 2 bytes at the start of a row
  size_t rowVariableOffsetSize;  // 1 (with a jump table) or 2 bytes per variable column

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
    .dataPageSignature = {0x01, 0x01},
    .dataPageOwnerOffset = 4,
    .dataPageRowCountOffset = 8,
    .dataPageRowTableOffset = 10,
    .rowColumnCountSize = 1,
    .rowVariableOffsetSize = 1,
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
    .dataPageSignature = {0x01, 0x01},
    .dataPageOwnerOffset = 4,
    .dataPageRowCountOffset = 12,
    .dataPageRowTableOffset = 14,
    .rowColumnCountSize = 2,
    .rowVariableOffsetSize = 2,
};

inline const JetLayout& LayoutFor(JetVersion version) {
  return version == JetVersion::kJet3 ? kJet3Layout : kJet4Layout;
}

}  // namespace tarvex::format
