#pragma once
// An engine that records the calls a save makes, as one text per call, and
// refuses the calls a test names. CreateDatabase makes an empty file, so that
// a save can put it in place as it would a real database.
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "format/unicode.h"
#include "writer/database_engine.h"

namespace tarvex::writer::test {

struct Recording {
  std::vector<std::string> calls;
  std::vector<std::string> refused;  // calls that start with one of these throw
  // Called with each SetFieldValue call; a test may stop the save from here.
  std::function<void(const std::string&)> onValue;

  // The recorded calls that start with `prefix`.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& call : calls)
      if (call.starts_with(prefix)) found.push_back(call);
    return found;
  }
};

class RecordingEngine final : public CDatabaseEngine {
 public:
  explicit RecordingEngine(std::shared_ptr<Recording> recording) : r_(std::move(recording)) {}

  void CreateDatabase(const std::filesystem::path& path, const std::string&, int options) override {
    Call("CreateDatabase " + std::to_string(options));
    std::ofstream(path).put('\0');
  }
  void OpenDatabase(const std::filesystem::path&) override { Call("OpenDatabase"); }
  void CloseDatabase() override { Call("CloseDatabase"); }
  void CreateDatabaseProperty(const std::u16string& document, const dao::Property& p) override {
    Call("CreateDatabaseProperty " + U8(document) + ":" + U8(p.name));
  }
  void CreateTableDef(const std::u16string& name, long attributes) override {
    Call("CreateTableDef " + U8(name) + " " + std::to_string(attributes));
  }
  void CreateField(const dao::FieldInfo& f) override {
    Call("CreateField " + U8(f.name) + " " + std::to_string(f.type) + " " + std::to_string(f.size) +
         " " + std::to_string(f.attributes) +
         (f.defaultValue.empty() ? "" : " " + U8(f.defaultValue)) +
         (f.type == 16 ? " " + std::to_string(f.precision) + "," + std::to_string(f.scale) : ""));
  }
  void CreateIndex(const dao::IndexInfo& info) override {
    std::string call = "CreateIndex " + U8(info.name);
    for (const auto& field : info.fields)
      call += " [" + U8(field.name) + (field.descending ? " desc]" : "]");
    Call(call + (info.primary ? " primary" : ""));
  }
  void CreateTableProperty(const std::u16string& field, const dao::Property& p) override {
    Call("CreateTableProperty " + U8(field) + ":" + U8(p.name));
  }
  void AppendTableDef() override { Call("AppendTableDef"); }
  void CloseTableDef() override { Call("CloseTableDef"); }
  void CreateRelation(const dao::RelationInfo& info) override {
    std::string call = "CreateRelation " + U8(info.name) + " " + U8(info.table) + "<-" +
                       U8(info.foreignTable) + " " + std::to_string(info.attributes);
    for (const auto& pair : info.fields) call += " " + U8(pair.name) + "=" + U8(pair.foreignName);
    Call(call);
  }
  std::string CreateQueryDef(const std::u16string& name, const std::u16string& sql,
                             const std::u16string& connect,
                             std::optional<std::vector<dao::SavedQueryRow>>) override {
    Call("CreateQueryDef " + U8(name) + (connect.empty() ? "" : " " + U8(connect)) + ": " +
         U8(sql));
    return {};
  }
  void AppendQueryDef() override { Call("AppendQueryDef"); }
  void CloseQueryDef() override { Call("CloseQueryDef"); }
  void OpenRecordset(const std::u16string& sql) override { Call("OpenRecordset " + U8(sql)); }
  void AddNew() override { Call("AddNew"); }
  void SetFieldValue(int field, std::u16string_view text) override {
    Value("SetFieldValue " + std::to_string(field) + " '" + U8(text) + "'");
  }
  void SetFieldValue(int field, std::span<const uint8_t> bytes) override {
    Value("SetFieldValue " + std::to_string(field) + " bytes " + std::to_string(bytes.size()));
  }
  // Keeps the text, as UTF-8, for SetFieldValue to record.
  void ConvertValue(int, std::u16string_view text, ConvertedValue& value) const override {
    const std::string utf8 = U8(text);
    value.bytes.assign(utf8.begin(), utf8.end());
  }
  void SetFieldValue(int field, ConvertedValue& value) override {
    SetFieldValue(field, format::FromUtf8(std::string(value.bytes.begin(), value.bytes.end())));
  }
  void Update() override { Call("Update"); }
  void CloseRecordset() override { Call("CloseRecordset"); }

 private:
  static std::string U8(std::u16string_view text) { return format::ToUtf8(text); }
  void Call(const std::string& call) {
    r_->calls.push_back(call);
    for (const auto& prefix : r_->refused)
      if (call.starts_with(prefix)) throw dao::DaoException("refused: " + call);
  }
  void Value(const std::string& call) {
    Call(call);
    if (r_->onValue) r_->onValue(call);
  }

  std::shared_ptr<Recording> r_;
};

}  // namespace tarvex::writer::test
