#include "saved_model.h"

#include "model/table_data_file.h"

namespace tarvex::writer::test {

model::CAccessTable& AddTable(model::CAccessData& data, const std::u16string& name,
                              const std::vector<ColumnSpec>& columns,
                              const std::vector<Row>& rows) {
  auto& table = data.tableList.Append(4096 * (100 + static_cast<uint64_t>(data.tableList.count())));
  table.name = name;
  uint16_t number = 0;
  for (const auto& wanted : columns) {
    model::CAccessColInfo info;
    info.name = wanted.name;
    info.type = wanted.type;
    info.length = wanted.length;
    info.flags = wanted.flags;
    info.extra = wanted.extra;
    info.columnNumber = number++;
    table.columnList.Append(info);
  }
  table.tableDefInfo.columnCount = static_cast<uint16_t>(columns.size());
  table.tableDefInfo.rowCount = static_cast<uint32_t>(rows.size());
  model::CAccessTableDataFile file;
  file.Create(table.tableDefOffset);
  for (const auto& row : rows)
    for (const auto& value : row) value ? file.AppendValueText(*value) : file.AppendNull();
  file.Close();
  return table;
}

RecordedSave::RecordedSave(model::CAccessData& data)
    : writer(job, [this] {
        SaveSettings settings = SaveSettings::WithoutPause();
        settings.makeEngine = [recording = recording] {
          return std::make_unique<RecordingEngine>(recording);
        };
        return settings;
      }()) {
  writer.model = &data;
  writer.outputPath = folder.path() / "out.mdb";
}

bool RecordedSave::Run() {
  job.SetSaveFailed(false);
  job.Start();
  return writer.RunSave();
}

}  // namespace tarvex::writer::test
