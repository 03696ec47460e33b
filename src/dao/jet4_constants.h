#pragma once
// Numbers only a Jet 4 writer needs. Page geometry shared with the scanner
// lives in format::kJet4Layout; everything here is about producing the bytes
// Access writes (magic numbers, map and index page layouts, catalogue ids).
#include <cstddef>
#include <cstdint>

namespace tarvex::dao::jet4 {

// Page types (first byte of a page).
inline constexpr uint8_t kHeaderPageType = 0x00;
inline constexpr uint8_t kDataPageType = 0x01;
inline constexpr uint8_t kIndexNodePageType = 0x03;
inline constexpr uint8_t kIndexLeafPageType = 0x04;

// Page 0.
inline constexpr size_t kEngineNameOffset = 0x04;
inline constexpr size_t kVersionOffset = 0x14;
inline constexpr uint8_t kVersionByte = 0x01;
inline constexpr size_t kDatabaseKeyOffset = 0x3E;
inline constexpr size_t kPasswordOffset = 0x42;
inline constexpr size_t kPasswordLength = 40;
inline constexpr size_t kHeaderUnknown6AOffset = 0x6A;
inline constexpr size_t kSortOrderOffset = 0x6E;
inline constexpr size_t kCreationDateOffset = 0x72;
inline constexpr size_t kHeaderTrailerOffset = 0x98;
inline constexpr size_t kHeaderTailPairsLength = 512;

// Sort order "General" (Legacy), the one every text column and the header carry.
inline constexpr uint16_t kGeneralSortOrder = 1033;
inline constexpr uint8_t kGeneralLegacySortVersion = 0;

// Data pages and rows.
inline constexpr size_t kDataPageFreeSpaceOffset = 2;
inline constexpr size_t kMaxRowsPerPage = 255;
inline constexpr size_t kMaxRowSize = 4060;

// Text.
inline constexpr size_t kMaxTextCharacters = 255;
inline constexpr size_t kCompressedTextMinCharacters = 3;
inline constexpr size_t kCompressedTextMaxCharacters = 1024;

// Index pages.
inline constexpr size_t kIndexPrevPageOffset = 12;
inline constexpr size_t kIndexNextPageOffset = 16;
inline constexpr size_t kIndexTailPageOffset = 20;
inline constexpr size_t kIndexPrefixLengthOffset = 24;
inline constexpr size_t kIndexEntryMaskOffset = 27;
inline constexpr size_t kIndexEntriesOffset = 480;
inline constexpr size_t kIndexUsableBytes = 4096 - kIndexEntriesOffset;

// Catalogue object ids and types.
inline constexpr int32_t kRootId = 0x0F000000;
inline constexpr int32_t kTablesContainerId = 0x0F000001;
inline constexpr int32_t kDatabasesContainerId = 0x0F000002;
inline constexpr int32_t kRelationshipsContainerId = 0x0F000003;
inline constexpr int32_t kDatabaseObjectId = 0x10000000;
inline constexpr int16_t kTableObjectType = 1;
inline constexpr int16_t kDatabaseObjectType = 2;
inline constexpr int16_t kContainerObjectType = 3;
inline constexpr int32_t kSystemObjectFlags = static_cast<int32_t>(0x80000000u);
inline constexpr uint32_t kObjectIdMask = 0x00FFFFFF;

// Permissions a new user table gets for the owner and the Users group.
inline constexpr int32_t kNewTableAccess = 1048319;

}  // namespace tarvex::dao::jet4
