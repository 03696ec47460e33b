#include <gtest/gtest.h>

#include "query/qb_crosstab.h"
#include "query/qb_union.h"
#include "query_test_rows.h"

namespace tarvex::query::test {
namespace {

class CrosstabBuilder : public ::testing::TestWithParam<BuilderCase> {};
TEST_P(CrosstabBuilder, BuildsText) {
  EXPECT_EQ(BuildWith<CQBCrosstab>(GetParam().rows), GetParam().expected);
}

const BuilderCase kCrosstabCases[] = {
    {"Example",
     {{.attribute = u"5", .name1 = u"Sales"},
      {.attribute = u"6", .expression = u"Sum(Qty)", .flag = u"0"},
      {.attribute = u"6", .expression = u"Region", .flag = u"2"},
      {.attribute = u"6", .expression = u"Year", .flag = u"1"},
      {.attribute = u"9", .expression = u"Region", .flag = u"2"},
      {.attribute = u"9", .expression = u"Year", .flag = u"1"}},
     u"TRANSFORM Sum(Qty)\nSELECT Region\nFROM [Sales]\nGROUP BY Region\nPIVOT Year"},
    {"TwoValuesTwoHeadingsAndAllClauses",
     {{.attribute = u"3", .flag = u"2"},
      {.attribute = u"5", .name1 = u"S", .name2 = u"s1"},
      {.attribute = u"6", .name1 = u"Total", .expression = u"Sum(a)", .flag = u"0"},
      {.attribute = u"6", .expression = u"Avg(a)", .flag = u"0"},
      {.attribute = u"6", .name1 = u"R", .expression = u"r", .flag = u"2"},
      {.attribute = u"6", .expression = u"q", .flag = u"2"},
      {.attribute = u"6", .expression = u"dropped", .flag = u"3"},
      {.attribute = u"9", .expression = u"r", .flag = u"2"},
      {.attribute = u"9", .expression = u"q", .flag = u"2"},
      {.attribute = u"9", .expression = u"k1", .flag = u"1"},
      {.attribute = u"9", .expression = u"k2", .flag = u"1"},
      {.attribute = u"9", .expression = u"dropped", .flag = u"0"},
      {.attribute = u"8", .expression = u"w"},
      {.attribute = u"10", .expression = u"h"},
      {.attribute = u"11", .name1 = u"D", .expression = u"r"}},
     u"TRANSFORM Sum(a) AS [Total],\nAvg(a)\nSELECT DISTINCT r AS [R], q\nFROM [S] AS s1\nWHERE w\n"
     u"GROUP BY r,\nq\nHAVING h\nORDER BY r DESC\nPIVOT k1,\nk2"},
    {"NoColumnsNoStar", {{.attribute = u"5", .name1 = u"S"}}, u"SELECT \nFROM [S]"},
    // Fixed column headings live only on the column-heading output row.
    {"FixedColumnHeadings",
     {{.attribute = u"5", .name1 = u"S"},
      {.attribute = u"6", .expression = u"k In (\"a\",\"b\")", .flag = u"1"},
      {.attribute = u"6", .expression = u"kx", .flag = u"1"},
      {.attribute = u"9", .expression = u"kx", .flag = u"1"},
      {.attribute = u"9", .expression = u"k", .flag = u"1"}},
     u"SELECT \nFROM [S]\nPIVOT kx,\nk In (\"a\",\"b\")"},

    {"Joins",
     {{.attribute = u"6", .expression = u"v", .flag = u"0"},
      {.attribute = u"7", .name1 = u"A", .name2 = u"B", .expression = u"j", .flag = u"1"}},
     u"TRANSFORM v\nSELECT \nFROM (A) INNER JOIN (B) ON (j)"},
};
INSTANTIATE_TEST_SUITE_P(Cases, CrosstabBuilder, ::testing::ValuesIn(kCrosstabCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct UnionCase {
  const char* name;
  std::vector<RowSpec> rows;
  std::u16string expected;  // "untouched" when the output string must keep its old text
};

class UnionBuilder : public ::testing::TestWithParam<UnionCase> {};
TEST_P(UnionBuilder, BuildsText) {
  EXPECT_EQ(BuildWith<CQBUnion>(GetParam().rows, u"untouched"), GetParam().expected);
}

const UnionCase kUnionCases[] = {
    {"Union",
     {{.attribute = u"3", .flag = u"3"},
      {.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"SELECT a FROM T\r\n"},
      {.attribute = u"5", .name2 = u"X7YZ_____2", .expression = u"SELECT b FROM U"}},
     u"SELECT a FROM T\r\nUNION\nSELECT b FROM U"},
    {"UnionAllPartsInAnyOrder",
     {{.attribute = u"5", .name2 = u"X7YZ_____2", .expression = u"SELECT b FROM U"},
      {.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"SELECT a FROM T "},
      {.attribute = u"3", .flag = u"1"},
      {.attribute = u"5", .name2 = u"other", .expression = u"x"},
      {.attribute = u"8", .expression = u"ignored"}},
     u"SELECT a FROM T UNION ALL\nSELECT b FROM U"},
    // A first part stored without its closing line break must not run into the keyword.
    {"KeywordNeverRunsIntoFirstPart",
     {{.attribute = u"3", .flag = u"3"},
      {.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"SELECT a FROM T"},
      {.attribute = u"5", .name2 = u"X7YZ_____2", .expression = u"SELECT b FROM U"}},
     u"SELECT a FROM T\nUNION\nSELECT b FROM U"},
    {"LaterPartOverwrites",
     {{.attribute = u"3", .flag = u"3"},
      {.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"old\n"},
      {.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"new\n"}},
     u"new\nUNION\n"},
    // The sort order of the whole union is kept in rows of its own.
    {"OrderOfWholeUnion",
     {{.attribute = u"3", .flag = u"3"},
      {.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"SELECT a FROM T\r\n"},
      {.attribute = u"5", .name2 = u"X7YZ_____2", .expression = u"SELECT a FROM U"},
      {.attribute = u"11", .expression = u"a"},
      {.attribute = u"11", .name1 = u"D", .expression = u"b"}},
     u"SELECT a FROM T\r\nUNION\nSELECT a FROM U\nORDER BY a, b DESC"},
    {"NoOptionsRow",
     {{.attribute = u"5", .name2 = u"X7YZ_____1", .expression = u"a"}},
     u"untouched"},
    {"OtherMode", {{.attribute = u"3", .flag = u"2"}}, u"untouched"},
};
INSTANTIATE_TEST_SUITE_P(Cases, UnionBuilder, ::testing::ValuesIn(kUnionCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvex::query::test
