#include "engine/column_inference.h"

#include <algorithm>
#include <bitset>
#include <set>
#include <string>

#include "engine/long_value_reader.h"
#include "engine/record_extraction.h"
#include "format/calculated_value.h"
#include "format/code_page.h"
#include "format/data_page.h"
#include "format/long_value.h"
#include "format/row.h"
#include "format/row_pointer.h"
#include "format/table_definition.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::engine {
namespace {

using format::Bytes;
using format::ColumnType;
using ColumnBits = std::bitset<format::kMaxColumns>;

// A Binary column holds at most this many bytes.
constexpr size_t kMaxBinaryLength = 255;
constexpr uint8_t kCalculatedFlags = 0xC0;
// Long values read per column to tell memo from OLE: more would tell little more.
constexpr int kLongValuesRead = 16;

// Calls `visit` with every live row on the table's pages that stands where its
// offset word says, a moved row where it went.
template <typename Visit>
void ForEachRow(CDBFileReader& file, const format::JetLayout& layout,
                const model::CAccessTable& table, Visit visit) {
  std::vector<uint8_t> page(layout.pageSize);
  for (uint64_t offset : table.dataPageList) {
    if (!file.ReadWhole(offset, page)) continue;
    format::RowSlotWalker rows(page, layout);
    for (uint32_t n = 0; n < rows.count(); ++n) {
      const format::RowSlot slot = rows.Next();
      // A row a torn write cut would have its zeros read as values.
      if (!slot.located || slot.deleted || format::CutByZeroedSector(page, slot)) continue;
      if (!slot.moved) {
        visit(slot.Of(page));
        continue;
      }
      const auto where = format::DecodeMovedRow(slot.Of(page));
      const auto moved =
          where ? ReadRow(file, file.Size(), layout, layout.PageOffset(where->page), where->row)
                : std::nullopt;
      if (moved) visit(format::Bytes(*moved));
    }
  }
}

bool IsWellFormedText(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // Text may hold any character but these; numbers and other bytes read as UTF-16 seldom lack
    // them.
    if (c == 0 || c == 0xFFFE || c == 0xFFFF) return false;
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (low || (high && (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)))
      return false;
    if (high) ++i;
  }
  return true;
}

bool IsStoredText(Bytes bytes, const format::JetLayout& layout, uint16_t codePage) {
  if (layout.version == format::JetVersion::kJet3)
    return IsWellFormedText(format::DecodeCodePage(bytes, codePage));
  const bool compressed = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  return (compressed || bytes.size() % 2 == 0) && IsWellFormedText(format::DecodeJet4Text(bytes));
}

// A memo or OLE column's value: a long value's header, the bytes after it
// being the whole value when it lies in the row.
bool IsLongValue(Bytes value) {
  const auto header = format::DecodeLongValueHeader(value);
  if (!header) return false;
  if (header->kind == format::LongValueKind::kInline)
    return header->length == value.size() - format::kLongValueHeaderSize;
  return value.size() == format::kLongValueHeaderSize && header->firstRow != 0;
}

// What the values of one variable slot look like across the rows.
struct VariableSlot {
  ColumnBits bits = ColumnBits().set();  // null-mask bits set wherever the slot holds bytes
  bool text = true;
  bool calculatedText = true;  // every value is a calculated column's, its result text
  bool longValue = true;
  bool longText = true;            // every long value read is text
  bool longCalculatedText = true;  // or every one is a calculated column's, its result text
  int longValuesRead = 0;
  size_t maxLength = 0;
};

class RowSurvey {
 public:
  RowSurvey(CDBFileReader& file, const format::JetLayout& layout, uint16_t codePage)
      : layout_(layout), codePage_(codePage), longValues_(file, file.Size(), layout) {}

  // The first look: the most columns a row carries, and whether every row has variable values.
  void MeasureShape(Bytes row) {
    if (decoder_.Decode(row, layout_, {static_cast<uint16_t>(format::kMaxColumns), true}) !=
        format::RowProblem::kNone)
      return;
    columns_ = std::max(columns_, decoder_.columnCount());
    variable_ = variable_ && decoder_.Fit({}, 0) != format::RowFit::kBroken;
  }

  // The second look, with the shape decided: fixed areas, null-mask bits, variable values.
  void Record(Bytes row) {
    // A row too short to hold its own column count tells nothing of the fixed area.
    if (decoder_.Decode(row, layout_, Shape()) != format::RowProblem::kNone ||
        (variable_ && decoder_.Fit({}, 0) == format::RowFit::kBroken) ||
        decoder_.FixedAreaEnd() < layout_.rowColumnCountSize)
      return;
    ++rows_;
    fixedEnds_.insert(decoder_.FixedAreaEnd() - layout_.rowColumnCountSize);
    ColumnBits set;
    for (uint16_t bit = 0; bit < decoder_.columnCount(); ++bit) set[bit] = decoder_.HasValue(bit);
    always_ = rows_ == 1 ? set : always_ & set;
    if (slots_.size() < decoder_.variableCount()) slots_.resize(decoder_.variableCount());
    for (uint16_t index = 0; index < decoder_.variableCount(); ++index) {
      const auto bytes = decoder_.VariableBytes(index);
      if (bytes && !bytes->empty()) RecordValue(slots_[index], *bytes, set);
    }
  }

  void Describe(model::CAccessTable& table) const;

  format::RowShape Shape() const { return {columns_, variable_}; }

