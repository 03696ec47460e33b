#pragma once
// The row step's reading half: a table's rows, read from its table data file
// a batch at a time, each value already converted for its field, so that the
// storing half only hands the engine what it needs.
#include <cstdint>
#include <string>
#include <vector>

#include "model/access_table.h"
#include "model/table_data_file.h"
#include "writer/database_engine.h"

namespace tarvex::writer {

// One recovered value of a row and what the engine is to be given for it.
struct PendingValue {
  enum class Action {
    kNone,       // no field takes it: only a refused row keeps it
    kConverted,  // `converted`, for the field
    kBytes,      // `bytes`, for a Binary or OLE field
    kRefused,    // nothing: the value cannot be stored, for `refusal`
  };
  int position = 0;  // of its column
  int field = -1;
  Action action = Action::kNone;
  std::u16string text;  // as recovered
  ConvertedValue converted;
  std::vector<uint8_t> bytes;
  std::string refusal;
};

struct PendingRow {
  size_t firstValue = 0;  // its values are values[firstValue, firstValue + valueCount)
  size_t valueCount = 0;
};

struct RowBatch {
  std::vector<PendingValue>
      values;  // the first valueCount are this batch's; the rest keep their room
  size_t valueCount = 0;
  std::vector<PendingRow> rows;
};

// The bytes a Binary or OLE value text stands for (an OLE object's text is the
// path of the file that holds its bytes); false, with the reason in
// `failure`, when they cannot be read.
bool ReadValueBytes(int columnType, const std::u16string& text, std::vector<uint8_t>& bytes,
                    std::string& failure);

class CRowPreparer {
 public:
  // `fieldOfColumn` and `fieldType` give, per column position, the field the
  // structure step made (-1: none) and its type.
  CRowPreparer(model::CDataFileReader& file, const model::CAccessTable& table,
               const std::vector<int>& fieldOfColumn, const std::vector<int>& fieldType,
               const CDatabaseEngine& engine);

  // Fills `batch` with the next rows; false when no row is left. Every row
  // becomes a record of its own, even one whose values are all empty.
  bool Fill(RowBatch& batch);

 private:
  PendingValue& NextSlot(RowBatch& batch);
  void Prepare(PendingValue& value);

  model::CDataFileReader& file_;
  const model::CAccessTable& table_;
  const std::vector<int>& fieldOfColumn_;
  const std::vector<int>& fieldType_;
  const CDatabaseEngine& engine_;
  const int columnCount_;
  bool atEnd_ = false;
  std::u16string preparedText_;  // a value text the rules changed, kept for its room
};

}  // namespace tarvex::writer
