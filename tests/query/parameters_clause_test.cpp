// Parameter names are written as Access keeps them, so that reading the
// statement back stores the same names; only a name that would not read back
// bare gets brackets.
#include "query/parameters_clause.h"

#include <gtest/gtest.h>

#include "query_test_rows.h"

namespace tarvex::query::test {
namespace {

struct ParameterCase {
  const char* name;
  std::u16string stored;  // the parameter row's Name1
  std::u16string expected;
};

const ParameterCase kCases[] = {
    {"Bare", u"CustomerID", u"PARAMETERS CustomerID Text;\n"},
    {"TypedWithBrackets", u"[pCategoryID]", u"PARAMETERS [pCategoryID] Text;\n"},
    {"Blanks", u"Beginning Date", u"PARAMETERS Beginning Date Text;\n"},
    {"FormReference", u"Forms!Sales Dialog!Start", u"PARAMETERS Forms!Sales Dialog!Start Text;\n"},
    {"PairedParentheses", u"Year (yyyy)", u"PARAMETERS Year (yyyy) Text;\n"},
    {"Comma", u"Last, First", u"PARAMETERS [Last, First] Text;\n"},
    {"OpenParenthesis", u"Year (yyyy", u"PARAMETERS [Year (yyyy] Text;\n"},
    {"Quote", u"Bob's", u"PARAMETERS [Bob's] Text;\n"},
    {"LeadingBlank", u" x", u"PARAMETERS [ x] Text;\n"},
};

class Parameters : public ::testing::TestWithParam<ParameterCase> {};

TEST_P(Parameters, NameAsKept) {
  QueryRowList rows;
  AppendRows(rows, {{.attribute = u"2", .name1 = GetParam().stored, .flag = u"10"}});
  EXPECT_EQ(ToUtf8(ParametersClause(rows)), ToUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, Parameters, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvex::query::test
