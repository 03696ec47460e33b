#include "format/index_key.h"

#include <algorithm>
#include <array>

#include "format/index_key_jet3.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::format {
namespace {

constexpr uint8_t kTextEnd = 0x01;
constexpr uint8_t kExtraPlaceholder = 0x02;
constexpr uint8_t kUnprintableMarker = 0x06;
constexpr uint8_t kControlSortPrefix = 0x08;  // first code of tab, line feed and the like
// Texts waiting for another character to be learned; enough for the short
// names and words that teach, bounded so that a large table costs no more.
constexpr size_t kMaxWaiting = 4096;

void Invert(std::span<uint8_t> bytes) {
  for (auto& b : bytes) b = static_cast<uint8_t>(~b);
}

CharacterCode LatinCode(uint8_t c) {
  const SortCode& code = GeneralLegacyCode(c);
  // A letter that sorts as two (ß as "ss", æ as "ae") takes two places, as
  // Access counts them for the unprintable characters after it.
  const uint8_t places = code.inlineLength == 0                                         ? 0
                         : code.inlineLength == 2 && code.inline0 != kControlSortPrefix ? 2
                                                                                        : 1;
  return {code, places};
}

class TextKeyBuilder {
 public:
  void Add(const CharacterCode& c) {
    const SortCode& code = c.code;
    const size_t thisPos = position_;
    if (code.inlineLength > 0) {
      const std::array<uint8_t, 2> bytes{code.inline0, code.inline1};
      inline_.insert(inline_.end(), bytes.begin(), bytes.begin() + code.inlineLength);
      position_ += c.places;
    }
    if (code.kind == 'I') AddExtra(thisPos, code.extra);
    if (code.kind == 'U') AddUnprintable(thisPos, code.extra);
  }
  // The engine's own form for a character without a code.
  void AddUncoded(char16_t c) {
    inline_.insert(inline_.end(), {static_cast<uint8_t>(0xFC + (c >> 14)),
                                   static_cast<uint8_t>(2 + ((c >> 7) & 0x7F)),
                                   static_cast<uint8_t>(2 + (c & 0x7F))});
    ++position_;
  }
  size_t inlineSize() const { return inline_.size(); }
  size_t position() const { return position_; }

  std::vector<uint8_t> Finish(bool ascending) {
    std::vector<uint8_t> out = std::move(inline_);
    out.push_back(kTextEnd);
    while (!extra_.empty() && extra_.back() <= kExtraPlaceholder) extra_.pop_back();
    out.insert(out.end(), extra_.begin(), extra_.end());
    if (!unprintable_.empty()) {
      out.insert(out.end(), {kTextEnd, kTextEnd, kTextEnd});
      out.insert(out.end(), unprintable_.begin(), unprintable_.end());
    }
    if (!ascending) {
      out.push_back(0x00);
      Invert(out);
    }
    out.push_back(0x00);
    return out;
  }

 private:
  void AddExtra(size_t thisPos, uint8_t extra) {
    while (extraChars_ < thisPos) {
      extra_.push_back(kExtraPlaceholder);
      ++extraChars_;
    }
    extra_.push_back(extra);
    ++extraChars_;
  }
  void AddUnprintable(size_t thisPos, uint8_t code) {
    size_t p = extra_.empty() ? thisPos : extra_.size() + (thisPos - extraChars_);
    uint16_t where = static_cast<uint16_t>((7 + 4 * p) | 0x8000);
    unprintable_.insert(
        unprintable_.end(),
        {static_cast<uint8_t>(where >> 8), static_cast<uint8_t>(where), kUnprintableMarker, code});
  }

