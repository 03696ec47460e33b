#include "dao/database_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "dao/header_page.h"
#include "dao/security_ids.h"
#include "dao/system_tables.h"
#include "dao/table_def.h"
#include "format/catalogue_objects.h"
#include "format/code_page.h"
#include "format/data_reader.h"
#include "format/header_mask.h"
#include "format/jet_layout.h"
#include "format/unicode.h"
#include "format/usage_map.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;

constexpr int32_t kInheritedAccess = 983294;
constexpr int16_t kTypeMask = 0x7F;

// ACE rows of an empty database (object, who, access, inheritable).
struct InitialAce {
  int32_t objectId;
  SecurityId SecurityIds::*sid;
  int32_t access;
  bool inheritable;
};
constexpr InitialAce kInitialAces[] = {
    {2, &SecurityIds::admin, 393216, false},
    {2, &SecurityIds::users, 20, false},
    {3, &SecurityIds::admin, 393216, false},
    {4, &SecurityIds::admin, 393216, false},
    {4, &SecurityIds::users, 20, false},
    {5, &SecurityIds::admin, 917504, false},
    {5, &SecurityIds::users, 20, false},
    {format::kTablesContainerId, &SecurityIds::inherit, kInheritedAccess, true},
    {format::kTablesContainerId, &SecurityIds::admin, 393217, false},
    {format::kTablesContainerId, &SecurityIds::users, 1048319, true},
    {format::kDatabasesContainerId, &SecurityIds::admin, 393216, false},
    {format::kRelationshipsContainerId, &SecurityIds::inherit, kInheritedAccess, true},
    {format::kRelationshipsContainerId, &SecurityIds::admin, 393217, false},
    {format::kRelationshipsContainerId, &SecurityIds::users, 1048575, true},
    {format::kDatabaseObjectId, &SecurityIds::admin, 393230, false},
    {format::kDatabaseObjectId, &SecurityIds::users, 14, false},
};

std::vector<uint8_t> Bytes(const SecurityId& sid) { return {sid.begin(), sid.end()}; }

double NowAsDays() {
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
  constexpr double kDaysFrom1899To1970 = 25569.0;
  return kDaysFrom1899To1970 + static_cast<double>(seconds) / 86400.0;
}

std::vector<uint8_t> LongBytes(int32_t value) {
  std::vector<uint8_t> out(4);
  format::PutU32(out, 0, static_cast<uint32_t>(value));
  return out;
}

std::vector<uint8_t> DoubleBytes(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  std::vector<uint8_t> out(8);
  format::PutU64(out, 0, bits);
  return out;
}

template <typename Int>
Int FixedValue(const RowView& row, size_t column) {
  auto bytes = row.Value(column);
  if (!bytes || bytes->size() < sizeof(Int)) return 0;
  uint32_t value = sizeof(Int) == 2 ? *CDataReader::U16(*bytes, 0) : *CDataReader::U32(*bytes, 0);
  return static_cast<Int>(value);
}

}  // namespace

DatabaseFile::DatabaseFile(std::unique_ptr<PageFile> file, format::DatabaseFormat format)
    : file_(std::move(file)), format_(format), now_(NowAsDays()) {}

std::unique_ptr<DatabaseFile> DatabaseFile::CreateNew(const std::filesystem::path& path,
                                                      format::DatabaseFormat format,
                                                      uint16_t codePage) {
  auto file = std::make_unique<PageFile>(path, PageFile::Mode::kCreateNew, true,
                                         format::LayoutOf(format));
  file->SetCodePage(codePage);
  std::unique_ptr<DatabaseFile> db(new DatabaseFile(std::move(file), format));
  try {
    db->CreateSystemTables(codePage);
  } catch (...) {
    db->file_.reset();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    throw;
  }
  return db;
}

