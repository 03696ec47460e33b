#pragma once
// Rebuilds relationships from the recovered rows of MSysRelationships: one row
// per field pair, the rows of one relationship next to each other, each row
// carrying the relationship's field count.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dao/database.h"
#include "writer/save_report.h"

namespace tarvex::writer {

// Where each value stands in a row, by the source's format.
struct RelationshipPositions {
  int count;
  int attributes;
  int referencingField;
  int referencingTable;
  int referencedField;
  int referencedTable;
  int name;
  // Where the source's format puts each value.
  static RelationshipPositions For(bool jet4);
  // Where the columns of these names stand, when the table has them all
  // (Access's Jet 4 files number their columns otherwise than the format's
  // positions say); else where the format puts them.
  static RelationshipPositions Of(std::span<const std::u16string> columnNames, bool jet4);
};

class CRelationshipAssembler {
 public:
  explicit CRelationshipAssembler(RelationshipPositions positions) : positions_(positions) {}

  // Takes one row's values in position order (fewer when the row was cut
  // short; empty texts carry nothing). Returns the relationship this row
  // completes. A relationship that cannot be completed (a field count below
  // 1, fewer rows than its count) is added to `dropped`, and the rows that
  // follow it are still read.
  std::optional<dao::RelationInfo> AddRow(std::span<const std::u16string> values,
                                          std::vector<SkippedItem>& dropped);
  // After the last row: a relationship still short of rows is dropped.
  void Finish(std::vector<SkippedItem>& dropped);

 private:
  void Drop(const std::string& reason, std::vector<SkippedItem>& dropped);

  RelationshipPositions positions_;
  dao::RelationInfo current_;
  int count_ = 0;  // field pairs of the current relationship
  int rows_ = 0;   // its rows seen so far
};

}  // namespace tarvex::writer
