#include "format/index_key_jet3.h"

#include <algorithm>

#include "format/database_header.h"
#include "format/general97_codes.h"
#include "format/value_text.h"

namespace tarvex::format {
namespace {

constexpr uint8_t kNoAccents = 0x00;
constexpr uint8_t kAccentBound = 0x0;        // opens and closes the accent nibbles
constexpr uint8_t kAccentPlaceholder = 0x2;  // a letter without accent before an accented one
constexpr uint8_t kLowestInlineByte = 0x10;
constexpr uint8_t kSpace = 0x20;

// Nibbles packed two to a byte, high nibble first.
class NibbleWriter {
 public:
  explicit NibbleWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint8_t nibble) {
    if (high_)
      out_.push_back(static_cast<uint8_t>(nibble << 4));
    else
      out_.back() |= nibble;
    high_ = !high_;
  }

 private:
  std::vector<uint8_t>& out_;
  bool high_ = true;
};

}  // namespace

std::optional<std::vector<uint8_t>> Jet3TextKey(Bytes stored, uint16_t sortOrder, uint16_t codePage,
                                                bool ascending) {
  if (sortOrder != kGeneralSortOrder || codePage != kGeneral97CodePage) return std::nullopt;
  // Only the first 255 characters count, and trailing blanks not at all.
  Bytes text = stored.first(std::min(stored.size(), kMaxTextCharacters));
  while (!text.empty() && text.back() == kSpace) text = text.first(text.size() - 1);

  std::vector<uint8_t> out;
  std::vector<uint8_t> accents;
  NibbleWriter nibbles(accents);
  // Letters with accented forms since the last accent: each takes a place.
  size_t letters = 0;
  for (uint8_t c : text) {
    const SortCode& code = General97Code(c);
    if (code.inlineLength > 0) out.push_back(code.inline0);
    if (code.inlineLength > 1) out.push_back(code.inline1);
    if (code.kind == 'G') letters += code.inlineLength;
    if (code.kind != 'I') continue;
    if (accents.empty()) nibbles.Put(kAccentBound);
    for (; letters > 0; --letters) nibbles.Put(kAccentPlaceholder);
    nibbles.Put(code.extra);
  }
  if (accents.empty()) {
    out.push_back(kNoAccents);
  } else {
    nibbles.Put(kAccentBound);
    out.insert(out.end(), accents.begin(), accents.end());
  }
  if (!ascending)
    for (auto& b : out) b = static_cast<uint8_t>(~b);
  return out;
}

std::optional<size_t> Jet3TextKeyLength(Bytes key, bool ascending) {
  const auto at = [&](size_t i) { return ascending ? key[i] : static_cast<uint8_t>(~key[i]); };
  size_t i = 0;
  while (i < key.size() && at(i) >= kLowestInlineByte) ++i;
  if (i == key.size()) return std::nullopt;
  if (at(i) == kNoAccents) return i + 1;
  // The accent nibbles: the opening bound is the high nibble of this byte;
  // the closing one is the next zero nibble.
  if ((at(i) & 0x0F) == kAccentBound) return std::nullopt;
  for (++i; i < key.size(); ++i)
    if ((at(i) >> 4) == kAccentBound || (at(i) & 0x0F) == kAccentBound) return i + 1;
  return std::nullopt;
}

}  // namespace tarvex::format
