#pragma once
// The format of the damaged file, which its repair keeps.
#include <filesystem>

#include "format/database_format.h"
#include "format/jet_layout.h"
#include "model/access_data.h"

namespace tarvex::engine {

// The source's header says, when it can be read and agrees with the layout its
// pages have. A damaged header leaves it to the layout and what the tables
// hold: a Jet 4 layout is an ACE file when it is named .accdb or its tables
// have a column only ACE has, of the first version that has every such column.
format::DatabaseFormat SourceFormat(const std::filesystem::path& dataFile,
                                    const format::JetLayout& layout,
                                    const model::CAccessData& model);

}  // namespace tarvex::engine