void DatabaseFile::CreateSystemTables(uint16_t codePage) {
  file_->Allocate();  // page 0: header
  const auto& layout = file_->layout();
  file_->Write(0, BuildHeaderPage(format_, codePage));
  format::DataPageBuilder global(layout, format::kGlobalUsageMapPageOwner);
  std::vector<uint8_t> emptyMap(layout.usageMapRowLength, 0);
  global.Add(emptyMap);
  global.Add(emptyMap);
  file_->Allocate();
  file_->Write(format::kGlobalUsageMapPage, global.bytes());
  const SystemTable order[] = {SystemTable::kObjects, SystemTable::kAces, SystemTable::kQueries,
                               SystemTable::kRelationships};
  std::vector<std::pair<uint32_t, TableDefinition>> definitions;
  for (SystemTable table : order)
    definitions.emplace_back(file_->Allocate(), SystemTableDefinition(table, file_->textFormat()));
  for (auto& [page, definition] : definitions) {
    PlaceMaps(definition);
    Keep(page, std::make_unique<TableStore>(*file_, page, std::move(definition)));
  }
  const SecurityIds& ids = SecurityIdsOf(format_);
  ownerSid_ = Bytes(ids.admin);
  const std::vector<uint8_t> engine = Bytes(ids.engine);
  const int32_t system = format::kSystemObjectFlags;
  AddCatalogueRow({format::kTablesContainerId, format::kRootId, u"Tables",
                   format::kContainerObjectType, system},
                  engine, {});
  AddCatalogueRow({format::kDatabasesContainerId, format::kRootId, u"Databases",
                   format::kContainerObjectType, system},
                  engine, {});
  AddCatalogueRow({format::kRelationshipsContainerId, format::kRootId, u"Relationships",
                   format::kContainerObjectType, system},
                  engine, {});
  for (size_t i = 0; i < definitions.size(); ++i)
    AddCatalogueRow({static_cast<int32_t>(definitions[i].first), format::kTablesContainerId,
                     SystemTableName(order[i]), format::kTableObjectType, system},
                    engine, {});
  for (const auto& ace : kInitialAces)
    AddAceRow(ace.objectId, Bytes(ids.*ace.sid), ace.access, ace.inheritable);
  tableGrantSids_ = {ownerSid_, Bytes(ids.users)};
  databaseProperties_.assign(1, {});
}

void DatabaseFile::SetDatabaseProperty(const std::u16string& document, const Property& property) {
  if (databaseProperties_.empty())
    throw DaoException("Properties of the database can be set only while it is new.");
  if (!document.empty()) CheckObjectName(document, "Document");
  auto stored = StoreProperty(property, file_->textFormat());
  auto object = std::find_if(databaseProperties_.begin(), databaseProperties_.end(),
                             [&](const auto& o) { return SameNameNoCase(o.name, document); });
  if (object == databaseProperties_.end()) {
    databaseProperties_.push_back({false, document, {}});
    object = databaseProperties_.end() - 1;
  }
  SetProperty(*object, std::move(stored));
}

void DatabaseFile::AddDatabaseRows() {
  const int32_t system = format::kSystemObjectFlags;
  for (const auto& object : databaseProperties_) {
    const auto blob = EncodeProperties({object}, file_->textFormat());
    if (object.name.empty())
      AddCatalogueRow({format::kDatabaseObjectId, format::kDatabasesContainerId, u"MSysDb",
                       format::kDatabaseObjectType, system},
                      ownerSid_, blob);
    else
      AddCatalogueRow({NextSyntheticId(), format::kDatabasesContainerId, object.name,
                       format::kDocumentObjectType, 0},
                      ownerSid_, blob);
  }
  databaseProperties_.clear();
}

std::unique_ptr<DatabaseFile> DatabaseFile::OpenExisting(const std::filesystem::path& path,
                                                         bool exclusive, bool readOnly) {
  std::error_code error;
  if (!std::filesystem::exists(path, error))
    throw DaoException("Could not find file '" + path.string() + "'.");
  auto mode = readOnly ? PageFile::Mode::kReadOnly : PageFile::Mode::kReadWrite;
  // Page 0 tells the layout; its Jet 3 size is the least either layout holds.
  auto file = std::make_unique<PageFile>(path, mode, exclusive, format::kJet3Layout);
  if (file->pageCount() <= kObjectsPage)
    throw DaoException("'" + path.string() + "' is not a database file.");
  const auto page0 = file->Read(0);
  const auto format = CheckHeaderPage(page0);
  const auto& layout = format::LayoutOf(format);
  if (&layout != &file->layout()) {
    file.reset();  // released before the file is opened again with its own page size
    file = std::make_unique<PageFile>(path, mode, exclusive, layout);
    if (file->pageCount() <= kObjectsPage)
      throw DaoException("'" + path.string() + "' is not a database file.");
  }
  file->SetCodePage(format::HeaderCodePage(page0).value_or(format::kDefaultCodePage));
  std::unique_ptr<DatabaseFile> db(new DatabaseFile(std::move(file), format));
  db->ReadCatalogue();
  db->ReadSecurityIds();
  auto global = ReadMapRow(*db->file_, {format::kGlobalUsageMapPage, 0});
  db->freePages_ = ReadUsageMap(global, *db->file_, db->file_->pageCount());
  return db;
}

