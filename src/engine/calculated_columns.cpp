#include "engine/calculated_columns.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "engine/record_extraction.h"
#include "engine/step_progress.h"
#include "format/code_page.h"
#include "format/property_blob.h"
#include "format/value_types.h"
#include "model/table_data_file.h"

namespace tarvex::engine {
namespace {

using format::ColumnType;
using format::TypeCode;

// A property blob is small; a longer file is not one.
constexpr uintmax_t kMaxPropertyBlob = 1 << 20;

bool HasCalculatedColumn(const model::CAccessTable& table) {
  return std::any_of(table.columnList.begin(), table.columnList.end(),
                     [](const auto& column) { return column.colInfo.IsCalculated(); });
}

// The types a calculated column can give, which the scan reads from its result.
bool IsResultType(uint8_t type) {
  static constexpr ColumnType kResults[] = {
      ColumnType::kBoolean,  ColumnType::kByte,   ColumnType::kInt,    ColumnType::kLong,
      ColumnType::kCurrency, ColumnType::kSingle, ColumnType::kDouble, ColumnType::kDateTime,
      ColumnType::kText,     ColumnType::kMemo,   ColumnType::kGuid,   ColumnType::kNumeric};
  return std::any_of(std::begin(kResults), std::end(kResults),
                     [&](ColumnType result) { return TypeCode(result) == type; });
}

// The blob of an OLE value: the file of the working folder whose path the value's text is.
std::vector<uint8_t> ReadBlob(const std::u16string& path) {
  std::error_code error;
  const auto size = path.empty() ? 0 : std::filesystem::file_size(path, error);
  if (error || size == 0 || size > kMaxPropertyBlob) return {};
  std::vector<uint8_t> blob(static_cast<size_t>(size));
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  in.read(reinterpret_cast<char*>(blob.data()), static_cast<std::streamsize>(size));
  blob.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return blob;
}

// Gives each calculated column of `table` the type of its result; true when one changed.
bool ApplyResultTypes(model::CAccessTable& table,
                      const std::vector<format::PropertyObject>& objects) {
  bool changed = false;
  for (int at = 0; at < table.columnList.count(); ++at) {
    auto& column = table.columnList.At(at)->colInfo;
    if (!column.IsCalculated()) continue;
    const auto object = std::find_if(objects.begin(), objects.end(), [&](const auto& object) {
      return object.column && object.name == column.name;
    });
    if (object == objects.end()) continue;
    const auto* result = object->Find(u"ResultType");
    if (!result || result->type != TypeCode(ColumnType::kByte) || result->data.size() != 1)
      continue;
    const uint8_t type = result->data[0];
    if (!IsResultType(type) || type == column.type) continue;
    column.type = type;
    changed = true;
  }
  return changed;
}

// The position of the catalogue column named `name` of `type`, or -1. Only an OLE column's texts
// are paths the scan made; a damaged definition could make them any text of the file.
int PositionOf(const model::CAccessTable& catalogue, std::u16string_view name, ColumnType type) {
  int position = 0;
  for (const auto& column : catalogue.columnList) {
    if (column.colInfo.name == name) return column.colInfo.type == TypeCode(type) ? position : -1;
    ++position;
  }
  return -1;
}

}  // namespace

bool ApplyCalculatedResultTypes(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  if (layout.version != format::JetVersion::kJet4) return context.job.Running();
  // The catalogue's Id of a table is the page number of its first definition page.
  std::unordered_map<std::u16string, model::CAccessTable*> byId;
  for (const auto& table : model.tableList) {
    if (!HasCalculatedColumn(*table)) continue;
    const std::string id = std::to_string(table->tableDefOffset / layout.pageSize);
    byId.try_emplace(std::u16string(id.begin(), id.end()), table.get());
  }
  const model::CAccessTable* catalogue =
      model.tableList.Find(layout.PageOffset(format::JetLayout::kCatalogueDefinitionPage));
  if (byId.empty() || !catalogue) return context.job.Running();
  const int idAt = PositionOf(*catalogue, u"Id", ColumnType::kLong);
  const int propertiesAt = PositionOf(*catalogue, u"LvProp", ColumnType::kOle);
  if (idAt < 0 || propertiesAt < 0) return context.job.Running();

  model::CDataFileReader reader(catalogue->DataFilePath());
  if (!reader.Open()) return context.job.Running();
  std::vector<model::CAccessTable*> changed;
  std::vector<std::u16string> row(static_cast<size_t>(catalogue->columnList.count()));
  for (uint32_t read = 0; read < catalogue->tableDefInfo.rowCount && context.job.Running();
       ++read) {
    for (auto& value : row)
      if (!reader.ReadTextRecord(value)) return context.job.Running();
    const auto found = byId.find(row[static_cast<size_t>(idAt)]);
    if (found == byId.end()) continue;
    model::CAccessTable* table = found->second;
    byId.erase(found);  // a second row for the table (damage) must not cut it twice
    // The blob is an OLE value, kept as a file of the working folder whose path is the text.
    const auto blob = ReadBlob(row[static_cast<size_t>(propertiesAt)]);
    if (ApplyResultTypes(*table,
                         format::ReadPropertyBlob(blob, layout.version, format::kDefaultCodePage)))
      changed.push_back(table);
  }
  if (changed.empty()) return context.job.Running();
  return ExtractTables(context, std::move(changed)) && context.job.Running();
}

}  // namespace tarvex::engine
