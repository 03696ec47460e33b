#pragma once
// Index key columns: a flag byte (present or null, ascending or descending),
// then the value's bytes; binary values in segments of 8 bytes and a marker.
//
// Text keys are in the General (Legacy) sort order of Jet 4: each character
// gives inline bytes, and possibly an accent code or an unprintable code that
// follow the inline part at the character's place. U+0000..U+00FF have fixed
// codes; the codes of other characters are learned from keys an Access engine
// wrote (TextKeyCodes), since no table of them can be derived here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "format/data_reader.h"
#include "format/general_legacy_codes.h"
#include "format/jet_layout.h"

namespace tarvex::format {

inline constexpr uint8_t kKeyAscendingPresent = 0x7F;
inline constexpr uint8_t kKeyDescendingPresent = 0x80;
inline constexpr uint8_t kKeyAscendingNull = 0x00;
inline constexpr uint8_t kKeyDescendingNull = 0xFF;
inline constexpr size_t kKeySegment = 8;
inline constexpr uint8_t kKeyMoreSegments = 0x09;  // the marker of a segment that is not the last

// A character's code and the number of places it takes among the characters
// whose accent and unprintable codes follow the inline bytes.
struct CharacterCode {
  SortCode code{};
  uint8_t places = 0;
};

// Codes of characters beyond U+00FF, learned from existing keys. A code read
// from one entry is a candidate until another entry keys exactly with it too,
// so that one damaged entry cannot teach a wrong code.
class TextKeyCodes {
 public:
  // A confirmed code; nothing for a character without one.
  const CharacterCode* Find(char16_t c) const;

  // Learns from one text and its key column as an Access engine wrote it
  // (without the flag byte; the rest of the index entry may follow). A code
  // is kept only when the whole key it gives is byte for byte `key`, so a
  // sample that disagrees with its text teaches nothing. A text whose
  // unknown characters cannot be told apart yet waits for LearnWaiting.
  void Learn(std::u16string_view text, Bytes key, bool ascending);
  // Tries the waiting texts again until they teach nothing more.
  void LearnWaiting();

 private:
  // A confirmed code or a candidate.
  const CharacterCode* Known(char16_t c) const;
  // False when the text may yet teach, once other characters are known.
  bool Solve(std::u16string_view text, Bytes ascendingKey);
  // Keeps the guessed codes when with them the text keys exactly as `ascendingKey`.
  bool KeepIfExact(std::u16string_view text, Bytes ascendingKey,
                   const std::vector<std::pair<char16_t, CharacterCode>>& guess);

  std::unordered_map<char16_t, CharacterCode> codes_;
  std::unordered_map<char16_t, CharacterCode> candidates_;  // read from one entry so far
  std::unordered_set<char16_t> unlearnable_;  // a text holding it alone matched no code
  std::vector<std::pair<std::u16string, std::vector<uint8_t>>> waiting_;
};

// The key of `text` without the flag byte. Characters beyond U+00FF without a
// code in `codes` get three bytes (0xFC + the top two bits, then two 7-bit
// groups each plus 2), which order by code unit after every Latin-1 character;
// `exact` (when given) is then cleared, as Access would key them otherwise.
std::vector<uint8_t> TextKey(std::u16string_view text, bool ascending,
                             const TextKeyCodes* codes = nullptr, bool* exact = nullptr);

// The length of one column of an index key at the start of `key` (flag byte
// included) for a column of `typeCode` in an index of a `version` file (text
// keys differ); nothing when its end is not in `key` or the type cannot be a
// key column.
std::optional<size_t> KeyColumnLength(Bytes key, uint8_t typeCode, bool ascending,
                                      JetVersion version);

}  // namespace tarvex::format
