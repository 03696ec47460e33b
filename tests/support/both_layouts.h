#pragma once
// Tests run once in each layout and named after it: a suite derives from
// LayoutTest and is instantiated with (Layouts, Suite, BothLayouts(), LayoutName).
#include <gtest/gtest.h>

#include <string>

#include "format/jet_layout.h"

namespace tarvex::test {

class LayoutTest : public testing::TestWithParam<const format::JetLayout*> {
 protected:
  const format::JetLayout& layout() const { return *GetParam(); }
};

inline auto BothLayouts() { return testing::Values(&format::kJet3Layout, &format::kJet4Layout); }

inline std::string LayoutName(const testing::TestParamInfo<const format::JetLayout*>& info) {
  return info.param->version == format::JetVersion::kJet3 ? "Jet3" : "Jet4";
}

}  // namespace tarvex::test
