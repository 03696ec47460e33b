#include "dao/recordset.h"

#include <algorithm>
#include <random>

#include "dao/database_file.h"
#include "dao/field_type.h"
#include "dao/table_store.h"
#include "dao/value_conversion.h"
#include "format/data_page.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/long_value.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

// Throws unless `index` names one of `count` fields.
void RequireItem(int index, size_t count) {
  if (index < 0 || static_cast<size_t>(index) >= count)
    throw DaoException("Item " + std::to_string(index) + " not found in this collection.");
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

// The table name of "SELECT * FROM [name]" (brackets optional, ';' allowed).
std::u16string TableOfQuery(std::u16string_view sql) {
  auto trim = [](std::u16string_view s) {
    while (!s.empty() &&
           (s.front() == u' ' || s.front() == u'\t' || s.front() == u'\r' || s.front() == u'\n'))
      s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r' ||
                          s.back() == u'\n' || s.back() == u';'))
      s.remove_suffix(1);
    return s;
  };
  std::u16string_view rest = trim(sql);
  for (std::u16string_view word : {u"SELECT", u"*", u"FROM"}) {
    if (!StartsWithNoCase(rest, word))
      throw DaoException("Only \"SELECT * FROM [table]\" can be opened.");
    rest = trim(rest.substr(word.size()));
  }
  bool bracketed = rest.size() >= 2 && rest.front() == u'[' && rest.back() == u']';
  if (bracketed) rest = rest.substr(1, rest.size() - 2);
  std::u16string_view refused = bracketed ? u"[]" : u"[] \t";
  if (rest.empty() || rest.find_first_of(refused) != std::u16string_view::npos)
    throw DaoException("Only \"SELECT * FROM [table]\" can be opened.");
  return std::u16string(rest);
}

std::vector<uint8_t> RandomGuid() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  std::vector<uint8_t> bytes(16);
  format::PutU64(bytes, 0, generator());
  format::PutU64(bytes, 8, generator());
  bytes[7] = static_cast<uint8_t>((bytes[7] & 0x0F) | 0x40);  // version 4 (Data3 is little-endian)
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  return bytes;
}

}  // namespace

Recordset::Recordset(Database& database) : database_(database) {}

void Recordset::Open(int type, const std::u16string& sql, int options) {
  (void)type;  // every kind of recordset this engine opens is an appendable table
  (void)options;
  if (IsOpen()) throw DaoException("The recordset is already open.");
  auto name = TableOfQuery(sql);
  DatabaseFile& file = database_.file();
  auto page = file.FindTable(name);
  if (!page) throw DaoException("Could not find table '" + format::ToUtf8(name) + "'.");
  table_ = &file.Table(*page);
  session_ = database_.session();
  editing_ = false;
  // A table's columns and indexes do not change while rows are added: asked
  // once, not per row.
  indexesRebuildable_ = table_->IndexesRebuildable();
  const auto& columns = table_->definition().columns;
  hasLongValues_ = std::any_of(columns.begin(), columns.end(),
                               [](const ColumnDefinition& c) { return c.IsLongValue(); });
  hasAutomaticValues_ = std::any_of(columns.begin(), columns.end(), [](const ColumnDefinition& c) {
    return (c.flags & (format::kColumnAutoNumber | format::kColumnAutoGuid)) != 0;
  });
}

void Recordset::RequireOpen() const {
  if (!IsOpen()) throw DaoException("The recordset is not open.");
}

void Recordset::RequireEditing(int index) const {
  RequireOpen();
  if (!editing_) throw DaoException("Update or CancelUpdate without AddNew or Edit.");
  RequireItem(index, values_.size());
}

void Recordset::AddNew() {
  RequireOpen();
  if (database_.file().readOnly()) throw DaoException("The database is opened read-only.");
  if (table_->definition().tableType == format::kSystemTableType)
    throw DaoException("System tables cannot be changed through a recordset.");
  if (!indexesRebuildable_)
    throw DaoException("Adding rows to a table indexed on a memo or OLE field is not supported.");
  size_t columns = table_->definition().columns.size();
  // The last record's value bytes become the buffers of this one's, so that
  // converting a value costs no allocation.
  buffers_.resize(columns);
  for (size_t i = 0; i < std::min(values_.size(), columns); ++i)
    if (values_[i]) buffers_[i] = std::move(*values_[i]);
  values_.assign(columns, std::nullopt);
  assigned_.assign(columns, false);
  editing_ = true;
}

