#pragma once
// Rows. A row starts with its column count (1 byte in Jet 3, 2 in Jet 4) and
// its fixed area, then the variable-length values; it ends with the null mask,
// one bit per column, set when the column has a value (a Boolean's value).
// In a table with variable-length columns, between the values and the mask lie
// the values' offsets from the row's start, column 0 nearest the mask and the
// end of the values farthest, then their count next to the mask. Jet 4 keeps
// each offset and the count in 2 bytes. Jet 3 keeps them in 1 byte, the high
// bytes in a jump table between the offsets and the count: offset i gains 256
// for each entry at most i.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

// A column's value as stored: nothing for null; for a Boolean, an empty vector
// means True (its bit set) and nothing False.
using StoredValue = std::optional<std::vector<uint8_t>>;

// Where a column lies in its table's rows.
struct RowColumn {
  uint16_t number = 0;  // its null-mask bit
  bool variable = false;
  bool boolean = false;        // no bytes: its value is its null-mask bit
  uint16_t variableIndex = 0;  // variable columns: slot in the offset table
  uint16_t fixedOffset = 0;    // fixed columns: from the end of the column count
  uint32_t length = 0;         // fixed columns: bytes
};

// What reading a row needs of its table.
struct RowShape {
  uint16_t maxColumns = 0;
  bool hasVariableColumns = false;
};

enum class RowProblem : uint8_t { kNone, kTooShort, kNoColumns, kTooManyColumns };

// How a row's parts account for its bytes. Access may leave unused bytes
// between a row's values and its offset table (the row shrank in place).
enum class RowFit : uint8_t { kBroken, kWithGap, kExact };

// One row's parts as views into the row. Decode each row into the same
// decoder: its offset storage is reused, so a row allocates nothing.
class RowDecoder {
 public:
  // After a problem the row has no values.
  RowProblem Decode(Bytes row, const JetLayout& layout, const RowShape& shape);
  // Whether the last Decode read exactly these bytes as this decode would, without
  // problem: its parts can then be used instead of decoding the row again.
  bool Holds(Bytes row, const JetLayout& layout, const RowShape& shape) const;

  uint16_t columnCount() const { return columnCount_; }
  uint32_t variableCount() const { return variableCount_; }
  // Whether the row's count of variable values exceeds its column count.
  bool variableCountDamaged() const { return variableCountDamaged_; }
  // The column's null-mask bit; clear for a column the row was written without.
  bool HasValue(uint16_t columnNumber) const;
  // The column's bytes: nothing when its bit is clear, for a Boolean or a
  // fixed column of no bytes, or when the bytes would leave their area (the
  // fixed area, or the values before the offset table). A variable column may
  // hold zero bytes, which differs from null.
  std::optional<Bytes> Value(const RowColumn& column) const;
  // The bytes of variable slot `index`, whatever the null mask says; nothing
  // when the slot is beyond the row's or its bytes would leave the values.
  std::optional<Bytes> VariableBytes(uint16_t index) const;
  // Where the fixed area ends: the first variable value's start, else the null mask's.
  size_t FixedAreaEnd() const { return fixedEnd_; }
  // After a decode without problem: whether the row's parts account for its
  // bytes (variable offsets rising from past the fixed area of
  // `fixedAreaLength` bytes to at most where the offset table starts) and
  // agree with its null mask (a variable column without its bit stores no bytes).
  RowFit Fit(std::span<const RowColumn> columns, size_t fixedAreaLength) const;
  // Reads the variable offsets again as `count` of them, whatever the row's own count says.
  void ReadOffsetsAs(uint32_t count);

 private:
  RowProblem DecodeParts(Bytes row, const JetLayout& layout, const RowShape& shape);
  void ReadOffsets(std::optional<uint32_t> assumedCount);

  Bytes row_;
  RowShape shape_;
  RowProblem problem_ = RowProblem::kTooShort;
  size_t countSize_ = 0;
  size_t offsetSize_ = 0;
  uint16_t columnCount_ = 0;
  Bytes nullMask_;
  uint32_t variableCount_ = 0;
  std::vector<int64_t> offsets_;  // variableCount_ + 1 entries; negative: not readable
  bool variableTable_ = false;
  bool variableCountDamaged_ = false;
  size_t fixedEnd_ = 0;
  size_t valuesEnd_ = 0;
};

// What a row of one table must be when the page's offset table cannot be
// trusted: one whole row whose parts fit its bytes. Rows lie back to back, so
// one without a gap can also be found from its end.
class RowFrame {
 public:
  RowFrame(const JetLayout& layout, RowShape shape, std::vector<RowColumn> columns);
  RowFit Fit(Bytes row);
  bool HoldsTogether(Bytes row) { return Fit(row) != RowFit::kBroken; }
  // The row the last Fit decoded.
  const RowDecoder& decoder() const { return decoder_; }
  bool HasVariableColumns() const { return shape_.hasVariableColumns; }
  // The start of the row that fits exactly and ends at `end`, read from its
  // end (null mask, variable offsets); not below `floor`.
  std::optional<uint32_t> StartBefore(Bytes page, uint32_t floor, uint32_t end);

 private:
  // The same for rows of `columns` columns.
  std::optional<uint32_t> StartBefore(Bytes page, uint32_t floor, uint32_t end, uint16_t columns);
  std::optional<uint32_t> VariableRowStart(Bytes page, uint32_t end, size_t maskLength,
                                           size_t jumps) const;

  const JetLayout& layout_;
  RowShape shape_;
  std::vector<RowColumn> columns_;
  uint16_t highestColumns_ = 0;  // the highest column number + 1
  // By column count: the fixed area of a row of that many columns, up to the
  // end of the last of its fixed columns.
  std::vector<size_t> fixedAreaLength_;
  // By column count: the variable slots a row of that many columns has.
  std::vector<uint32_t> variableSlots_;
  RowDecoder decoder_;
};

// Encodes the rows of one table into a buffer it keeps, so that a row
// allocates nothing once the longest has been seen.
class RowEncoder {
 public:
  // `columns` as the values passed to Encode will be indexed; `columnCount` is
  // the count rows are written with.
  RowEncoder(const JetLayout& layout, std::vector<RowColumn> columns, uint16_t columnCount,
             size_t fixedAreaLength, uint16_t variableCount);
  // The encoded row, valid until the next call. A fixed value longer than its
  // column is cut to the column's length.
  Bytes Encode(std::span<const StoredValue> values);

 private:
  const JetLayout& layout_;
  std::vector<RowColumn> columns_;
  uint16_t columnCount_;
  size_t fixedEnd_;
  std::vector<size_t> columnOfVariable_;  // SIZE_MAX: no column
  std::vector<size_t> offsets_;
  std::vector<uint8_t> row_;
};

}  // namespace tarvex::format
