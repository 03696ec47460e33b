#pragma once
// The security ids a new database carries. Jet 4 and ACE mask them with a
// value tied to the header's creation date, whose derivation is not known;
// so a new file uses one consistent set observed in Access-made files of its
// family: that header's date, the engine build word beside it and the four
// built-in ids as that file masks them. Jet 3 files keep the built-in ids
// unmasked, the same in every file.
#include <array>
#include <cstdint>

#include "format/database_format.h"

namespace tarvex::dao {

struct ReferenceHeader {
  double creationDate;
  uint32_t engineBuild;
};
// An Access 2003 file (2004-06-05 13:06:59), and an Access 2010 one (2011-04-04 17:54:44).
inline constexpr ReferenceHeader kJet4ReferenceHeader{38143.546523784724, 0x21AA};
inline constexpr ReferenceHeader kAceReferenceHeader{40637.74635340278, 0x11A6};

using SecurityId = std::array<uint8_t, 2>;
struct SecurityIds {
  SecurityId engine;   // owner of the Jet system objects
  SecurityId admin;    // the default user, owner of new objects
  SecurityId users;    // the Users group
  SecurityId inherit;  // grants inherited by new children
};
inline constexpr SecurityIds kJet4SecurityIds{
    {0xA7, 0x31}, {0xA6, 0x33}, {0xA7, 0x33}, {0xA7, 0x36}};
inline constexpr SecurityIds kAceSecurityIds{
    {0x42, 0x59}, {0x43, 0x5B}, {0x42, 0x5B}, {0x42, 0x5E}};
inline constexpr SecurityIds kJet3SecurityIds{
    {0x02, 0x03}, {0x03, 0x01}, {0x02, 0x01}, {0x02, 0x04}};

inline const ReferenceHeader& ReferenceHeaderOf(format::DatabaseFormat format) {
  return format::IsAce(format) ? kAceReferenceHeader : kJet4ReferenceHeader;
}

inline const SecurityIds& SecurityIdsOf(format::DatabaseFormat format) {
  if (format == format::DatabaseFormat::kJet3) return kJet3SecurityIds;
  return format::IsAce(format) ? kAceSecurityIds : kJet4SecurityIds;
}

}  // namespace tarvex::dao
