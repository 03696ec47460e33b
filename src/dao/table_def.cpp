#include "dao/table_def.h"

#include <algorithm>

#include "dao/database_file.h"
#include "dao/field_type.h"
#include "dao/index_key.h"
#include "format/jet_layout.h"
#include "format/unicode.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

constexpr size_t kMaxFields = 255;
constexpr long kDefaultTextSize = 50;
const std::u16string kGenGuid = u"GenGUID()";

Property TextProperty(const char16_t* name, FieldType type, const std::u16string& value) {
  return {name, static_cast<int>(type), true, {}, value};
}

Property YesProperty(const char16_t* name) {
  return {name, static_cast<int>(FieldType::kBoolean), true, {0xFF}, {}};
}

bool IsPunctuationRefused(char16_t c) {
  return c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']';
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Whether name[i] is half of a surrogate pair whose other half is missing.
bool IsUnpairedSurrogate(std::u16string_view name, size_t i) {
  if (IsHighSurrogate(name[i])) return i + 1 >= name.size() || !IsLowSurrogate(name[i + 1]);
  if (IsLowSurrogate(name[i])) return i == 0 || !IsHighSurrogate(name[i - 1]);
  return false;
}

}  // namespace

bool SameNameNoCase(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

void CheckObjectName(const std::u16string& name, const char* what) {
  std::string label = std::string(what) + " name '" + format::ToUtf8(name) + "'";
  if (name.empty()) throw DaoException(std::string(what) + " name is empty.");
  if (name.size() > format::kMaxNameCharacters)
    throw DaoException(label + " is longer than 64 characters.");
  if (name.front() == u' ') throw DaoException(label + " begins with a blank.");
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] < 0x20) throw DaoException(label + " contains a control character.");
    if (IsPunctuationRefused(name[i])) throw DaoException(label + " contains one of . ! ` [ ].");
    if (IsUnpairedSurrogate(name, i)) throw DaoException(label + " is not valid text.");
  }
}

std::u16string AcceptableObjectName(std::u16string_view name) {
  while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
  std::u16string out(name.substr(0, format::kMaxNameCharacters));
  if (out.size() < name.size() && IsHighSurrogate(out.back())) out.pop_back();
  const std::u16string original = out;
  for (size_t i = 0; i < out.size(); ++i)
    if (out[i] < 0x20 || IsPunctuationRefused(out[i]) || IsUnpairedSurrogate(original, i))
      out[i] = u'_';
  return out;
}

TableDef::TableDef(Database& database) : database_(database) {}

void TableDef::RequireCreated() const {
  if (!created_) throw DaoException("The table definition has not been created.");
  if (appended_) throw DaoException("The table definition has already been appended.");
}

void TableDef::Create(const std::u16string& name, long attributes) {
  (void)attributes;  // exclusive attachment has no meaning for a local table
  CheckObjectName(name, "Table");
  NameForDefinition(name, database_.file().textFormat());  // throws for a name the code page lacks
  if (database_.file().NameInUse(name))
    throw DaoException("Table '" + format::ToUtf8(name) + "' already exists.");
  name_ = name;
  definition_ = {};
  definition_.tableType = format::kUserTableType;
  properties_.assign(1, {});
  created_ = true;
  appended_ = false;
}

void TableDef::CreateField(const std::u16string& name, int type, long size, long attributes) {
  FieldInfo info;
  info.name = name;
  info.type = type;
  info.size = size;
  info.attributes = attributes;
  CreateField(info);
}

void TableDef::CreateField(const FieldInfo& info) {
  RequireCreated();
  CheckObjectName(info.name, "Field");
  for (const auto& c : definition_.columns)
    if (SameNameNoCase(c.name, info.name))
      throw DaoException("Field '" + format::ToUtf8(info.name) + "' already exists.");
  if (definition_.columns.size() >= kMaxFields)
    throw DaoException("A table holds at most 255 fields.");
  auto traits = TraitsOf(info.type);
  if (!traits) throw DaoException("Unknown field type " + std::to_string(info.type) + ".");
  const TextFormat& text = database_.file().textFormat();
  const bool jet3 = text.version == format::JetVersion::kJet3;
  if (jet3 && traits->type == FieldType::kDecimal)
    throw DaoException("Field '" + format::ToUtf8(info.name) +
                       "': Access 97 databases have no decimal fields.");
  NameForDefinition(info.name, text);  // throws for a name the code page cannot hold
  ColumnDefinition c;
  c.name = info.name;
  c.type = static_cast<uint8_t>(info.type);
  c.flags = format::kColumnUpdatable | (traits->fixed ? format::kColumnFixed : 0);
  if (traits->text && !jet3) c.extraFlags = format::kColumnCompressedText;
  bool autoIncrement = (info.attributes & kDbAutoIncrField) != 0;
  if (autoIncrement && traits->type != FieldType::kLong)
    throw DaoException("Only Long fields can be auto-increment fields.");
  if (autoIncrement) c.flags |= format::kColumnAutoNumber;
  if (traits->type == FieldType::kGuid && info.defaultValue == kGenGuid)
    c.flags |= format::kColumnAutoGuid;
  if (traits->type == FieldType::kText || traits->type == FieldType::kBinary) {
    long characters = info.size == 0 ? kDefaultTextSize : info.size;
    if (characters < 1 || characters > static_cast<long>(format::kMaxTextCharacters))
      throw DaoException("Field '" + format::ToUtf8(info.name) + "' has an invalid size " +
                         std::to_string(info.size) + ".");
    // Jet 4 text takes two bytes per character; Jet 3 text lengths count code-page bytes.
    c.length = static_cast<uint16_t>(traits->type == FieldType::kText && !jet3 ? characters * 2
                                                                               : characters);
  } else {
    c.length = traits->type == FieldType::kBoolean ? 1 : traits->fixedSize;
  }
  if (traits->type == FieldType::kDecimal)
    c.extra = DecimalColumnExtra(info.name, info.precision, info.scale);
  definition_.columns.push_back(std::move(c));

  std::vector<Property> properties;
  if (!info.defaultValue.empty())
    properties.push_back(TextProperty(u"DefaultValue", FieldType::kMemo, info.defaultValue));
  if (info.required) properties.push_back(YesProperty(u"Required"));
  if (info.allowZeroLength) properties.push_back(YesProperty(u"AllowZeroLength"));
  if (!info.validationRule.empty())
    properties.push_back(TextProperty(u"ValidationRule", FieldType::kText, info.validationRule));
  if (!info.validationText.empty())
    properties.push_back(TextProperty(u"ValidationText", FieldType::kText, info.validationText));
  for (const auto& property : properties) CreateProperty(info.name, property);
}

