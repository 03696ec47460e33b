#include "dao/index_checks.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "format/index_page.h"
#include "format/jet_layout.h"

namespace tarvex::dao {

std::vector<KeyColumn> KeyColumnsOf(const TableDefinition& definition,
                                    const RealIndexDefinition& real) {
  std::vector<KeyColumn> columns;
  for (const auto& key : real.keys) {
    const auto column =
        std::find_if(definition.columns.begin(), definition.columns.end(),
                     [&](const ColumnDefinition& c) { return c.number == key.columnNumber; });
    if (column == definition.columns.end()) throw DaoException("An index names a missing column.");
    columns.push_back(
        {static_cast<size_t>(column - definition.columns.begin()), column->type, key.ascending});
  }
  return columns;
}

namespace {

// The most bytes a key of `columns` can take: a text character at most eight
// (inline, accent and unprintable codes), binary data nine for every eight.
// A Jet 4 text length counts two bytes per character, a Jet 3 one at least one.
size_t LongestKey(const TableDefinition& definition, std::span<const KeyColumn> columns,
                  const format::JetLayout& layout) {
  const size_t bytesPerCharacter = layout.version == format::JetVersion::kJet3 ? 1 : 2;
  size_t longest = 0;
  for (const KeyColumn& c : columns) {
    const size_t length = definition.columns[c.index].length;
    switch (static_cast<FieldType>(c.type)) {
      case FieldType::kText:
        longest += 2 + 8 * (length / bytesPerCharacter) + 5;
        break;
      case FieldType::kBinary:
      case FieldType::kGuid:
        longest += 1 + (length / 8 + 1) * 9;
        break;
      default:
        longest += 1 + std::max<size_t>(length, 1);
    }
  }
  return longest;
}

}  // namespace

std::optional<std::span<const uint8_t>> KeyValue(const RowView& row, const KeyColumn& column) {
  if (column.type != static_cast<uint8_t>(FieldType::kBoolean)) return row.Value(column.index);
  return row.BooleanValue(column.index) ? std::optional(std::span<const uint8_t>()) : std::nullopt;
}

bool IndexChecks::KeySet::Contains(const std::string& key) const {
  // A key in the hash set was below the list's last key when it came, and
  // that last key only grows: a key above it is in neither.
  if (!ascending_.empty() && key > ascending_.back()) return false;
  return std::binary_search(ascending_.begin(), ascending_.end(), key) || others_.contains(key);
}

void IndexChecks::KeySet::Insert(std::string key) {
  if (ascending_.empty() || key > ascending_.back())
    ascending_.push_back(std::move(key));
  else
    others_.insert(std::move(key));
}

IndexChecks::IndexChecks(const TableDefinition& definition, const format::JetLayout& layout,
                         const KeyText& text)
    : definition_(definition),
      layout_(layout),
      text_(text),
      unique_(definition.realIndexes.size()) {
  for (const auto& real : definition.realIndexes) {
    columns_.push_back(KeyColumnsOf(definition, real));
    checked_.push_back((real.flags & (format::kIndexUnique | format::kIndexRequired)) ||
                       LongestKey(definition, columns_.back(), layout_) >
                           format::MaxIndexKeyLength(layout_));
  }
}

void IndexChecks::Remember(const RowView& row) {
  std::vector<uint8_t> key;
  for (size_t r = 0; r < columns_.size(); ++r) {
    if (!(definition_.realIndexes[r].flags & format::kIndexUnique)) continue;
    key.clear();
    const KeyNulls nulls =
        AppendRowKey(key, columns_[r], text_, [&](const KeyColumn& c) { return KeyValue(row, c); });
    if (!nulls.all) unique_[r].Insert(std::string(key.begin(), key.end()));
  }
}

std::vector<std::string> IndexChecks::Check(std::span<const StoredValue> values) const {
  std::vector<std::string> keys(columns_.size());
  std::vector<uint8_t> key;
  for (size_t r = 0; r < columns_.size(); ++r) {
    const uint8_t flags = definition_.realIndexes[r].flags;
    if (!checked_[r]) continue;
    key.clear();
    const KeyNulls nulls =
        AppendRowKey(key, columns_[r], text_,
                     [&](const KeyColumn& c) -> std::optional<std::span<const uint8_t>> {
                       if (!values[c.index]) return std::nullopt;
                       return std::span<const uint8_t>(*values[c.index]);
                     });
    // Access's own words for the records it refuses.
    if ((flags & format::kIndexRequired) && nulls.any)
      throw DaoException("Index or primary key cannot contain a Null value.");
    if (key.size() > format::MaxIndexKeyLength(layout_))
      throw DaoException("The record's key is too long for an index.");
    if (!(flags & format::kIndexUnique) || nulls.all) continue;
    std::string text(key.begin(), key.end());
    if (unique_[r].Contains(text))
      throw DaoException(
          "The changes you requested to the table were not successful because they would create "
          "duplicate values in the index, primary key, or relationship.");
    keys[r] = std::move(text);
  }
  return keys;
}

void IndexChecks::Claim(std::vector<std::string> keys) {
  for (size_t r = 0; r < keys.size() && r < unique_.size(); ++r)
    if (!keys[r].empty()) unique_[r].Insert(std::move(keys[r]));
}

}  // namespace tarvex::dao
