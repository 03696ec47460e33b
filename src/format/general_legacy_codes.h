#pragma once
// Per-character codes of the "General" (Legacy) sort order of Jet 4 text
// keys, for U+0000..U+00FF.
#include <cstdint>

namespace tarvex::format {

struct SortCode {
  char kind;             // 'S' simple, 'I' with an accent code, 'U' unprintable, 'X' ignored
  uint8_t inlineLength;  // 0..2
  uint8_t inline0;
  uint8_t inline1;
  uint8_t extra;  // 'I': accent code; 'U': unprintable code
};

const SortCode& GeneralLegacyCode(uint8_t character);

}  // namespace tarvex::format
