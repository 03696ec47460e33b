#pragma once
// Binary column values (code 9) as text, and back. The text must give the
// stored bytes back exactly, because the writer stores what the text says:
// - a text whose characters all lie in U+0000..U+00FF holds one byte per
//   character;
// - a text with any character above U+00FF holds the bytes in the format's own
//   encoding: UTF-8 in Jet 4, UTF-16LE byte pairs in Jet 3.
// The decoder uses the format's encoding exactly when the bytes are well formed
// in it (Jet 4: UTF-8 without zero bytes; Jet 3: an even count) and give at
// least one character above U+00FF; every other value is one byte per character.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

std::u16string BinaryValueText(JetVersion version, Bytes raw);

// The inverse of BinaryValueText for every text it produces.
std::vector<uint8_t> BinaryValueBytes(JetVersion version, std::u16string_view text);

}  // namespace tarvex::format
