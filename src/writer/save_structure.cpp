// The structure step: the database, then every user table with its fields
// and indexes, in the order of the model's table list.
#include <unordered_set>

#include "format/unicode.h"
#include "writer/access_save_repaired_file.h"
#include "writer/field_plan.h"
#include "writer/object_names.h"
#include "writer/property_plan.h"

namespace tarvex::writer {
namespace {

using format::FromUtf8;

constexpr long kTableAttributes = dao::kDbAttachExclusive;
constexpr int kTextProperty = 10;
// A table whose name the engine still refuses is tried under this many numbered names.
constexpr int kNameAttempts = 3;

std::u16string Quoted(const std::u16string& name) { return u"'" + name + u"'"; }

std::u16string ColumnLabel(const model::CAccessColInfo& column, int position) {
  return column.name.empty() ? u"#" + FromUtf8(std::to_string(position + 1)) : column.name;
}

}  // namespace

bool CAccessSaveRepairedFile::SaveStructure() {
  if (!Saving()) return false;
  Log(u"Saving table name and structure");
  if (!model || !Saving()) return false;
  if (!CreateDatabase()) return false;
  if (!Saving()) {
    CloseDatabase();
    return false;
  }
  auto& progress = job_.progress();
  progress.Restart(static_cast<uint64_t>(model->tableList.count()));
  for (const auto& table : model->tableList) {
    progress.Step();
    if (!Saving()) {
      CloseDatabase();
      return false;
    }
    SetCaption(u"(Step 1/2)Saving table name and structure: " + table->name);
    if (IsSystemObjectName(table->name)) continue;
    if (table->tableDefInfo.columnCount == 0 && table->columnList.count() == 0) continue;
    CreateTable(*table);
  }
  progress.SetPosition(progress.Maximum());
  const bool closed = CloseDatabase();
  FinishStep();
  return closed && Saving();
}

bool CAccessSaveRepairedFile::CreateDatabase() {
  const bool jet4 = model->sourceFormat != format::DatabaseFormat::kJet3;
  // A Jet 3 file keeps its text in the source's code page.
  const std::string locale =
      jet4 ? std::string(kDatabaseLocale)
           : ";LANGID=0x0409;CP=" + std::to_string(model->codePage) + ";COUNTRY=0";
  try {
    database_->CreateDatabase(buildPath_, locale, FormatOption(model->sourceFormat));
    CreateDatabaseProperties();
    return true;
  } catch (const dao::DaoException& error) {
    Fail(std::string("The new database cannot be created: ") + error.what());
    return false;
  }
}

void CAccessSaveRepairedFile::CreateTable(const model::CAccessTable& table) {
  TableSaveReport& entry = report_.tables.emplace_back();
  entry.name = table.name;
  entry.rowsRecovered = table.tableDefInfo.rowCount;
  entry.losses = table.losses;
  SavedTable saved;
  saved.report = report_.tables.size() - 1;
  bool created = false;
  for (int attempt = 0; attempt < kNameAttempts && !created; ++attempt) {
    saved.name = UniqueObjectName(table.name, u"RecoveredTable", usedTableNames_);
    try {
      database_->CreateTableDef(saved.name, kTableAttributes);
      created = true;
    } catch (const dao::DaoException& error) {
      entry.problem = error.what();  // the name is marked used: the next try numbers it
    }
  }
  if (!created) {
    Log(u"Table " + Quoted(table.name) + u" is not created: " + FromUtf8(entry.problem));
    return;
  }
  entry.problem.clear();
  if (saved.name != table.name)
    Log(u"Table " + Quoted(table.name) + u" is saved as " + Quoted(saved.name) + u".");

  CreateFields(table, saved, entry);
  if (Saving()) CreateProperties(table, saved, entry);
  if (Saving()) CreateIndexes(table, entry);
  try {
    if (!Saving()) throw dao::DaoException("The save was stopped.");
    database_->AppendTableDef();
    entry.savedName = saved.name;
    savedTables_.emplace(&table, std::move(saved));
  } catch (const dao::DaoException& error) {
    entry.problem = error.what();
    Log(u"Table " + Quoted(table.name) + u" is not created: " + FromUtf8(error.what()));
  }
  try {
    database_->CloseTableDef();
  } catch (const dao::DaoException&) {
    // Closing a definition only releases it; the table stands or fails with Append.
  }
}

void CAccessSaveRepairedFile::CreateFields(const model::CAccessTable& table, SavedTable& saved,
                                           TableSaveReport& entry) {
  FieldMarkers markers;
  std::unordered_set<std::u16string> usedFieldNames;
  int nextField = 0;
  saved.fieldOfColumn.assign(static_cast<size_t>(table.columnList.count()), -1);
  saved.fieldType.assign(static_cast<size_t>(table.columnList.count()), 0);
  for (int position = 0; position < table.columnList.count(); ++position) {
    if (!Saving()) return;
    const auto& column = table.columnList.At(position)->colInfo;
    const std::u16string label = ColumnLabel(column, position);
    auto field = PlanField(column, markers);
    if (!field) {
      entry.fieldsNotCreated.push_back(
          {label, "Column type " + std::to_string(column.type) + " has no field type."});
      continue;
    }
    field->name = UniqueObjectName(column.name, u"Field" + FromUtf8(std::to_string(position + 1)),
                                   usedFieldNames);
    // Where the source's properties were read, they alone say whether empty text is allowed.
    if (table.propertiesRead) field->allowZeroLength = false;
    try {
      database_->CreateField(*field);
      saved.fieldOfColumn[static_cast<size_t>(position)] = nextField++;
      saved.fieldType[static_cast<size_t>(position)] = field->type;
      if (field->name != column.name) entry.renamedFields[label] = field->name;
    } catch (const dao::DaoException& error) {
      entry.fieldsNotCreated.push_back({label, error.what()});
    }
  }
  for (const auto& field : entry.fieldsNotCreated)
    Log(u"Field " + Quoted(field.name) + u" of table " + Quoted(table.name) + u" is not created: " +
        FromUtf8(field.reason));
}

void CAccessSaveRepairedFile::CreateDatabaseProperties() {
  auto create = [&](const std::u16string& document, const dao::Property& property) {
    try {
      database_->CreateDatabaseProperty(document, property);
    } catch (const dao::DaoException& error) {
      report_.databasePropertiesRefused.push_back({document, property.name, error.what()});
    }
  };
  // Readers tell the Access version that made a file from its AccessVersion:
  // a database whose own properties were lost gets the one Access writes.
  if (!model->databasePropertiesRead) {
    const auto format = model->sourceFormat;
    const char16_t* version = format == format::DatabaseFormat::kJet3   ? u"07.53"
                              : format == format::DatabaseFormat::kJet4 ? u"08.50"
                                                                        : u"09.50";
    create({}, {u"AccessVersion", kTextProperty, false, {}, version});
  }
  for (const auto& object : model->databaseProperties)
    for (const auto& stored : object.properties)
      create(object.name, PlanProperty(stored, model->sourceFormat, model->codePage));
}

void CAccessSaveRepairedFile::CreateProperties(const model::CAccessTable& table,
                                               const SavedTable& saved, TableSaveReport& entry) {
  // A column's properties go to the field made for it, under the field's name.
  auto fieldName = [&](const std::u16string& column) -> std::optional<std::u16string> {
    for (int position = 0; position < table.columnList.count(); ++position) {
      const auto& info = table.columnList.At(position)->colInfo;
      if (info.name != column || saved.fieldOfColumn[static_cast<size_t>(position)] < 0) continue;
      const auto renamed = entry.renamedFields.find(ColumnLabel(info, position));
      return renamed == entry.renamedFields.end() ? info.name : renamed->second;
    }
    return std::nullopt;
  };
  for (const auto& object : table.properties) {
    const auto field = object.column ? fieldName(object.name) : std::u16string();
    if (!field) continue;  // the field was not created, as the report says
    for (const auto& stored : object.properties) {
      try {
        database_->CreateTableProperty(
            *field, PlanProperty(stored, model->sourceFormat, model->codePage));
      } catch (const dao::DaoException& error) {
        entry.propertiesRefused.push_back({*field, stored.name, error.what()});
      }
    }
  }
  if (!entry.propertiesRefused.empty())
    Log(u"Table " + Quoted(table.name) + u": " +
        FromUtf8(std::to_string(entry.propertiesRefused.size())) +
        u" properties are not kept: " + FromUtf8(entry.propertiesRefused.front().reason));
}

void CAccessSaveRepairedFile::CreateIndexes(const model::CAccessTable& table,
                                            TableSaveReport& entry) {
  // An index refers to columns by number; it names the fields made for them.
  auto fieldName = [&](int columnNumber) -> std::u16string {
    for (int position = 0; position < table.columnList.count(); ++position) {
      const auto& column = table.columnList.At(position)->colInfo;
      if (column.columnNumber != columnNumber) continue;
      auto renamed = entry.renamedFields.find(ColumnLabel(column, position));
      return renamed != entry.renamedFields.end() ? renamed->second : column.name;
    }
    return {};
  };
  // An index without columns is damage; the indexes after it are not trusted either.
  const char* damaged = nullptr;
  for (const auto& index : table.indexList) {
    if (!Saving()) return;
    if (index.columnCount == 0 && !damaged) {
      entry.indexesNotCreated.push_back({index.name, "The index has no columns."});
      damaged = "An earlier index of the table has no columns.";
    } else if (damaged) {
      entry.indexesNotCreated.push_back({index.name, damaged});
    } else {
      try {
        database_->CreateIndex(PlanIndex(index, fieldName));
      } catch (const dao::DaoException& error) {
        entry.indexesNotCreated.push_back({index.name, error.what()});
      }
    }
  }
  if (!entry.indexesNotCreated.empty())
    Log(u"Table " + Quoted(table.name) + u": " +
        FromUtf8(std::to_string(entry.indexesNotCreated.size())) + u" of " +
        FromUtf8(std::to_string(table.indexList.count())) + u" indexes are not created: " +
        FromUtf8(entry.indexesNotCreated.front().reason));
}

}  // namespace tarvex::writer
