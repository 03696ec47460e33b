#include "writer/row_batches.h"

#include "format/unicode.h"
#include "format/value_binary.h"
#include "format/value_types.h"
#include "model/ole_file_list.h"
#include "writer/field_plan.h"
#include "writer/value_rules.h"

namespace tarvex::writer {
namespace {

using format::ColumnType;
using format::TypeCode;

// A batch is this many rows, or ends sooner once its texts take this much room. Few enough
// rows that the batches on their way through the pipeline stay in the processor's caches.
constexpr size_t kBatchRows = 128;
constexpr size_t kBatchTextUnits = size_t{1} << 19;
// Room a slot keeps after a value larger than this is released, so that one
// huge memo does not keep its size for the rest of the table.
constexpr size_t kKeptRoom = size_t{1} << 16;

template <typename Buffer>
void ReleaseLargeRoom(Buffer& buffer) {
  if (buffer.capacity() > kKeptRoom) Buffer().swap(buffer);
}

}  // namespace

bool ReadValueBytes(format::JetVersion version, int columnType, const std::u16string& text,
                    std::vector<uint8_t>& bytes, std::string& failure) {
  if (columnType == TypeCode(ColumnType::kBinary)) {
    bytes = format::BinaryValueBytes(version, text);
    return true;
  }
  if (model::ReadOleObjectFile(format::ToUtf8(text), bytes, failure)) return true;
  failure = "The OLE object file cannot be read: " + failure;
  return false;
}

CRowPreparer::CRowPreparer(format::JetVersion version, const model::CAccessTable& table,
                           const std::vector<int>& fieldOfColumn, const std::vector<int>& fieldType,
                           const CDatabaseEngine& engine)
    : version_(version), fieldOfColumn_(fieldOfColumn), fieldType_(fieldType), engine_(engine) {
  for (int position = 0; position < table.columnList.count(); ++position)
    columnType_.push_back(table.columnList.At(position)->colInfo.type);
}

bool CRowReader::Read(RowBatch& batch) {
  batch.rows.clear();
  batch.valueCount = 0;
  size_t& textUnits = batch.textUnits;
  textUnits = 0;
  while (!atEnd_ && !file_.AtEnd() && batch.rows.size() < kBatchRows &&
         textUnits < kBatchTextUnits) {
    PendingRow row{batch.valueCount, 0};
    bool started = false;
    for (int position = 0; position < columnCount_; ++position) {
      if (batch.valueCount == batch.values.size()) batch.values.emplace_back();
      PendingValue& value = batch.values[batch.valueCount];
      ReleaseLargeRoom(value.text);
      const model::RecordKind kind = file_.ReadRecord(value.text);
      if (kind == model::RecordKind::kEnd) {
        atEnd_ = true;
        break;
      }
      started = true;
      if (kind == model::RecordKind::kRowEnd) break;
      if (kind != model::RecordKind::kValue) continue;
      value.position = position;
      textUnits += value.text.size();
      ++batch.valueCount;
    }
    if (!started) break;
    row.valueCount = batch.valueCount - row.firstValue;
    batch.rows.push_back(row);
  }
  return !batch.rows.empty();
}

void CRowPreparer::Prepare(RowBatch& batch) const {
  for (size_t i = 0; i < batch.valueCount; ++i) Prepare(batch.values[i], batch.preparedText);
}

void CRowPreparer::Prepare(PendingValue& value, std::u16string& preparedText) const {
  using Action = PendingValue::Action;
  value.action = Action::kNone;
  ReleaseLargeRoom(value.converted.bytes);
  ReleaseLargeRoom(value.bytes);
  const auto position = static_cast<size_t>(value.position);
  value.field = position < fieldOfColumn_.size() && position < columnType_.size()
                    ? fieldOfColumn_[position]
                    : -1;
  if (value.field < 0) return;  // the column has no field; the report names it
  const int type = columnType_[position];
  const std::u16string& text = value.text;
  if (HoldsBytes(type)) {
    if (type == TypeCode(ColumnType::kOle) && text.empty()) return;
    value.action = ReadValueBytes(version_, type, text, value.bytes, value.refusal)
                       ? Action::kBytes
                       : Action::kRefused;
    return;
  }
  if (text.empty()) {
    // An empty text is a zero-length string where the field holds one, else null.
    if (HoldsZeroLengthText(fieldType_[position])) {
      engine_.ConvertValue(value.field, std::u16string_view(), value.converted);
      value.action = Action::kConverted;
    }
    return;
  }
  const PreparedValue prepared = PrepareValue(static_cast<uint8_t>(type), text, preparedText);
  if (prepared.dropped) {
    value.action = Action::kRefused;
    value.refusal = prepared.dropReason;
    return;
  }
  engine_.ConvertValue(value.field, prepared.text, value.converted);
  value.action = Action::kConverted;
}

}  // namespace tarvex::writer
