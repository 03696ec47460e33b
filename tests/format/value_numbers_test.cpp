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

}  // namespace
}  // namespace tarvex::format
