#pragma once
// Numbers only a Jet 4 writer needs. Page geometry shared with the scanner
// lives in format::kJet4Layout; everything here is about producing the bytes
// Access writes (magic numbers, map and index page layouts, catalogue ids).
#include <cstddef>
#include <cstdint>

namespace tarvex::dao::jet4 {

// Page types (first byte of a page).
inline constexpr uint8_t kTableDefPageType = 0x02;
inline constexpr uint8_t kIndexNodePageType = 0x03;
inline constexpr uint8_t kIndexLeafPageType = 0x04;

// Sort order "General" (Legacy), the one every text column and the header carry.
inline constexpr uint16_t kGeneralSortOrder = 1033;
inline constexpr uint8_t kGeneralLegacySortVersion = 0;

// Table definitions.
inline constexpr uint32_t kTableDefMagic = 1625;
inline constexpr uint32_t kRealIndexMagic = 1923;
inline constexpr size_t kTableDefFreeSpaceOffset = 2;
inline constexpr size_t kTableDefLengthOffset = 8;
inline constexpr size_t kTableDefMagicOffset = 12;
inline constexpr size_t kTableDefAutoNumberOffset = 20;
inline constexpr size_t kTableDefAutoNumberFlagOffset = 24;
inline constexpr size_t kTableDefUserMarkerOffset =
    36;  // Access writes FF FF FF FF here for user tables
inline constexpr size_t kTableDefOwnedMapOffset = 55;
inline constexpr size_t kTableDefFreeMapOffset = 59;
inline constexpr size_t kContinuationHeaderLength = 8;
inline constexpr uint16_t kTableDefTerminator = 0xFFFF;

// Column descriptor fields (relative to the descriptor).
inline constexpr size_t kColumnTypeOffset = 0;
inline constexpr size_t kColumnMagicOffset = 1;
inline constexpr size_t kColumnNumberOffset = 5;
inline constexpr size_t kColumnVarIndexOffset = 7;
inline constexpr size_t kColumnIndexOffset = 9;
inline constexpr size_t kColumnSortOrderOffset = 11;
inline constexpr size_t kColumnSortVersionOffset = 14;
inline constexpr size_t kColumnFlagsOffset = 15;
inline constexpr size_t kColumnExtraFlagsOffset = 16;
inline constexpr size_t kColumnFixedOffsetOffset = 21;
inline constexpr size_t kColumnLengthOffset = 23;

inline constexpr uint8_t kColumnFixed = 0x01;
inline constexpr uint8_t kColumnUpdatable = 0x02;
inline constexpr uint8_t kColumnAutoNumber = 0x04;
inline constexpr uint8_t kColumnSystem = 0x10;
inline constexpr uint8_t kColumnSecurityId = 0x20;
inline constexpr uint8_t kColumnAutoGuid = 0x40;
inline constexpr uint8_t kColumnCompressedText = 0x01;  // in the extra flags

// Real-index descriptor fields.
inline constexpr size_t kIndexKeyColumnsOffset = 4;
inline constexpr size_t kIndexKeyColumnSlots = 10;
inline constexpr size_t kIndexUsageMapOffset = 34;
inline constexpr size_t kIndexRootPageOffset = 38;
inline constexpr size_t kIndexFlagsOffset = 46;
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;
inline constexpr uint8_t kIndexAlwaysSet = 0x80;
inline constexpr size_t kRealIndexCountUniqueOffset = 4;  // inside the row-count block

// Logical-index descriptor.
inline constexpr uint8_t kLogicalIndexPrimaryKey = 1;

// Data pages and rows.

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