void TableDef::CreateProperty(const std::u16string& field, const Property& property) {
  RequireCreated();
  auto stored = StoreProperty(property, database_.file().textFormat());
  if (field.empty()) return SetProperty(properties_.front(), std::move(stored));
  const auto column =
      std::find_if(definition_.columns.begin(), definition_.columns.end(),
                   [&](const ColumnDefinition& c) { return SameNameNoCase(c.name, field); });
  if (column == definition_.columns.end())
    throw DaoException("The table has no field '" + format::ToUtf8(field) + "'.");
  // Text is compressed only where the field allows it, as Access does.
  if (SameNameNoCase(property.name, u"UnicodeCompression") &&
      (column->extraFlags & format::kColumnCompressedText) != 0 && !stored.data.empty() &&
      stored.data[0] == 0)
    column->extraFlags &= static_cast<uint8_t>(~format::kColumnCompressedText);
  auto object = std::find_if(properties_.begin() + 1, properties_.end(),
                             [&](const auto& o) { return SameNameNoCase(o.name, column->name); });
  if (object == properties_.end()) {
    properties_.push_back({true, column->name, {}});
    object = properties_.end() - 1;
  }
  SetProperty(*object, std::move(stored));
}

void TableDef::CreateIndex(const IndexInfo& info) {
  RequireCreated();
  CheckObjectName(info.name, "Index");
  NameForDefinition(info.name, database_.file().textFormat());
  const std::string label = "Index '" + format::ToUtf8(info.name) + "'";
  for (const auto& logical : definition_.logicalIndexes) {
    if (SameNameNoCase(logical.name, info.name)) throw DaoException(label + " already exists.");
    if (info.primary && logical.indexType == format::kLogicalIndexPrimaryKey)
      throw DaoException("The table already has a primary key.");
  }
  if (definition_.realIndexes.size() >= format::kMaxIndexes)
    throw DaoException("A table holds at most 32 indexes.");
  if (info.fields.empty()) throw DaoException(label + " has no fields.");
  if (info.fields.size() > format::kIndexKeySlots)
    throw DaoException(label + " has more than 10 fields.");
  RealIndexDefinition real;
  for (const auto& field : info.fields) {
    const auto column =
        std::find_if(definition_.columns.begin(), definition_.columns.end(),
                     [&](const ColumnDefinition& c) { return SameNameNoCase(c.name, field.name); });
    if (column == definition_.columns.end())
      throw DaoException(label + " names no field of the table ('" + format::ToUtf8(field.name) +
                         "').");
    if (!IsIndexableType(column->type))
      throw DaoException(label + ": field '" + format::ToUtf8(column->name) +
                         "' cannot be indexed (memo, OLE and multi-valued fields cannot).");
    // Fields are numbered in creation order when the table is appended.
    const auto number = static_cast<uint16_t>(column - definition_.columns.begin());
    if (std::any_of(real.keys.begin(), real.keys.end(),
                    [&](const IndexKeyColumn& key) { return key.columnNumber == number; }))
      throw DaoException(label + " names field '" + format::ToUtf8(column->name) + "' twice.");
    real.keys.push_back({number, !field.descending});
  }
  // A primary key is unique and has no nulls; Jet 4 sets the top bit on every index.
  real.flags = format::kIndexAlwaysSet;
  if (info.unique || info.primary) real.flags |= format::kIndexUnique;
  if (info.ignoreNulls) real.flags |= format::kIndexIgnoreNulls;
  if (info.required || info.primary) real.flags |= format::kIndexRequired;
  const auto number = static_cast<uint32_t>(definition_.realIndexes.size());
  definition_.realIndexes.push_back(std::move(real));
  // Each index has a tree of its own, numbered as its real index, as mdbtools pairs them.
  definition_.logicalIndexes.push_back(
      {info.name,
       number,
       number,
       static_cast<uint8_t>(info.primary ? format::kLogicalIndexPrimaryKey : 0),
       {},
       {}});
}

void TableDef::Append() {
  RequireCreated();
  if (definition_.columns.empty())
    throw DaoException("Table '" + format::ToUtf8(name_) + "' has no fields.");
  if (database_.file().NameInUse(name_))
    throw DaoException("Table '" + format::ToUtf8(name_) + "' already exists.");
  const TextFormat& text = database_.file().textFormat();
  AssignColumnLayout(definition_, true, text);
  for (const auto& c : definition_.columns)
    if (c.IsLongValue()) definition_.longValueMaps.push_back({c.number, {}, {}});
  database_.file().AddTable(name_, definition_, EncodeProperties(properties_, text));
  appended_ = true;
}

void TableDef::Close() {
  created_ = false;
  definition_ = {};
  properties_.clear();
}

}  // namespace tarvex::dao
