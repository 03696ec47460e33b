#pragma once
// Jet 4 text storage: UTF-16LE, or "compressed" (FF FE then one byte per
// character) where the column allows it; plus the UTF-8 bridge for messages,
// which is the format library's.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/unicode.h"

namespace tarvex::dao {

// The stored bytes of `text`: compressed when the column allows it and every
// character is in U+0001..U+00FF (3 to 1024 characters), else UTF-16LE.
std::vector<uint8_t> EncodeText(std::u16string_view text, bool allowCompression);

// Decodes stored text bytes (compressed or plain; an odd last byte is ignored).
std::u16string DecodeText(std::span<const uint8_t> bytes);

using format::FromUtf8;
using format::ToUtf8;

}  // namespace tarvex::dao
