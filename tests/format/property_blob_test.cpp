// The property blob codec: what it writes reads back, in both layouts, names
// and text in Jet 3 in the code page; a blob cut anywhere reads as far as it is whole.
#include "format/property_blob.h"

#include <gtest/gtest.h>

namespace tarvex::format::test {
namespace {

std::vector<PropertyObject> Sample() {
  return {
      {false, {}, {{u"Description", 12, false, {'T', 0}}, {u"GUID", 9, true, {1, 2, 3}}}},
      {true, u"Prix unitaire", {{u"DefaultValue", 10, true, {'0', 0}}, {u"Required", 1, true, {1}}}},
      {true, u"Nom", {{u"Required", 1, true, {0}}}},
  };
}

TEST(PropertyBlob, WhatIsWrittenReadsBack) {
  const auto objects = Sample();
  for (const auto version : {JetVersion::kJet3, JetVersion::kJet4}) {
    SCOPED_TRACE(version == JetVersion::kJet3 ? "Jet 3" : "Jet 4");
    const auto blob = EncodePropertyBlob(objects, version, 1252);
    ASSERT_TRUE(blob);
    EXPECT_EQ(ReadPropertyBlob(*blob, version, 1252), objects);
    // Cut short: never more objects, never a read past the end (the sanitizer build checks).
    for (size_t cut = 0; cut < blob->size(); ++cut)
      EXPECT_LE(ReadPropertyBlob(std::span(*blob).first(cut), version, 1252).size(),
                objects.size());
  }
}

TEST(PropertyBlob, WhatCannotBeStoredIsRefused) {
  EXPECT_EQ(EncodePropertyBlob({}, JetVersion::kJet4, 1252), std::vector<uint8_t>{});
  auto objects = Sample();
  objects[1].name = std::u16string(1, u'\x3A9');  // Omega: no code in 1252
  EXPECT_FALSE(EncodePropertyBlob(objects, JetVersion::kJet3, 1252));
  EXPECT_TRUE(EncodePropertyBlob(objects, JetVersion::kJet4, 1252));
  objects[0].properties[0].data.resize(kMaxPropertyData + 1);
  EXPECT_FALSE(EncodePropertyBlob(objects, JetVersion::kJet4, 1252));
}

}  // namespace
}  // namespace tarvex::format::test
