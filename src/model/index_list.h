#pragma once
// The real indexes of one recovered table.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvex::model {

inline constexpr int kMaxIndexColumns = 10;

struct CAccessIndexColumnInfo {
  int columnNumber = -1;  // -1 in an empty slot; refers to CAccessColInfo::columnNumber
  bool ascending = true;
};

struct CAccessTableIndex {
  bool ignoreNulls = false;
  bool required = false;
  int columnCount = 0;  // used slots of `columns`, 0 to kMaxIndexColumns
  std::array<CAccessIndexColumnInfo, kMaxIndexColumns> columns{};
  bool foreign = false;
  bool unique = false;
  bool primaryKey = false;
  // Only the referencing side of relationships used it: written with them, it is theirs.
  bool relationshipsOnly = false;
  std::u16string name;
};

class CAccessTableIndexList {
 public:
  // Copies the index and names it "Index_N", N the number of indexes already held.
  void Add(const CAccessTableIndex& index);
  // The index at `position` becomes the primary key, named "Primary Key"; beyond the end: nothing.
  void MarkPrimaryKey(int position, bool value = true);
  int count() const { return static_cast<int>(indexes_.size()); }
  const CAccessTableIndex* At(int position) const;

  auto begin() const { return indexes_.begin(); }
  auto end() const { return indexes_.end(); }

 private:
  std::vector<CAccessTableIndex> indexes_;
};

}  // namespace tarvex::model
