#include "format/value_numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvex::format {
namespace {

// A minus sign counts as one of the seven characters.
TEST(RoundToSevenCharacters, RoundsAwayEveryCharacterFromTheEighth) {
  const struct {
    const char* printed;
    const char* rounded;
  } cases[] = {
      {"1234567", "1234567"},
      {"123456792", "123456800"},
      {"12345675", "12345670"},
      {"12345666", "12345670"},
      {"123456556", "123456600"},
      {"99999996", "100000000"},
      {"-99999996", "-100000000"},
      {"-1234567", "-1234570"},
      {"-12345678", "-12345700"},
      {"19999996", "20000000"},
      {"0", "0"},
      {"nan", "nan"},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundToSevenCharacters(c.printed), c.rounded) << c.printed;
}

TEST(ShortestText, UsesUpperCaseExponents) {
  EXPECT_EQ(ShortestText(1e-10), "1E-10");
  EXPECT_EQ(ShortestText(1.5e20f), "1.5E+20");
  EXPECT_EQ(ShortestText(0.1), "0.1");
  EXPECT_EQ(ShortestText(-0.0f), "-0");
}

// Jet 4 writes "%.5f" wherever it reads back as the value, else the shortest text.
TEST(Jet4NumberText, FiveDecimalsWhereTheyReadBack) {
  const struct {
    double value;
    const char* text;
  } doubles[] = {
      {0.5, "0.50000"},
      {-0.0, "-0.00000"},
      {3, "3.00000"},
      {-2.25, "-2.25000"},
      {0.00001, "0.00001"},
      {1e-6, "1E-06"},
      {0.1 + 0.2, "0.30000000000000004"},
      {9999999999.99999, "9999999999.99999"},
      {12345678901.5, "12345678901.50000"},
  };
  for (const auto& c : doubles) {
    const std::u16string text = DoubleText(JetVersion::kJet4, c.value);
    EXPECT_EQ(std::string(text.begin(), text.end()), c.text) << c.value;
  }
  const struct {
    float value;
    const char* text;
  } singles[] = {{0.1f, "0.10000"}, {-127.5f, "-127.50000"}, {1.0f / 3, "0.33333334"}};
  for (const auto& c : singles) {
    const std::u16string text = SingleText(JetVersion::kJet4, c.value);
    EXPECT_EQ(std::string(text.begin(), text.end()), c.text) << c.value;
  }
}

}  // namespace
}  // namespace tarvex::format