void Recordset::SetFieldValue(int index, std::u16string_view text) {
  RequireEditing(index);
  const auto i = static_cast<size_t>(index);
  const auto& column = table_->definition().columns[i];
  std::vector<uint8_t>& buffer = buffers_[i];
  // Converted first: a value that throws leaves the field as it was.
  if (ConvertTextInto(column, text, database_.file().textFormat(), buffer))
    values_[i] = std::move(buffer);
  else
    values_[i].reset();
  assigned_[i] = true;
}

bool FieldConverter::Convert(int index, std::u16string_view text,
                             std::vector<uint8_t>& bytes) const {
  RequireItem(index, columns_.size());
  return ConvertTextInto(columns_[static_cast<size_t>(index)], text, format_, bytes);
}

FieldConverter Recordset::Converter() const {
  RequireOpen();
  return FieldConverter(table_->definition().columns, database_.file().textFormat());
}

void Recordset::SetConvertedValue(int index, std::vector<uint8_t>& stored, bool isNull) {
  RequireEditing(index);
  const auto i = static_cast<size_t>(index);
  if (isNull) {
    values_[i].reset();
  } else {
    std::swap(buffers_[i], stored);
    values_[i] = std::move(buffers_[i]);
  }
  assigned_[i] = true;
}

void Recordset::SetFieldValue(int index, std::span<const uint8_t> bytes) {
  RequireEditing(index);
  const auto& column = table_->definition().columns[static_cast<size_t>(index)];
  values_[static_cast<size_t>(index)] = ConvertBytes(column, bytes);
  assigned_[static_cast<size_t>(index)] = true;
}

void Recordset::FillAutomaticValues() {
  TableDefinition& definition = table_->mutableDefinition();
  for (size_t i = 0; i < definition.columns.size(); ++i) {
    const auto& c = definition.columns[i];
    if ((c.flags & format::kColumnAutoNumber) && c.type == static_cast<uint8_t>(FieldType::kLong)) {
      if (!assigned_[i] || !values_[i]) {
        uint32_t next = ++definition.autoNumber;
        std::vector<uint8_t> bytes(4);
        format::PutU32(bytes, 0, next);
        values_[i] = bytes;
      } else {
        auto given = static_cast<int32_t>(*format::CDataReader::U32(*values_[i], 0));
        if (given > static_cast<int32_t>(definition.autoNumber))
          definition.autoNumber = static_cast<uint32_t>(given);
      }
    }
    if ((c.flags & format::kColumnAutoGuid) && !assigned_[i]) values_[i] = RandomGuid();
  }
}

bool Recordset::LongValuesFitInRow() const {
  // Estimate the row with short long values in it; when that would not fit
  // a page, every long value goes out of the row instead.
  const auto& columns = table_->definition().columns;
  size_t length = format::kMaxRowsPerPage;  // generous room for offsets and the null mask
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!values_[i]) continue;
    size_t size = values_[i]->size();
    length += columns[i].IsLongValue()
                  ? format::kLongValueHeaderSize + (size <= format::kLongValueInlineMax ? size : 0)
                  : size;
  }
  return length <= table_->layout().rowMaxLength;
}

void Recordset::Update() {
  RequireOpen();
  if (!editing_) throw DaoException("Update or CancelUpdate without AddNew or Edit.");
  if (hasAutomaticValues_) FillAutomaticValues();
  // The record is used up whether or not it can be stored; a new one needs AddNew.
  editing_ = false;
  // Checked before any long value is stored, so that a refused record leaves nothing behind.
  auto keys = table_->CheckKeys(values_);
  if (hasLongValues_) {
    const auto& columns = table_->definition().columns;
    const bool inlineAllowed = LongValuesFitInRow();
    for (size_t i = 0; i < columns.size(); ++i)
      if (columns[i].IsLongValue() && values_[i])
        values_[i] = table_->StoreLongValue(i, *values_[i], inlineAllowed);
  }
  table_->AppendRow(values_);
  table_->ClaimKeys(std::move(keys));
}

void Recordset::Close() {
  table_ = nullptr;
  editing_ = false;
  values_.clear();
  buffers_.clear();
}

}  // namespace tarvex::dao
