#pragma once
// The versions of the Access file format: Jet 3 (Access 97), Jet 4 (Access
// 2000 to 2003) and ACE (.accdb, Access 2007 and later), each told by the
// header's version byte, with the column types and features it has. Every
// ACE version has the Jet 4 page layout.
#include <cstdint>
#include <optional>
#include <string_view>

#include "format/jet_layout.h"

namespace tarvex::format {

// In the order of the header's version byte, 0 to 6.
enum class DatabaseFormat : uint8_t {
  kJet3,   // Access 97
  kJet4,   // Access 2000, 2002-2003
  kAce12,  // Access 2007
  kAce14,  // Access 2010
  kAce15,  // Access 2013
  kAce16,  // Access 2016
  kAce17,  // Access 2019 and later
};

inline constexpr uint8_t VersionByteOf(DatabaseFormat format) {
  return static_cast<uint8_t>(format);
}
inline constexpr std::optional<DatabaseFormat> FormatOfVersionByte(uint8_t version) {
  if (version > VersionByteOf(DatabaseFormat::kAce17)) return std::nullopt;
  return static_cast<DatabaseFormat>(version);
}

inline constexpr bool IsAce(DatabaseFormat format) { return format >= DatabaseFormat::kAce12; }
inline constexpr const JetLayout& LayoutOf(DatabaseFormat format) {
  return format == DatabaseFormat::kJet3 ? kJet3Layout : kJet4Layout;
}

// Complex columns (attachments, multi-valued fields, version history): 2007 on.
inline constexpr bool HasComplexColumns(DatabaseFormat format) { return IsAce(format); }
// Calculated columns: 2010 on.
inline constexpr bool HasCalculatedColumns(DatabaseFormat format) {
  return format >= DatabaseFormat::kAce14;
}
// Large Number (big integer) columns: 2016 on.
inline constexpr bool HasBigIntColumns(DatabaseFormat format) {
  return format >= DatabaseFormat::kAce16;
}
// Date/Time Extended columns: 2019 on.
inline constexpr bool HasExtendedDateColumns(DatabaseFormat format) {
  return format >= DatabaseFormat::kAce17;
}

// The name mdbtools gives the format ("JET3", "ACE14", ...).
std::string_view FormatName(DatabaseFormat format);

}  // namespace tarvex::format
