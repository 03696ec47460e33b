#pragma once
// Numbers only a Jet 4 writer needs. Page geometry shared with the scanner
// lives in format::kJet4Layout; everything here is about producing the bytes
// Access writes (magic numbers, map and index page layouts, catalogue ids).
#include <cstddef>
#include <cstdint>

namespace tarvex::dao::jet4 {

// Page types (first byte of a page).
inline constexpr uint8_t kIndexNodePageType = 0x03;
inline constexpr uint8_t kIndexLeafPageType = 0x04;

// Sort order "General" (Legacy), the one every text column and the header carry.
inline constexpr uint16_t kGeneralSortOrder = 1033;
inline constexpr uint8_t kGeneralLegacySortVersion = 0;

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
