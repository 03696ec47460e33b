#pragma once
// One table's storage while a database is open: its definition pages, the
// data page being filled, its usage maps and long-value columns. Rows are
// appended; BuildIndexes and WriteBack write everything that changed (pages,
// rebuilt indexes, maps, definition) back to the file.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "dao/index_builder.h"
#include "dao/index_checks.h"
#include "dao/long_value_store.h"
#include "dao/page_file.h"
#include "dao/row_codec.h"
#include "dao/table_definition.h"
#include "dao/usage_map.h"
#include "format/data_page.h"
#include "format/jet_layout.h"

namespace tarvex::dao {

class TableStore {
 public:
  // A table whose definition is at `definitionPage` (continuations followed).
  static std::unique_ptr<TableStore> Load(PageFile& file, uint32_t definitionPage);
  // A new table; its definition (maps already placed) is written by WriteBack.
  TableStore(PageFile& file, uint32_t definitionPage, TableDefinition definition);

  uint32_t definitionPage() const { return definitionPages_.front(); }
  const format::JetLayout& layout() const { return file_.layout(); }
  // Codes for text beyond Latin-1 in this table's keys; `codes` outlives the store.
  void UseTextKeys(const format::TextKeyCodes* codes) { textKeys_ = codes; }
  const TableDefinition& definition() const { return definition_; }
  TableDefinition& mutableDefinition() {
    dirty_ = true;
    return definition_;
  }

  // Throws DaoException when the row cannot fit on a page.
  format::RowPointer AppendRow(std::span<const StoredValue> values);
  // Stores long-value data for column `columnIndex`; returns the column's bytes.
  std::vector<uint8_t> StoreLongValue(size_t columnIndex, std::span<const uint8_t> data,
                                      bool inlineAllowed);
  // Calls `visit` for every live row (moved rows followed, deleted rows skipped).
  void ForEachRow(const std::function<void(format::RowPointer, const RowView&)>& visit);
  // Replaces, in every live row for which `rewrite` returns bytes, the value
  // of fixed-length column `columnIndex` with them (as long as the old value:
  // rows keep their places, so no index changes).
  void RewriteFixedValues(
      size_t columnIndex,
      const std::function<std::optional<std::vector<uint8_t>>(const RowView&)>& rewrite);
  // True when every index of the table can be rebuilt here (no key on a
  // memo or long binary column), so rows may be added.
  bool IndexesRebuildable() const;
  // The entries of real index `realIndex` for every live row, unsorted;
  // `exact` (when given) is cleared when a key is not the one Access makes.
  IndexEntries CollectIndexEntries(const RealIndexDefinition& realIndex, bool* exact = nullptr);
  // Throws DaoException when a record of `values` would break an index of
  // the table, as Access refuses it; otherwise returns the keys to hand to
  // ClaimKeys once the row is stored.
  std::vector<std::string> CheckKeys(std::span<const StoredValue> values);
  void ClaimKeys(std::vector<std::string> keys) { checks_->Claim(std::move(keys)); }
  // Writes the rows and long values added, and rebuilds the indexes when the
  // table changed. Returns the real indexes it left unbuilt because Access
  // would key their text otherwise than this engine can (never a system
  // table's): the caller removes them with RemoveIndexes. Pages freed go to
  // `freedPages`.
  std::vector<uint32_t> BuildIndexes(std::vector<uint32_t>& freedPages);
  // Removes the logical indexes numbered `numbers` and frees the trees of the
  // real indexes only they used; returns the logical indexes removed.
  std::vector<LogicalIndexDefinition> RemoveIndexes(const std::set<uint32_t>& numbers,
                                                    std::vector<uint32_t>& freedPages);
  // Follows the removal of the logical indexes `removed` from the table at
  // `page` in this table's foreign-key links to it.
  void FollowRemoval(uint32_t page, const std::set<uint32_t>& removed);
  // Writes the maps and the definition when the table changed.
  void WriteBack();

 private:
  TableStore(PageFile& file, std::vector<uint32_t> definitionPages, TableDefinition definition);
  void LoadMapsOnce();
  void StartAppendPage();
  LongValueStore& LongValues(uint16_t columnNumber);
  // The row a moved-row pointer leads to, read into `page`; nothing when it leads nowhere.
  std::optional<std::span<const uint8_t>> MovedRow(std::span<const uint8_t> pointer,
                                                   std::vector<uint8_t>& page) const;
  // Calls `visit` for every live row with the page buffer holding it and that buffer's page number.
  void VisitRows(
      const std::function<void(format::RowPointer, const RowView&, std::vector<uint8_t>& buffer,
                               uint32_t bufferPage)>& visit);
  std::vector<uint32_t> RebuildIndexes(std::vector<uint32_t>& freedPages);
  // The pages of `real`'s tree: those of its usage map that are index pages of this table.
  PageSet TreePages(const RealIndexDefinition& real) const;
  // Zeroes and frees the pages of `real`'s tree.
  void FreeTree(const RealIndexDefinition& real, std::vector<uint32_t>& freedPages);
  void WriteMaps();
  void WriteDefinition();

  PageFile& file_;
  const format::TextKeyCodes* textKeys_ = nullptr;
  std::vector<uint32_t> definitionPages_;
  TableDefinition definition_;
  bool dirty_ = false;
  bool mapsLoaded_ = false;
  PageSet owned_;
  PageSet free_;
  std::optional<format::DataPageBuilder> appendPage_;
  uint32_t appendPageNumber_ = 0;
  std::map<uint16_t, std::unique_ptr<LongValueStore>> longValues_;
  std::optional<IndexChecks> checks_;  // made when the first record is checked
  // The columns of a stored table never change, so its rows keep one layout.
  format::RowEncoder encoder_{file_.layout(), RowColumns(definition_), definition_.maxColumns,
                              definition_.FixedAreaLength(), definition_.VariableColumnCount()};
};

// Reads or rewrites one usage-map row in place.
std::vector<uint8_t> ReadMapRow(const PageFile& file, format::RowPointer at);
void UpdateMapRow(PageFile& file, format::RowPointer at,
                  const std::function<void(std::span<uint8_t>)>& update);

}  // namespace tarvex::dao
