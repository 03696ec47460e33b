#pragma once
// The row step's reading half: a table's rows, read from its table data file
// a batch at a time, each value already converted for its field, so that the
// storing half only hands the engine what it needs.
#include <cstdint>
#include <string>
#include <vector>

#include "format/jet_layout.h"
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

// Batches are filled and read on different threads at once, each on cache lines of its own.
struct alignas(64) RowBatch {
  std::vector<PendingValue>
      values;  // the first valueCount are this batch's; the rest keep their room
  size_t valueCount = 0;
  std::vector<PendingRow> rows;
  size_t textUnits = 0;         // the code units of this batch's texts
  std::u16string preparedText;  // a value text the rules changed, kept for its room
};

// The bytes a Binary or OLE value text of a source in `version` stands for (an OLE object's text
// is the path of the file that holds its bytes); false, with the reason in `failure`, when they
// cannot be read.
bool ReadValueBytes(format::JetVersion version, int columnType, const std::u16string& text,
                    std::vector<uint8_t>& bytes, std::string& failure);

// Reads the rows of one table data file into batches, in order.
class CRowReader {
 public:
  CRowReader(model::CDataFileReader& file, int columnCount)
      : file_(file), columnCount_(columnCount) {}

  // Fills `batch` with the texts of the next rows; false when no row is left.
  // Every row becomes a record of its own, even one whose values are all empty.
  bool Read(RowBatch& batch);

 private:
  model::CDataFileReader& file_;
  const int columnCount_;
  bool atEnd_ = false;
};

// Tells, for each value of a batch, what the engine is to be given, its
// conversion done. Batches may be prepared on several threads at once.
class CRowPreparer {
 public:
  // `fieldOfColumn` and `fieldType` give, per column position, the field the
  // structure step made (-1: none) and its type.
  CRowPreparer(format::JetVersion version, const model::CAccessTable& table,
               const std::vector<int>& fieldOfColumn, const std::vector<int>& fieldType,
               const CDatabaseEngine& engine);

  void Prepare(RowBatch& batch) const;

 private:
  void Prepare(PendingValue& value, std::u16string& preparedText) const;

  format::JetVersion version_;   // of the source
  std::vector<int> columnType_;  // per column position
  const std::vector<int>& fieldOfColumn_;
  const std::vector<int>& fieldType_;
  const CDatabaseEngine& engine_;
};

}  // namespace tarvex::writer
