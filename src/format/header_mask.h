#pragma once
// Page 0 of every Jet file stores most of its header XORed with a fixed RC4
// key stream; XOR with the same stream unmasks it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "format/data_reader.h"

namespace tarvex::format {

inline constexpr size_t kHeaderMaskOffset = 0x18;
inline constexpr size_t kHeaderMaskLength = 128;
inline constexpr size_t kJet3HeaderMaskLength = 126;  // the first bytes of the same stream
inline constexpr size_t kHeaderCodePageOffset = 0x3C;

// The key stream of the header key C7 DA 39 6B.
const std::array<uint8_t, kHeaderMaskLength>& HeaderKeyStream();

// The database's default code page from an unmasked read of page 0's first
// bytes; nothing when the header is too short.
std::optional<uint16_t> HeaderCodePage(Bytes page0);

}  // namespace tarvex::format