void DatabaseFile::ReadCatalogue() {
  TableStore& objects = Table(kObjectsPage);
  const auto& d = objects.definition();
  auto position = [&](const char16_t* name) -> size_t {
    for (size_t i = 0; i < d.columns.size(); ++i)
      if (d.columns[i].name == name) return i;
    throw DaoException("The catalogue lacks its column '" + format::ToUtf8(name) + "'.");
  };
  size_t id = position(u"Id"), parent = position(u"ParentId"), name = position(u"Name"),
         type = position(u"Type"), flags = position(u"Flags"), owner = position(u"Owner");
  objects.ForEachRow([&](format::RowPointer, const RowView& row) {
    CatalogueEntry entry{FixedValue<int32_t>(row, id),
                         FixedValue<int32_t>(row, parent),
                         {},
                         FixedValue<int16_t>(row, type),
                         FixedValue<int32_t>(row, flags)};
    if (auto text = row.Value(name)) entry.name = DecodeStoredText(*text, file_->textFormat());
    if (entry.id == format::kDatabaseObjectId)
      if (auto sid = row.Value(owner)) ownerSid_.assign(sid->begin(), sid->end());
    catalogue_.push_back(std::move(entry));
  });
}

void DatabaseFile::ReadSecurityIds() {
  if (ownerSid_.empty()) ownerSid_ = Bytes(SecurityIdsOf(format_).admin);
  tableGrantSids_ = {ownerSid_};
  auto aces = FindTable(SystemTableName(SystemTable::kAces));
  if (!aces) return;
  TableStore& store = Table(*aces);
  if (store.definition().columns.size() < 3) return;
  store.ForEachRow([&](format::RowPointer, const RowView& row) {
    auto sid = row.Value(aces_column::kSid);
    if (FixedValue<int32_t>(row, aces_column::kObjectId) != format::kTablesContainerId || !sid ||
        FixedValue<int32_t>(row, aces_column::kAcm) == kInheritedAccess)
      return;
    std::vector<uint8_t> bytes(sid->begin(), sid->end());
    if (std::find(tableGrantSids_.begin(), tableGrantSids_.end(), bytes) == tableGrantSids_.end())
      tableGrantSids_.push_back(bytes);
  });
}

std::optional<uint32_t> DatabaseFile::FindTable(std::u16string_view name) const {
  for (const auto& entry : catalogue_)
    if ((entry.type & kTypeMask) == format::kTableObjectType &&
        entry.parentId == format::kTablesContainerId && SameNameNoCase(entry.name, name))
      return static_cast<uint32_t>(entry.id) & format::kObjectIdMask;
  return std::nullopt;
}

bool DatabaseFile::NameInUse(std::u16string_view name) const {
  return std::any_of(catalogue_.begin(), catalogue_.end(), [&](const CatalogueEntry& e) {
    return e.parentId == format::kTablesContainerId && SameNameNoCase(e.name, name);
  });
}

TableStore& DatabaseFile::Table(uint32_t definitionPage) {
  auto found = tables_.find(definitionPage);
  if (found != tables_.end()) return *found->second;
  if (definitionPage >= file_->pageCount())
    throw DaoException("The catalogue names a table at page " + std::to_string(definitionPage) +
                       " past the end.");
  return Keep(definitionPage, TableStore::Load(*file_, definitionPage));
}

TableStore& DatabaseFile::Keep(uint32_t definitionPage, std::unique_ptr<TableStore> table) {
  table->UseTextKeys(&textKeys_);
  return *tables_.emplace(definitionPage, std::move(table)).first->second;
}

format::RowPointer DatabaseFile::AddMapRow() {
  std::vector<uint8_t> row(file_->layout().usageMapRowLength, 0);
  if (!mapPage_ || !mapPage_->CanAdd(row.size())) {
    mapPage_.emplace(file_->layout(), format::kUsageMapPageOwner);
    mapPageNumber_ = file_->Allocate();
  }
  format::RowPointer at{mapPageNumber_, mapPage_->Add(row)};
  file_->Write(mapPageNumber_, mapPage_->bytes());
  return at;
}

