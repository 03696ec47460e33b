#pragma once
// The security ids a new database carries. Jet 4 masks them with a value tied
// to the header's creation date, whose derivation is not known; so a new file
// uses one consistent set observed in Access-made files: that header date, the
// header word beside it and the four built-in ids as that file masks them.
// Jet 3 files keep the built-in ids unmasked, the same in every file.
#include <array>
#include <cstdint>

#include "format/jet_layout.h"

namespace tarvex::dao {

inline constexpr double kReferenceCreationDate = 38143.546523784724;  // 2004-06-04 13:06:59
inline constexpr uint32_t kReferenceHeaderWord = 0x21AA;

using SecurityId = std::array<uint8_t, 2>;
struct SecurityIds {
  SecurityId engine;   // owner of the Jet system objects
  SecurityId admin;    // the default user, owner of new objects
  SecurityId users;    // the Users group
  SecurityId inherit;  // grants inherited by new children
};
inline constexpr SecurityIds kJet4SecurityIds{
    {0xA7, 0x31}, {0xA6, 0x33}, {0xA7, 0x33}, {0xA7, 0x36}};
inline constexpr SecurityIds kJet3SecurityIds{
    {0x02, 0x03}, {0x03, 0x01}, {0x02, 0x01}, {0x02, 0x04}};

inline const SecurityIds& SecurityIdsOf(format::JetVersion version) {
  return version == format::JetVersion::kJet3 ? kJet3SecurityIds : kJet4SecurityIds;
}

}  // namespace tarvex::dao
