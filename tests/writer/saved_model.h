#pragma once
// Builds small recovered models for the save tests: tables with columns,
// indexes and the rows of their table data files, and runs a save of them
// through a recording engine.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/access_data.h"
#include "recording_engine.h"
#include "support/test_paths.h"
#include "writer/access_save_repaired_file.h"

namespace tarvex::writer::test {

struct ColumnSpec {
  std::u16string name;
  uint8_t type = 10;
  uint16_t length = 0;
  uint8_t flags = 0;
  uint32_t extra = 0;
};

using Row = std::vector<std::optional<std::u16string>>;  // nullopt: a null value

// Adds a table whose columns are numbered in order and whose data file holds `rows`.
model::CAccessTable& AddTable(model::CAccessData& data, const std::u16string& name,
                              const std::vector<ColumnSpec>& columns, const std::vector<Row>& rows);

// A save of `data` into a scratch folder through a recording engine.
struct RecordedSave {
  explicit RecordedSave(model::CAccessData& data);
  bool Run();  // true when the save put its database in place

  tarvex::test::ScratchDir folder;
  std::shared_ptr<Recording> recording = std::make_shared<Recording>();
  model::Job job;  // of a Jet 4 source
  CAccessSaveRepairedFile writer;
};

}  // namespace tarvex::writer::test
