#include "engine/table_names.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "engine/calculated_columns.h"
#include "engine/property_files.h"
#include "engine/step_progress.h"
#include "format/catalogue_objects.h"
#include "format/unicode.h"
#include "model/table_data_file.h"

namespace tarvex::engine {
namespace {

// Positions of the catalogue columns used here (the column number of each).
constexpr int kIdColumn = 0;
constexpr int kParentIdColumn = 1;
constexpr int kNameColumn = 2;
constexpr int kTypeColumn = 3;
constexpr int kFlagsColumn = 7;
constexpr int kPropertiesColumn = 14;

struct CatalogueRow {
  std::u16string id, parentId, name, type, flags;
  std::u16string properties;  // the path of the file that holds the property blob
};

std::u16string Decimal(uint64_t value) {
  const std::string text = std::to_string(value);
  return {text.begin(), text.end()};
}

// Reads one catalogue row; false at the end of the file (or when stopped).
bool ReadCatalogueRow(model::Job& job, model::CDataFileReader& reader, int columnCount,
                      CatalogueRow& row) {
  row = {};
  std::u16string value;
  for (int position = 0; position < columnCount; ++position) {
    if (!job.Running()) return false;
    job.progress().Step();
    if (!reader.ReadTextRecord(value)) return false;
    switch (position) {
      case kIdColumn:
        row.id = value;
        break;
      case kParentIdColumn:
        row.parentId = value;
        break;
      case kPropertiesColumn:
        row.properties = value;
        break;
      case kNameColumn:
        row.name = value;
        break;
      case kTypeColumn:
        row.type = value;
        break;
      case kFlagsColumn:
        row.flags = value;
        break;
      default:
        break;
    }
  }
  return true;
}

const std::u16string kDatabaseType = Decimal(format::kDatabaseObjectType);

// The database object (MSysDb), or a document of the Databases container (SummaryInfo, UserDefined).
bool IsDatabaseObject(const CatalogueRow& row) {
  static const std::u16string kDocumentType =
      format::FromUtf8(std::to_string(format::kDocumentObjectType));
  static const std::u16string kDatabases = Decimal(format::kDatabasesContainerId);
  return row.parentId == kDatabases && (row.type == kDatabaseType || row.type == kDocumentType);
}

bool NameFromCatalogue(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  model::CAccessTable* catalogue =
      model.tableList.Find(layout.PageOffset(format::JetLayout::kCatalogueDefinitionPage));
  if (!catalogue) return false;
  model::CDataFileReader reader(catalogue->DataFilePath());
  if (!reader.Open()) return false;
  // The first table of each definition page; the catalogue's Id is that page's number.
  std::unordered_map<std::u16string, model::CAccessTable*> byId;
  for (const auto& table : model.tableList)
    byId.try_emplace(Decimal(table->tableDefOffset / layout.pageSize), table.get());

  const uint32_t rows = catalogue->tableDefInfo.rowCount;
  context.job.progress().Restart(uint64_t{rows} * catalogue->columnList.count());
  const std::u16string queryType = Decimal(static_cast<uint64_t>(format::kQueryObjectType));
  const auto properties = [&](const CatalogueRow& row) {
    return ReadPropertyFile(row.properties, layout.version, model.codePage);
  };
  CatalogueRow row;
  for (uint32_t read = 0;
       read < rows && ReadCatalogueRow(context.job, reader, catalogue->columnList.count(), row);
       ++read) {
    if (auto found = byId.find(row.id); found != byId.end()) {
      found->second->name = row.name;
      found->second->properties = properties(row);
      found->second->propertiesRead = true;
    }
    if (IsDatabaseObject(row)) {
      auto objects = properties(row);
      // A document's properties are its own, as are the database object's.
      for (auto& object : objects) object.name = row.type == kDatabaseType ? u"" : row.name;
      if (row.type == kDatabaseType) model.databasePropertiesRead = true;
      model.databaseProperties.insert(model.databaseProperties.end(), objects.begin(),
                                      objects.end());
    }
    if (row.type == queryType) {
      auto* entry = new model::CQuerySysObject;
      entry->name = row.name;
      entry->id = row.id;
      entry->flags = row.flags;
      model.queryObjectList.Append(entry);
    }
    SetCaption(context.job,
               "(Step 4/4)Scanning table name from raw table data... " + format::ToUtf8(row.name));
  }
  FinishStep(context);
  return true;
}

// System tables whose columns no user table would have all of, by their
// sorted column names. Sets a user might make (a lone "Value", "Id, Name,
// Type") are left out: a user table taken for a system one would be hidden.
std::u16string SystemTableByColumns(const model::CAccessTable& table) {
  static const std::map<std::vector<std::u16string>, std::u16string> kKnown = {
      {{u"ACM", u"FInheritable", u"ObjectId", u"SID"}, u"MSysACEs"},
      {{u"Attribute", u"Expression", u"Flag", u"LvExtra", u"Name1", u"Name2", u"ObjectId",
        u"Order"},
       u"MSysQueries"},
      {{u"Attribute", u"Expression", u"Flag", u"Name1", u"Name2", u"ObjectId", u"Order"},
       u"MSysQueries"},
      {{u"ColumnName", u"ComplexID", u"ComplexTypeObjectID", u"ConceptualTableID", u"FlatTableID"},
       u"MSysComplexColumns"},
      {{u"Connect", u"Database", u"DateCreate", u"DateUpdate", u"Flags", u"ForeignName", u"Id",
        u"Lv", u"LvExtra", u"LvModule", u"LvProp", u"Name", u"Owner", u"ParentId", u"RmtInfoLong",
        u"RmtInfoShort", u"Type"},
       u"MSysObjects"},
      {{u"DateCreate", u"DateUpdate", u"Id", u"Lv", u"Name", u"ParentId", u"Type"},
       u"MSysAccessStorage"},
      {{u"FileData", u"FileFlags", u"FileName", u"FileTimeStamp", u"FileType", u"FileURL"},
       u"MSysComplexType_Attachment"},
      {{u"Filter", u"Flags", u"Id", u"Name", u"Position", u"SelectedObjectID", u"Type"},
       u"MSysNavPaneGroupCategories"},
      {{u"Flags", u"GroupCategoryID", u"Id", u"Name", u"Object Type Group", u"ObjectID",
        u"Position"},
       u"MSysNavPaneGroups"},
      {{u"Flags", u"GroupID", u"Icon", u"Id", u"Name", u"ObjectID", u"Position"},
       u"MSysNavPaneGroupToObjects"},
      {{u"Flags", u"Form", u"Module", u"Name", u"ReplicationVersion", u"Type", u"TypeInfo",
        u"Version"},
       u"MSysModules2"},
      {{u"GUID", u"Id", u"Name", u"NameMap", u"Type"}, u"MSysNameMap"},
      {{u"ccolumn", u"grbit", u"icolumn", u"szColumn", u"szObject", u"szReferencedColumn",
        u"szReferencedObject", u"szRelationship"},
       u"MSysRelationships"},
  };
  std::vector<std::u16string> names;
  for (const auto& column : table.columnList) names.push_back(column.colInfo.name);
  std::sort(names.begin(), names.end());
  const auto found = kKnown.find(names);
  return found == kKnown.end() ? std::u16string() : found->second;
}

void NameTheRest(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  std::set<std::u16string> taken;
  for (const auto& table : model.tableList) taken.insert(table->name);
  int recovered = 0;
  for (const auto& table : model.tableList) {
    if (!context.job.Running()) return;
    if (!table->name.empty()) continue;
    table->name = FixedSystemTableName(layout, table->tableDefOffset);
    // Lost catalogue rows: a system table is told by its columns, once.
    if (table->name.empty()) {
      auto name = SystemTableByColumns(*table);
      if (!name.empty() && taken.insert(name).second) table->name = std::move(name);
    }
    if (table->name.empty()) {
      const std::string name = "RecoveredTable###" + std::to_string(recovered++);
      table->name.assign(name.begin(), name.end());
    }
  }
}

}  // namespace

std::u16string FixedSystemTableName(const format::JetLayout& layout, uint64_t tableDefOffset) {
  struct Known {
    uint32_t page;
    bool jet3, jet4;
    const char16_t* name;
  };
  static constexpr Known kKnown[] = {
      {2, true, true, u"MSysObjects"},         {3, true, true, u"MSysACEs"},
      {4, true, true, u"MSysQueries"},         {5, true, true, u"MSysRelationships"},
      {22, true, false, u"MSysModules2"},      {25, true, false, u"MSysModules"},
      {16, false, true, u"MSysAccessObjects"}, {29, true, false, u"MSysAccessObjects"},
  };
  const bool jet4 = layout.version == format::JetVersion::kJet4;
  for (const Known& known : kKnown) {
    if ((jet4 ? known.jet4 : known.jet3) && layout.PageOffset(known.page) == tableDefOffset)
      return known.name;
  }
  return {};
}

bool RecoverTableNames(const ScanContext& context, model::CAccessData& model) {
  if (!context.job.Running()) return false;
  NameFromCatalogue(context, model);
  NameTheRest(context, model);
  return ApplyCalculatedResultTypes(context, model);
}

}  // namespace tarvex::engine
