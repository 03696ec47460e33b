// Learning the codes of characters beyond U+00FF from keys Access wrote: the
// samples teach codes that then key other texts; a sample that disagrees with
// its text, or with another sample, teaches nothing.
#include "format/index_key.h"

#include <gtest/gtest.h>

#include "format/database_header.h"
#include "format/index_key_jet3.h"
#include "format/value_types.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;

struct Sample {
  std::u16string text;
  Blob key;  // as an index holds it, without the flag byte
  bool ascending = true;
};

struct LearnCase {
  const char* what;
  std::vector<Sample> samples;
  std::u16string probe;
  Blob probeKey;  // ascending; empty: the probe cannot be keyed exactly
};

TEST(TextKeyCodes, LearnedCodesKeyOtherTexts) {
  const std::vector<LearnCase> cases = {
      {"a letter",
       {{u"a\u0416", {0x4A, 0x79, 0x40, 0x01, 0x00}}},
       u"\u0416a",
       {0x79, 0x40, 0x4A, 0x01, 0x00}},
      {"a letter with an accent",
       {{u"\u0401", {0x79, 0x45, 0x01, 0x13, 0x00}}},
       u"a\u0401",
       {0x4A, 0x79, 0x45, 0x01, 0x02, 0x13, 0x00}},
      {"an unprintable character",
       {{u"a\u2013b", {0x4A, 0x4C, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x89, 0x00}}},
       u"\u2013",
       {0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x89, 0x00}},
      {"an ignored character", {{u"a\u200Bb", {0x4A, 0x4C, 0x01, 0x00}}}, u"\u200B", {0x01, 0x00}},
      {"a descending key",
       {{u"\u0416", {0x86, 0xBF, 0xFE, 0xFF, 0x00}, false}},
       u"\u0416",
       {0x79, 0x40, 0x01, 0x00}},
      {"letters of one script at once",
       {{u"\u0416\u0417", {0x79, 0x40, 0x79, 0x41, 0x01, 0x00}}},
       u"\u0417\u0416",
       {0x79, 0x41, 0x79, 0x40, 0x01, 0x00}},
      {"a text waiting for another",
       {{u"\u0416\u4E2D", {0x79, 0x40, 0x9F, 0x02, 0x01, 0x00}},
        {u"\u0416", {0x79, 0x40, 0x01, 0x00}}},
       u"\u4E2D",
       {0x9F, 0x02, 0x01, 0x00}},
      {"a key that is not its text's",
       {{u"a\u0416", {0x4B, 0x79, 0x40, 0x01, 0x00}}},
       u"\u0416",
       {}},
      {"a key without its end", {{u"\u0416", {0x79, 0x40, 0x01}}}, u"\u0416", {}},
      {"two entries that disagree",
       {{u"\u0416", {0x79, 0x40, 0x01, 0x00}}, {u"\u0416", {0x79, 0x41, 0x01, 0x00}}},
       u"\u0416",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TextKeyCodes codes;
    // One entry proposes a code; another keying the same way confirms it, as
    // the same texts seen again here do.
    for (int seen = 1; seen <= 2; ++seen) {
      for (const auto& sample : c.samples) codes.Learn(sample.text, sample.key, sample.ascending);
      codes.LearnWaiting();
      bool exact = true;
      TextKey(c.probe, true, &codes, &exact);
      if (seen == 1 && c.samples.size() == 1) {
        EXPECT_FALSE(exact) << "one entry alone";
      }
    }
    bool exact = true;
    const Blob key = TextKey(c.probe, true, &codes, &exact);
    EXPECT_EQ(exact, !c.probeKey.empty());
    if (exact) {
      EXPECT_EQ(key, c.probeKey);
    }
  }
}

TEST(Jet3TextKey, KeysOnlyGeneral97InCodePage1252) {
  const Blob text = {'a', 0xE9, ' ', ' '};  // "aé" and trailing blanks, which do not count
  EXPECT_EQ(Jet3TextKey(text, kGeneralSortOrder, 1252, true), (Blob{0x60, 0x66, 0x02, 0x40}));
  EXPECT_EQ(Jet3TextKey(text, kGeneralSortOrder, 1252, false), (Blob{0x9F, 0x99, 0xFD, 0xBF}));
  EXPECT_EQ(Jet3TextKey(text, kGeneralSortOrder, 1251, true), std::nullopt);
  EXPECT_EQ(Jet3TextKey(text, 2052, 1252, true), std::nullopt);
}

TEST(KeyColumnLength, FindsTheEndOfEachKind) {
  struct Case {
    ColumnType type;
    bool ascending;
    Blob key;
    std::optional<size_t> length;
    JetVersion version = JetVersion::kJet4;
  };
  constexpr JetVersion kJet3 = JetVersion::kJet3;
  const std::vector<Case> cases = {
      {ColumnType::kLong, true, {0x7F, 0x80, 0, 0, 5, 0xAA}, 5},
      {ColumnType::kLong, true, {0x00, 0xAA}, 1},  // null
      {ColumnType::kLong, false, {0xFF}, 1},
      {ColumnType::kBoolean, true, {0x7F, 0x00, 0xAA}, 2},
      {ColumnType::kText, true, {0x7F, 0x4A, 0x01, 0x00, 0xAA}, 4},
      {ColumnType::kText, false, {0x80, 0xB5, 0xFE, 0xFF, 0x00, 0xAA}, 5},
      {ColumnType::kText, true, {0x7F, 0x4A, 0x01}, std::nullopt},
      {ColumnType::kBinary,
       true,
       {0x7F, 1, 2, 3, 4, 5, 6, 7, 8, 0x09, 9, 0, 0, 0, 0, 0, 0, 0, 1},
       19},
      {ColumnType::kBinary, true, {0x7F, 1, 2, 3, 4, 5, 6, 7, 8, 0x09}, std::nullopt},
      {ColumnType::kNumeric, true, Blob(18, 0x7F), 18},
      {ColumnType::kMemo, true, {0x7F, 0x4A, 0x01, 0x00}, std::nullopt},
      {ColumnType::kText, true, {0x7F, 0x60, 0x00, 0xAA}, 3, kJet3},
      {ColumnType::kText, true, {0x7F, 0x60, 0x66, 0x03, 0x20, 0xAA}, 5, kJet3},  // accents
      {ColumnType::kText, false, {0x80, 0x9F, 0xFF, 0x00}, 3, kJet3},
      {ColumnType::kText, true, {0x7F, 0x60, 0x03, 0x22}, std::nullopt, kJet3},
      {ColumnType::kText, true, {0x7F, 0x60, 0x61}, std::nullopt, kJet3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KeyColumnLength(c.key, static_cast<uint8_t>(c.type), c.ascending, c.version),
              c.length)
        << static_cast<int>(c.type) << (c.ascending ? " ascending" : " descending");
}

}  // namespace
}  // namespace tarvex::format