  std::vector<uint8_t> inline_;
  std::vector<uint8_t> extra_;
  std::vector<uint8_t> unprintable_;
  size_t position_ = 0;
  size_t extraChars_ = 0;
};

// The part of a text its key covers: trailing blanks do not count.
std::u16string_view KeyedPart(std::u16string_view text) {
  text = text.substr(0, kMaxTextCharacters);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

// `codeOf(c)` gives the code of a character beyond U+00FF, or null.
template <typename CodeOf>
void AddText(TextKeyBuilder& builder, std::u16string_view text, CodeOf&& codeOf, bool* exact) {
  for (char16_t c : text) {
    if (c <= 0xFF) {
      builder.Add(LatinCode(static_cast<uint8_t>(c)));
    } else if (const CharacterCode* code = codeOf(c)) {
      builder.Add(*code);
    } else {
      builder.AddUncoded(c);
      if (exact) *exact = false;
    }
  }
}

// The ascending form of a text key column (its terminator included), read
// from the start of `key`; nothing when the terminator is missing.
std::optional<std::vector<uint8_t>> AscendingKey(Bytes key, bool ascending) {
  if (ascending) {
    const auto end = std::find(key.begin(), key.end(), 0x00);
    if (end == key.end()) return std::nullopt;
    return std::vector<uint8_t>(key.begin(), end + 1);
  }
  // Inverted, the terminator is the first 0xFF; a 0x00 follows it.
  const auto end = std::find(key.begin(), key.end(), 0xFF);
  if (end == key.end() || end + 1 == key.end() || end[1] != 0x00) return std::nullopt;
  std::vector<uint8_t> out(key.begin(), end);
  Invert(out);
  out.push_back(0x00);
  return out;
}

// The characters of a text that have no code yet.
struct Unknowns {
  std::vector<char16_t> distinct;  // in order of first occurrence
  size_t occurrences = 0;
};

}  // namespace

const CharacterCode* TextKeyCodes::Find(char16_t c) const {
  const auto found = codes_.find(c);
  return found == codes_.end() ? nullptr : &found->second;
}

const CharacterCode* TextKeyCodes::Known(char16_t c) const {
  if (const auto* code = Find(c)) return code;
  const auto found = candidates_.find(c);
  return found == candidates_.end() ? nullptr : &found->second;
}

bool TextKeyCodes::KeepIfExact(std::u16string_view text, Bytes ascendingKey,
                               const std::vector<std::pair<char16_t, CharacterCode>>& guess) {
  TextKeyBuilder builder;
  bool exact = true;
  AddText(
      builder, text,
      [&](char16_t c) -> const CharacterCode* {
        for (const auto& [character, code] : guess)
          if (character == c) return &code;
        return Known(c);
      },
      &exact);
  if (!exact) return false;
  const auto key = builder.Finish(true);
  const bool equal = std::equal(key.begin(), key.end(), ascendingKey.begin(), ascendingKey.end());
  // A candidate this text keys with was read from another entry: the two
  // confirm it. Without a guess to blame, a mismatch contradicts the
  // candidates, which are dropped to be learned again.
  if (equal || guess.empty()) {
    for (char16_t c : text) {
      const auto candidate = candidates_.find(c);
      if (candidate == candidates_.end()) continue;
      if (equal) codes_.emplace(c, candidate->second);
      candidates_.erase(candidate);
    }
  }
  if (!equal) return false;
  for (const auto& [character, code] : guess) candidates_.emplace(character, code);
  return true;
}

bool TextKeyCodes::Solve(std::u16string_view text, Bytes ascendingKey) {
  Unknowns unknowns;
  for (char16_t c : text)
    if (c > 0xFF && !Known(c)) {
      ++unknowns.occurrences;
      if (std::find(unknowns.distinct.begin(), unknowns.distinct.end(), c) ==
          unknowns.distinct.end())
        unknowns.distinct.push_back(c);
    }
  if (unknowns.distinct.empty()) return true;
  if (std::any_of(unknowns.distinct.begin(), unknowns.distinct.end(),
                  [&](char16_t c) { return unlearnable_.contains(c); }))
    return true;
  const auto textEnd = std::find(ascendingKey.begin(), ascendingKey.end(), kTextEnd);
  if (textEnd == ascendingKey.end()) return true;
  const auto inlineLength = static_cast<size_t>(textEnd - ascendingKey.begin());

  // A text with one unknown character that matches no code never will; one
  // with several may once the others are known.
  const auto giveUp = [&] {
    if (unknowns.distinct.size() > 1) return false;
    unlearnable_.insert(unknowns.distinct[0]);
    return true;
  };
  // Lays the text out with `n` inline bytes for every unknown character,
  // noting where each one's first bytes and place would be.
  std::vector<size_t> inlineAt(unknowns.distinct.size());
  std::vector<size_t> placeAt(unknowns.distinct.size());
  const auto layOut = [&](size_t n) {
    std::fill(inlineAt.begin(), inlineAt.end(), SIZE_MAX);
    TextKeyBuilder builder;
    const CharacterCode placeholder{{'S', static_cast<uint8_t>(n), 0x02, 0x02, 0},
                                    static_cast<uint8_t>(n ? 1 : 0)};
    for (char16_t c : text) {
      const auto unknown = std::find(unknowns.distinct.begin(), unknowns.distinct.end(), c);
      const bool isUnknown = unknown != unknowns.distinct.end();
      if (isUnknown && inlineAt[unknown - unknowns.distinct.begin()] == SIZE_MAX) {
        inlineAt[unknown - unknowns.distinct.begin()] = builder.inlineSize();
        placeAt[unknown - unknowns.distinct.begin()] = builder.position();
      }
      AddText(
          builder, std::u16string_view(&c, 1),
          [&](char16_t k) { return isUnknown ? &placeholder : Known(k); }, nullptr);
    }
    return builder.inlineSize();
  };
  const size_t known = layOut(0);
  if (inlineLength < known || (inlineLength - known) % unknowns.occurrences != 0) return giveUp();
  const size_t n = (inlineLength - known) / unknowns.occurrences;
  if (n > 2) return giveUp();
  layOut(n);
  const auto code = [&](size_t i, char kind, uint8_t extra, uint8_t places) {
    SortCode sort{kind, static_cast<uint8_t>(n), 0, 0, extra};
    if (n > 0) sort.inline0 = ascendingKey[inlineAt[i]];
    if (n > 1) sort.inline1 = ascendingKey[inlineAt[i] + 1];
    return CharacterCode{sort, places};
  };

  if (unknowns.distinct.size() > 1) {
    // Several at once only when they are letters of one script taking the
    // same room, as the codes of one block of characters do (surrogates are
    // coded alike, from their code unit).
    const auto block = [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF ? 0xD8 : c >> 8; };
    if (n == 0 || std::any_of(unknowns.distinct.begin(), unknowns.distinct.end(),
                              [&](char16_t c) { return block(c) != block(unknowns.distinct[0]); }))
      return false;
    std::vector<std::pair<char16_t, CharacterCode>> guess;
    for (size_t i = 0; i < unknowns.distinct.size(); ++i)
      guess.emplace_back(unknowns.distinct[i], code(i, 'S', 0, 1));
    return KeepIfExact(text, ascendingKey, guess);
  }

  const char16_t u = unknowns.distinct[0];
  std::vector<CharacterCode> guesses;
  if (n == 0) {
    guesses.push_back({{'X', 0, 0, 0, 0}, 0});
    for (unsigned c = 1; c <= 0xFF; ++c)
      guesses.push_back({{'U', 0, 0, 0, static_cast<uint8_t>(c)}, 0});
  } else {
    // An accent code stands in the extra part at the character's place.
    const auto extras = Bytes(ascendingKey).subspan(inlineLength + 1);
    const uint8_t accent = placeAt[0] < extras.size() ? extras[placeAt[0]] : 0;
    for (uint8_t places = 1; places <= n; ++places) {
      guesses.push_back(code(0, 'S', 0, places));
      if (accent > kExtraPlaceholder) guesses.push_back(code(0, 'I', accent, places));
    }
  }
  for (const auto& guess : guesses)
    if (KeepIfExact(text, ascendingKey, {{u, guess}})) return true;
  unlearnable_.insert(u);
  return true;
}

void TextKeyCodes::Learn(std::u16string_view text, Bytes key, bool ascending) {
  text = KeyedPart(text);
  if (std::none_of(text.begin(), text.end(), [&](char16_t c) { return c > 0xFF && !Find(c); }))
    return;
  auto ascendingKey = AscendingKey(key, ascending);
  if (!ascendingKey) return;
  // Only candidates left: this entry confirms or drops them.
  if (std::none_of(text.begin(), text.end(), [&](char16_t c) { return c > 0xFF && !Known(c); })) {
    KeepIfExact(text, *ascendingKey, {});
    return;
  }
  if (!Solve(text, *ascendingKey) && waiting_.size() < kMaxWaiting)
    waiting_.emplace_back(text, std::move(*ascendingKey));
}

void TextKeyCodes::LearnWaiting() {
  // Each pass learns from every waiting text it can; a few passes settle what
  // real text teaches, and the bound keeps crafted texts from costing more.
  constexpr int kMaxPasses = 32;
  bool progress = true;
  for (int pass = 0; progress && pass < kMaxPasses; ++pass) {
    const size_t before = codes_.size() + candidates_.size();
    std::erase_if(waiting_, [&](const auto& sample) { return Solve(sample.first, sample.second); });
    progress = codes_.size() + candidates_.size() > before;
  }
  waiting_.clear();
}

std::vector<uint8_t> TextKey(std::u16string_view text, bool ascending, const TextKeyCodes* codes,
                             bool* exact) {
  TextKeyBuilder builder;
  AddText(
      builder, KeyedPart(text), [&](char16_t c) { return codes ? codes->Find(c) : nullptr; },
      exact);
  return builder.Finish(ascending);
}

std::optional<size_t> KeyColumnLength(Bytes key, uint8_t typeCode, bool ascending,
                                      JetVersion version) {
  if (key.empty()) return std::nullopt;
  const auto type = static_cast<ColumnType>(typeCode);
  std::optional<size_t> length;
  if (type == ColumnType::kBoolean) {
    length = 2;
  } else if (key[0] == (ascending ? kKeyAscendingNull : kKeyDescendingNull)) {
    length = 1;
  } else if (type == ColumnType::kText && version == JetVersion::kJet3) {
    const auto text = Jet3TextKeyLength(key.subspan(1), ascending);
    if (text) length = 1 + *text;
  } else if (type == ColumnType::kText) {
    const auto text = AscendingKey(key.subspan(1), ascending);
    if (text) length = 1 + text->size() + (ascending ? 0 : 1);
  } else if (type == ColumnType::kBinary || type == ColumnType::kGuid) {
    for (size_t at = 1; at + kKeySegment < key.size();) {
      const uint8_t marker = key[at + kKeySegment];
      at += kKeySegment + 1;
      if (marker != kKeyMoreSegments) {
        length = at;
        break;
      }
    }
  } else {
    const auto info = std::find_if(kColumnTypes.begin(), kColumnTypes.end(),
                                   [&](const ColumnTypeInfo& t) { return t.type == type; });
    const bool keyable = info != kColumnTypes.end() && info->fixedSize > 0 &&
                         type != ColumnType::kComplex && type != ColumnType::kExtDateTime;
    if (keyable) length = 1 + size_t{info->fixedSize};
  }
  if (length && *length > key.size()) return std::nullopt;
  return length;
}

}  // namespace tarvex::format
