#pragma once
// The security ids a new database carries. Jet 4 masks them with a value tied
// to the header's creation date, whose derivation is not known; so a new file
// uses one consistent set observed in Access-made files: that header date, the
// header word beside it and the four built-in ids as that file masks them.
#include <array>
#include <cstdint>

namespace tarvex::dao {

inline constexpr double kReferenceCreationDate = 38143.546523784724;  // 2004-06-04 13:06:59
inline constexpr uint32_t kReferenceHeaderWord = 0x21AA;

using SecurityId = std::array<uint8_t, 2>;
inline constexpr SecurityId kEngineSid{0xA7, 0x31};   // owner of the Jet system objects
inline constexpr SecurityId kAdminSid{0xA6, 0x33};    // the default user, owner of new objects
inline constexpr SecurityId kUsersSid{0xA7, 0x33};    // the Users group
inline constexpr SecurityId kInheritSid{0xA7, 0x36};  // grants inherited by new children

}  // namespace tarvex::dao
