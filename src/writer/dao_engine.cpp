// The save's engine calls on the dao library.
#include <optional>

#include "dao/query_def.h"
#include "dao/recordset.h"
#include "dao/table_def.h"
#include "writer/database_engine.h"

namespace tarvex::writer {
namespace {

class CDaoEngine final : public CDatabaseEngine {
 public:
  void CreateDatabase(const std::filesystem::path& path, const std::string& locale,
                      int options) override {
    database_.Create(path, locale, options);
    database_.UseTextKeyCodes(textKeyCodes_);
  }
  void OpenDatabase(const std::filesystem::path& path) override {
    database_.Open(path, false, false, "");
    database_.UseTextKeyCodes(textKeyCodes_);
  }
  void UseTextKeyCodes(format::TextKeyCodes codes) override { textKeyCodes_ = std::move(codes); }
  void CloseDatabase() override {
    converter_.reset();
    recordset_.reset();
    tableDef_.reset();
    database_.Close();
  }
  std::vector<dao::LeftOutIndex> IndexesLeftOut() const override {
    return database_.IndexesLeftOut();
  }

  void CreateDatabaseProperty(const std::u16string& document,
                              const dao::Property& property) override {
    database_.CreateProperty(document, property);
  }

  void CreateTableDef(const std::u16string& name, long attributes) override {
    tableDef_.emplace(database_);
    tableDef_->Create(name, attributes);
  }
  void CreateField(const dao::FieldInfo& info) override { TableDef().CreateField(info); }
  void CreateIndex(const dao::IndexInfo& info) override { TableDef().CreateIndex(info); }
  void CreateTableProperty(const std::u16string& field, const dao::Property& property) override {
    TableDef().CreateProperty(field, property);
  }
  void AppendTableDef() override { TableDef().Append(); }
  void CloseTableDef() override {
    if (tableDef_) tableDef_->Close();
    tableDef_.reset();
  }

  void CreateRelation(const dao::RelationInfo& info) override { database_.CreateRelation(info); }

  std::string CreateQueryDef(const std::u16string& name, const std::u16string& sql,
                             const std::u16string& connect,
                             std::optional<std::vector<dao::SavedQueryRow>> storedRows) override {
    queryDef_.emplace(database_);
    queryDef_->Create(name, sql, connect, std::move(storedRows));
    return queryDef_->StoredRowsMismatch();
  }
  void AppendQueryDef() override { QueryDef().Append(); }
  void CloseQueryDef() override {
    if (queryDef_) queryDef_->Close();
    queryDef_.reset();
  }

  void OpenRecordset(const std::u16string& sql) override {
    converter_.reset();
    recordset_.emplace(database_);
    recordset_->Open(-1, sql, 0);
    converter_.emplace(recordset_->Converter());
  }
  void AddNew() override { Recordset().AddNew(); }
  void SetFieldValue(int field, std::u16string_view text) override {
    Recordset().SetFieldValue(field, text);
  }
  void SetFieldValue(int field, std::span<const uint8_t> bytes) override {
    Recordset().SetFieldValue(field, bytes);
  }
  void ConvertValue(int field, std::u16string_view text, ConvertedValue& value) const override {
    value.failure.clear();
    try {
      if (!converter_) throw dao::DaoException("The recordset is not open.");
      value.isNull = !converter_->Convert(field, text, value.bytes);
    } catch (const dao::DaoException& error) {
      value.failure = error.what();
    }
  }
  void SetFieldValue(int field, ConvertedValue& value) override {
    if (!value.failure.empty()) throw dao::DaoException(value.failure);
    Recordset().SetConvertedValue(field, value.bytes, value.isNull);
  }
  void Update() override { Recordset().Update(); }
  void CloseRecordset() override {
    if (recordset_) recordset_->Close();
    recordset_.reset();
    converter_.reset();
  }

 private:
  dao::TableDef& TableDef() {
    if (!tableDef_) throw dao::DaoException("No table definition has been created.");
    return *tableDef_;
  }
  dao::QueryDef& QueryDef() {
    if (!queryDef_) throw dao::DaoException("No query definition has been created.");
    return *queryDef_;
  }
  dao::Recordset& Recordset() {
    if (!recordset_) throw dao::DaoException("The recordset is not open.");
    return *recordset_;
  }

  dao::Database database_;
  format::TextKeyCodes textKeyCodes_;
  std::optional<dao::TableDef> tableDef_;
  std::optional<dao::QueryDef> queryDef_;
  std::optional<dao::Recordset> recordset_;
  std::optional<dao::FieldConverter> converter_;  // of the open recordset
};

}  // namespace

std::unique_ptr<CDatabaseEngine> MakeDaoEngine() { return std::make_unique<CDaoEngine>(); }

}  // namespace tarvex::writer