 private:
  void RecordValue(VariableSlot& slot, Bytes value, const ColumnBits& set) {
    slot.bits &= set;
    slot.maxLength = std::max(slot.maxLength, value.size());
    slot.text = slot.text && IsStoredText(value, layout_, codePage_);
    slot.calculatedText = slot.calculatedText && IsCalculatedText(value);
    slot.longValue = slot.longValue && IsLongValue(value);
    if (!slot.longValue || !(slot.longText || slot.longCalculatedText) ||
        slot.longValuesRead >= kLongValuesRead)
      return;
    ++slot.longValuesRead;
    const auto bytes = longValues_.MemoValue(value.first(format::kLongValueHeaderSize),
                                             value.subspan(format::kLongValueHeaderSize));
    slot.longText = slot.longText && bytes && IsStoredText(*bytes, layout_, codePage_);
    slot.longCalculatedText = slot.longCalculatedText && bytes && IsCalculatedText(*bytes);
  }

  // A calculated column's value whose result is text.
  bool IsCalculatedText(Bytes value) const {
    const auto resultLength = format::CDataReader::U32(value, format::kCalculatedLengthOffset);
    return resultLength &&
           *resultLength <=
               value.size() - std::min(value.size(), format::kCalculatedResultOffset) &&
           IsStoredText(format::CalculatedResult(value), layout_, codePage_);
  }

  const format::JetLayout& layout_;
  uint16_t codePage_;
  CLongValueReader longValues_;
  format::RowDecoder decoder_;
  uint16_t columns_ = 0;
  bool variable_ = true;
  uint64_t rows_ = 0;
  std::set<size_t> fixedEnds_;  // fixed-area lengths seen: where some row's fixed columns end
  ColumnBits always_;           // null-mask bits set in every row
  std::vector<VariableSlot> slots_;
};

uint8_t TypeOf(const VariableSlot& slot) {
  // A long value's header always holds a zero character, so it never passes for text.
  if (slot.maxLength == 0 || slot.calculatedText || slot.text) return TypeCode(ColumnType::kText);
  if (slot.longValue)
    return TypeCode(slot.longText || slot.longCalculatedText ? ColumnType::kMemo
                                                             : ColumnType::kOle);
  return TypeCode(ColumnType::kBinary);
}

void RowSurvey::Describe(model::CAccessTable& table) const {
  if (rows_ == 0) return;
  std::vector<model::CAccessColInfo> columns;
  ColumnBits used;
  // Variable slots follow the order of their columns' numbers; a slot's
  // column has its bit set wherever the slot holds bytes.
  int previous = -1;
  for (size_t index = 0; index < slots_.size(); ++index) {
    const auto last = static_cast<int>(columns_ - (slots_.size() - index));
    int bit = previous + 1;
    while (bit < last && !slots_[index].bits[static_cast<size_t>(bit)]) ++bit;
    if (bit > last) break;
    used.set(static_cast<size_t>(bit));
    previous = bit;
    const auto& slot = slots_[index];
    model::CAccessColInfo info;
    info.type = TypeOf(slot);
    info.columnNumber = static_cast<uint16_t>(bit);
    info.variableIndex = static_cast<uint16_t>(index);
    // A text that is also a calculated result is taken for the result.
    if (slot.maxLength > 0 &&
        (slot.calculatedText || (info.type == TypeCode(ColumnType::kMemo) && !slot.longText)))
      info.extraFlags = kCalculatedFlags;
    info.length =
        info.type == TypeCode(ColumnType::kText)
            ? static_cast<uint16_t>(format::kMaxTextCharacters)
            : static_cast<uint16_t>(std::clamp<size_t>(slot.maxLength, 1, kMaxBinaryLength));
    columns.push_back(info);
  }
  // The fixed area, cut wherever some row's ends, each piece on a bit of its own: first those
  // set in every row, so that a piece shows whenever its bytes are there.
  std::vector<uint16_t> bits;
  for (bool always : {true, false})
    for (uint16_t bit = 0; bit < columns_; ++bit)
      if (!used[bit] && always_[bit] == always) bits.push_back(bit);
  size_t start = 0;
  auto nextBit = bits.begin();
  for (size_t end : fixedEnds_) {
    for (; start < end && nextBit != bits.end(); ++nextBit) {
      model::CAccessColInfo info;
      info.type = TypeCode(ColumnType::kBinary);
      info.flags = 0x01;
      info.columnNumber = *nextBit;
      info.fixedOffset = static_cast<uint16_t>(start);
      info.length = static_cast<uint16_t>(std::min(end - start, kMaxBinaryLength));
      columns.push_back(info);
      start += info.length;
    }
  }
  std::sort(columns.begin(), columns.end(),
            [](const auto& a, const auto& b) { return a.columnNumber < b.columnNumber; });
  for (size_t i = 0; i < columns.size(); ++i) {
    columns[i].name = u"Field";
    for (char digit : std::to_string(i + 1)) columns[i].name += static_cast<char16_t>(digit);
    table.columnList.Append(columns[i]);
  }
  auto& info = table.tableDefInfo;
  info.tableType = format::kUserTableType;
  info.maxColumns = columns_;
  info.variableColumnCount = static_cast<uint16_t>(slots_.size());
  info.columnCount = static_cast<uint16_t>(columns.size());
}

}  // namespace

void InferColumns(CDBFileReader& file, const format::JetLayout& layout, uint16_t codePage,
                  model::CAccessTable& table) {
  RowSurvey survey(file, layout, codePage);
  ForEachRow(file, layout, table, [&](Bytes row) { survey.MeasureShape(row); });
  if (survey.Shape().maxColumns == 0) return;
  ForEachRow(file, layout, table, [&](Bytes row) { survey.Record(row); });
  survey.Describe(table);
}

}  // namespace tarvex::engine
