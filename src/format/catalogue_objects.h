#pragma once
// The objects every catalogue holds: a root with the Tables, Databases and
// Relationships containers, the database object, and a row per table, each
// with its type and flags. A table's object id is its definition page.
#include <cstdint>

namespace tarvex::format {

inline constexpr int32_t kRootId = 0x0F000000;
inline constexpr int32_t kTablesContainerId = 0x0F000001;
inline constexpr int32_t kDatabasesContainerId = 0x0F000002;
inline constexpr int32_t kRelationshipsContainerId = 0x0F000003;
inline constexpr int32_t kDatabaseObjectId = 0x10000000;
inline constexpr uint32_t kObjectIdMask = 0x00FFFFFF;  // the definition page of a table's id

inline constexpr int16_t kTableObjectType = 1;
inline constexpr int16_t kDatabaseObjectType = 2;
inline constexpr int16_t kContainerObjectType = 3;
inline constexpr int16_t kQueryObjectType = 5;
inline constexpr int16_t kRelationshipObjectType = 8;
// A document of the Databases container (SummaryInfo, UserDefined) that holds properties.
inline constexpr int16_t kDocumentObjectType = static_cast<int16_t>(0x800B);

// Objects without a definition page (queries, relationships) take ids
// counting up from here; as signed numbers they are negative.
inline constexpr int32_t kFirstSyntheticId = static_cast<int32_t>(0x80000000u);

inline constexpr int32_t kSystemObjectFlags = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kHiddenObjectFlag = 0x00000002;

// Permissions a new user table gets for the owner and the Users group.
inline constexpr int32_t kNewTableAccess = 1048319;
// Permissions a new relationship gets for its owner and for the other groups.
inline constexpr int32_t kNewRelationshipOwnerAccess = 983294;
inline constexpr int32_t kNewRelationshipAccess = 1048575;

}  // namespace tarvex::format