void DatabaseFile::PlaceMaps(TableDefinition& definition) {
  definition.ownedMap = AddMapRow().ToU32();
  definition.freeMap = AddMapRow().ToU32();
  for (auto& real : definition.realIndexes) real.usageMap = AddMapRow().ToU32();
  for (auto& maps : definition.longValueMaps) {
    maps.owned = AddMapRow().ToU32();
    maps.free = AddMapRow().ToU32();
  }
}

void DatabaseFile::AddCatalogueRow(const CatalogueEntry& entry, const std::vector<uint8_t>& owner,
                                   const std::vector<uint8_t>& properties) {
  TableStore& objects = Table(kObjectsPage);
  std::vector<StoredValue> values(objects.definition().columns.size());
  values[objects_column::kId] = LongBytes(entry.id);
  values[objects_column::kParentId] = LongBytes(entry.parentId);
  values[objects_column::kName] = EncodeStoredText(entry.name, false, file_->textFormat());
  values[objects_column::kType] =
      std::vector<uint8_t>{static_cast<uint8_t>(entry.type),
                           static_cast<uint8_t>(static_cast<uint16_t>(entry.type) >> 8)};
  values[objects_column::kDateCreate] = DoubleBytes(now_);
  values[objects_column::kDateUpdate] = DoubleBytes(now_);
  values[objects_column::kOwner] = owner;
  values[objects_column::kFlags] = LongBytes(entry.flags);
  if (!properties.empty())
    values[objects_column::kLvProp] =
        objects.StoreLongValue(objects_column::kLvProp, properties, true);
  objects.AppendRow(values);
  catalogue_.push_back(entry);
}

void DatabaseFile::AddAceRow(int32_t objectId, const std::vector<uint8_t>& sid, int32_t access,
                             bool inheritable) {
  auto aces = FindTable(SystemTableName(SystemTable::kAces));
  if (!aces) return;  // a file without permissions table keeps none
  TableStore& store = Table(*aces);
  std::vector<StoredValue> values(store.definition().columns.size());
  values[aces_column::kObjectId] = LongBytes(objectId);
  values[aces_column::kSid] = sid;
  values[aces_column::kAcm] = LongBytes(access);
  if (inheritable) values[aces_column::kInheritable] = std::vector<uint8_t>{};
  store.AppendRow(values);
}

uint32_t DatabaseFile::AddTable(const std::u16string& name, TableDefinition definition,
                                const std::vector<uint8_t>& properties) {
  if (readOnly()) throw DaoException("The database is opened read-only.");
  uint32_t page = file_->Allocate();
  PlaceMaps(definition);
  Keep(page, std::make_unique<TableStore>(*file_, page, std::move(definition)));
  AddCatalogueRow(
      {static_cast<int32_t>(page), format::kTablesContainerId, name, format::kTableObjectType, 0},
      ownerSid_, properties);
  for (const auto& sid : tableGrantSids_)
    AddAceRow(static_cast<int32_t>(page), sid, format::kNewTableAccess, false);
  return page;
}

void DatabaseFile::WriteGlobalMap() {
  UpdateMapRow(*file_, {format::kGlobalUsageMapPage, 0},
               [&](std::span<uint8_t> row) { WriteGlobalUsageMap(row, freePages_, *file_); });
}

std::vector<LeftOutIndex> DatabaseFile::Close() {
  std::vector<LeftOutIndex> leftOut;
  if (!file_) return leftOut;
  if (!readOnly()) {
    if (!databaseProperties_.empty()) AddDatabaseRows();
    std::vector<uint32_t> freed;
    std::map<uint32_t, std::vector<uint32_t>> unbuilt;
    // The catalogue last: finishing other tables never adds catalogue rows,
    // but its own long values and indexes must see every row.
    for (auto& [page, store] : tables_)
      if (page != kObjectsPage)
        if (auto left = store->BuildIndexes(freed); !left.empty()) unbuilt[page] = std::move(left);
    Table(kObjectsPage).BuildIndexes(freed);
    // Definitions are written only once every table's indexes are settled:
    // leaving one out renumbers the indexes that other tables' links name.
    leftOut = LeaveOutIndexes(unbuilt, freed);
    for (auto& [page, store] : tables_) store->WriteBack();
    for (uint32_t page : freed) freePages_.Add(page);
    WriteGlobalMap();
  }
  tables_.clear();
  file_->Close();
  file_.reset();
  return leftOut;
}

}  // namespace tarvex::dao
