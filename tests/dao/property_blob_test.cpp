// Property blobs the engine writes read back through the format's reader, in
// both layouts; a blob cut anywhere reads as far as it is whole.
#include "dao/property_blob.h"

#include <gtest/gtest.h>

#include "format/property_blob.h"

namespace tarvex::dao::test {
namespace {

TEST(PropertyBlob, WhatTheEngineWritesReadsBack) {
  const std::vector<ColumnProperties> columns = {
      {u"Prix unitaire", {{u"DefaultValue", 10, true, {'0', 0}}, {u"ResultType", 2, true, {5}}}},
      {u"Nom", {{u"ResultType", 2, false, {10}}}},
  };
  for (const auto version : {format::JetVersion::kJet3, format::JetVersion::kJet4}) {
    SCOPED_TRACE(version == format::JetVersion::kJet3 ? "Jet 3" : "Jet 4");
    const auto blob = EncodePropertyBlob(columns, {version, 1252});
    const auto objects = format::ReadPropertyBlob(blob, version, 1252);
    ASSERT_EQ(objects.size(), columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
      EXPECT_TRUE(objects[i].column);
      EXPECT_EQ(objects[i].name, columns[i].column);
      ASSERT_EQ(objects[i].properties.size(), columns[i].properties.size());
      for (const auto& property : columns[i].properties) {
        const auto* read = objects[i].Find(property.name);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->type, property.type);
        EXPECT_TRUE(std::ranges::equal(read->data, property.data));
      }
    }
    // Cut short: never more objects, never a read past the end (the sanitizer build checks).
    for (size_t cut = 0; cut < blob.size(); ++cut)
      EXPECT_LE(format::ReadPropertyBlob(std::span(blob).first(cut), version, 1252).size(),
                columns.size());
  }
}

}  // namespace
}  // namespace tarvex::dao::test
