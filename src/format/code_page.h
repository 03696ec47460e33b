#pragma once
// Text stored in a Windows code page: the text and memo values of Jet 3 files,
// whose database header names the code page.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/data_reader.h"

namespace tarvex::format {

inline constexpr uint16_t kDefaultCodePage = 1252;

// The bytes decoded with the code page, single-byte (1250-1258, 874, ...) or
// double-byte (932, 936, 949, 950). Code page 0 and code pages the system
// cannot convert read as Windows-1252. A byte that does not begin a valid
// character becomes U+FFFD and decoding goes on after it. Converters are
// cached per thread and code page.
std::u16string DecodeCodePage(Bytes raw, uint16_t codePage);

// The code page DecodeCodePage reads `codePage` with: itself, or Windows-1252
// for 0 and code pages the system cannot convert (a damaged header's word).
uint16_t ReadableCodePage(uint16_t codePage);

// The text in the code page's bytes; nothing when a character has no code
// there (never a substitute) or the system cannot convert to the code page.
std::optional<std::vector<uint8_t>> EncodeCodePage(std::u16string_view text, uint16_t codePage);

}  // namespace tarvex::format
