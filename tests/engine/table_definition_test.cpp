// The scanner's reading of a definition into its model: index flags by their
// bits, as the engine reads them; the built-in catalogue definition round-trips.
#include "engine/table_definition.h"

#include <gtest/gtest.h>

#include "format/table_definition_catalogue.h"

namespace tarvex::engine {
namespace {

TEST(ScannerDefinition, IndexFlagsAreReadByTheirBits) {
  struct Case {
    uint8_t flags;
    bool unique, ignoreNulls, required;
  };
  const Case cases[] = {{0x80, false, false, false}, {0x81, true, false, false},
                        {0x82, false, true, false},  {0x88, false, false, true},
                        {0x8B, true, true, true},    {0x02, false, true, false}};
  for (const auto* layout : {&format::kJet3Layout, &format::kJet4Layout}) {
    format::TableDefinition d;
    d.columns.resize(1);
    d.columns[0].name = u"Id";
    for (const auto& c : cases) {
      d.realIndexes.emplace_back().flags = c.flags;
      d.realIndexes.back().keys = {{0, true}};
    }
    model::CAccessTable table(0);
    ParseDefinition(format::EncodeTableDefinition(d, *layout), *layout, {}, table);
    ASSERT_EQ(table.indexList.count(), static_cast<int>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(static_cast<int>(cases[i].flags));
      const auto& index = *table.indexList.At(static_cast<int>(i));
      EXPECT_EQ(index.unique, cases[i].unique);
      EXPECT_EQ(index.ignoreNulls, cases[i].ignoreNulls);
      EXPECT_EQ(index.required, cases[i].required);
    }
  }
}

TEST(ScannerDefinition, TheBuiltInCatalogueDecodesWhole) {
  for (const auto* layout : {&format::kJet3Layout, &format::kJet4Layout}) {
    const auto definition = format::CatalogueDefinition(*layout);
    const auto decoded =
        format::DecodeTableDefinition(format::EncodeTableDefinition(definition, *layout), *layout);
    EXPECT_EQ(decoded.fault, format::DefinitionFault::kNone);
    EXPECT_EQ(decoded.definition.columns.size(), 17u);
    EXPECT_EQ(decoded.definition.logicalIndexes.size(), 2u);
  }
}

}  // namespace
}  // namespace tarvex::engine
