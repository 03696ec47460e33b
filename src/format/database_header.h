#pragma once
// Page 0 of a Jet file: the engine name and format version in the clear, then
// a masked region (see header_mask.h) holding the database key, password,
// code page, sort order and creation date.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvex::format {

inline constexpr size_t kEngineNameOffset = 0x04;
inline constexpr std::string_view kJetEngineName = "Standard Jet DB";
inline constexpr std::string_view kAceEngineName = "Standard ACE DB";

inline constexpr size_t kVersionOffset = 0x14;
inline constexpr uint8_t kJet3VersionByte = 0x00;
inline constexpr uint8_t kJet4VersionByte = 0x01;
// Access 2007 to 2019 count on from Jet 4: 2 (ACE 12) to 6 (ACE 17).
inline constexpr uint8_t kLatestVersionByte = 0x06;

// In the masked region.
inline constexpr size_t kDatabaseKeyOffset = 0x3E;
inline constexpr size_t kPasswordOffset = 0x42;
inline constexpr size_t kPasswordLength = 40;
inline constexpr size_t kHeaderWord6AOffset = 0x6A;
inline constexpr size_t kSortOrderOffset = 0x6E;
inline constexpr size_t kSortOrderVersionOffset = 0x71;
inline constexpr size_t kCreationDateOffset = 0x72;

// Jet 3 keeps its sort order early in the masked region, a 20-byte password
// in the clear within it, and neither a creation date nor the fields after.
inline constexpr size_t kJet3HeaderWord38Offset = 0x38;  // 1 in Access 97 files
inline constexpr size_t kJet3SortOrderOffset = 0x3A;
inline constexpr size_t kJet3HeaderWord56Offset = 0x56;

// After the masked region.
inline constexpr size_t kHeaderTrailerOffset = 0x98;
inline constexpr size_t kHeaderTailPairsLength = 512;  // the page's last bytes, in pairs

// Sort order "General" (Legacy), the one every text column and the header carry.
inline constexpr uint16_t kGeneralSortOrder = 1033;
inline constexpr uint8_t kGeneralLegacySortVersion = 0;

}  // namespace tarvex::format
