#include "dao/table_definition.h"

#include <algorithm>
#include <string>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "dao/jet4_constants.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;
using format::kJet4Layout;

constexpr uint8_t kCascadeNone = 0x04;  // what Access writes in both cascade bytes of plain indexes
constexpr size_t kLogicalNumberOffset = 4;
constexpr size_t kLogicalRealNumberOffset = 8;
constexpr size_t kLogicalRelatedIndexOffset = 13;
constexpr size_t kLogicalCascadeOffset = 21;
constexpr size_t kLogicalTypeOffset = 23;
constexpr size_t kLongValueMapEntryLength = 10;

// Appends little-endian values and raw bytes to a growing stream.
class StreamWriter {
 public:
  std::vector<uint8_t>& bytes() { return bytes_; }
  size_t Reserve(size_t length) {
    size_t at = bytes_.size();
    bytes_.resize(at + length, 0);
    return at;
  }
  void U16(uint16_t value) { format::PutU16(bytes_, Reserve(2), value); }
  void U32(uint32_t value) { format::PutU32(bytes_, Reserve(4), value); }
  void Name(const std::u16string& name) {
    U16(static_cast<uint16_t>(name.size() * 2));
    for (char16_t c : name) U16(static_cast<uint16_t>(c));
  }
  // A block of `length` bytes starting as `raw` (or zeros).
  std::span<uint8_t> Block(const std::vector<uint8_t>& raw, size_t length) {
    size_t at = Reserve(length);
    std::copy_n(raw.begin(), std::min(raw.size(), length),
                bytes_.begin() + static_cast<std::ptrdiff_t>(at));
    return std::span<uint8_t>(bytes_).subspan(at, length);
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads consecutive fields of a definition stream, throwing at its end.
class StreamReader {
 public:
  explicit StreamReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t offset() const { return offset_; }
  void Seek(size_t offset) { offset_ = offset; }
  std::span<const uint8_t> Take(size_t length) {
    auto slice = CDataReader::Slice(bytes_, offset_, length);
    if (!slice) throw DaoException("The table definition is damaged (it ends too early).");
    offset_ += length;
    return *slice;
  }
  uint16_t U16() { return *CDataReader::U16(Take(2), 0); }
  uint32_t U32() { return *CDataReader::U32(Take(4), 0); }
  std::u16string Name() {
    uint16_t length = U16();
    auto bytes = Take(length);
    std::u16string name(length / 2, u'\0');
    for (size_t i = 0; i < name.size(); ++i)
      name[i] = static_cast<char16_t>(*CDataReader::U16(bytes, i * 2));
    return name;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t offset_ = 0;
};

uint16_t U16At(std::span<const uint8_t> bytes, size_t offset) {
  return *CDataReader::U16(bytes, offset);
}
uint32_t U32At(std::span<const uint8_t> bytes, size_t offset) {
  return *CDataReader::U32(bytes, offset);
}

void EncodeHeader(const TableDefinition& d, std::span<uint8_t> h) {
  bool fresh = d.rawHeader.empty();
  h[0] = jet4::kTableDefPageType;
  h[1] = 0x01;
  format::PutU32(h, kJet4Layout.tableDefNextPageOffset, 0);
  format::PutU32(h, jet4::kTableDefMagicOffset, jet4::kTableDefMagic);
  format::PutU32(h, kJet4Layout.tableDefRowCountOffset, d.rowCount);
  format::PutU32(h, jet4::kTableDefAutoNumberOffset, d.autoNumber);
  if (fresh) {
    h[jet4::kTableDefAutoNumberFlagOffset] = 1;
    if (d.tableType == format::kUserTableType)
      format::PutU32(h, jet4::kTableDefUserMarkerOffset, 0xFFFFFFFF);
  }
  h[kJet4Layout.tableTypeOffset] = d.tableType;
  format::PutU16(h, kJet4Layout.tableDefMaxColumnsOffset, d.maxColumns);
  format::PutU16(h, kJet4Layout.tableDefVariableColumnCountOffset, d.VariableColumnCount());
  format::PutU16(h, kJet4Layout.tableDefColumnCountOffset, static_cast<uint16_t>(d.columns.size()));
  format::PutU32(h, kJet4Layout.tableDefIndexCountOffset,
                 static_cast<uint32_t>(d.logicalIndexes.size()));
  format::PutU32(h, kJet4Layout.tableDefRealIndexCountOffset,
                 static_cast<uint32_t>(d.realIndexes.size()));
  format::PutU32(h, jet4::kTableDefOwnedMapOffset, d.ownedMap.ToU32());
  format::PutU32(h, jet4::kTableDefFreeMapOffset, d.freeMap.ToU32());
}

void EncodeColumn(const ColumnDefinition& c, std::span<uint8_t> out) {
  bool fresh = c.raw.empty();
  out[jet4::kColumnTypeOffset] = c.type;
  format::PutU32(out, jet4::kColumnMagicOffset, jet4::kTableDefMagic);
  format::PutU16(out, jet4::kColumnNumberOffset, c.number);
  format::PutU16(out, jet4::kColumnVarIndexOffset, c.varIndex);
  format::PutU16(out, jet4::kColumnIndexOffset, c.position);
  if (fresh) {
    // Access writes the General sort order into every descriptor.
    format::PutU16(out, jet4::kColumnSortOrderOffset, jet4::kGeneralSortOrder);
    out[jet4::kColumnSortVersionOffset] = jet4::kGeneralLegacySortVersion;
  }
  out[jet4::kColumnFlagsOffset] = c.flags;
  out[jet4::kColumnExtraFlagsOffset] = c.extraFlags;
  format::PutU16(out, jet4::kColumnFixedOffsetOffset, c.fixedOffset);
  format::PutU16(out, jet4::kColumnLengthOffset, c.length);
}

void EncodeRealIndex(const RealIndexDefinition& r, std::span<uint8_t> out) {
  format::PutU32(out, 0, jet4::kRealIndexMagic);
  for (size_t slot = 0; slot < jet4::kIndexKeyColumnSlots; ++slot) {
    size_t at = jet4::kIndexKeyColumnsOffset + slot * 3;
    bool used = slot < r.keys.size();
    format::PutU16(out, at, used ? r.keys[slot].columnNumber : 0xFFFF);
    out[at + 2] = used && r.keys[slot].ascending ? 1 : 0;
  }
  format::PutU32(out, jet4::kIndexUsageMapOffset, r.usageMap.ToU32());
  format::PutU32(out, jet4::kIndexRootPageOffset, r.rootPage);
  out[jet4::kIndexFlagsOffset] = r.flags;
}

void EncodeLogicalIndex(const LogicalIndexDefinition& l, std::span<uint8_t> out) {
  bool fresh = l.raw.empty();
  format::PutU32(out, 0, jet4::kTableDefMagic);
  format::PutU32(out, kLogicalNumberOffset, l.number);
  format::PutU32(out, kLogicalRealNumberOffset, l.realNumber);
  if (fresh) {
    format::PutU32(out, kLogicalRelatedIndexOffset, 0xFFFFFFFF);
    out[kLogicalCascadeOffset] = kCascadeNone;
    out[kLogicalCascadeOffset + 1] = kCascadeNone;
  }
  out[kLogicalTypeOffset] = l.indexType;
}

ColumnDefinition DecodeColumn(std::span<const uint8_t> raw) {
  ColumnDefinition c;
  c.raw.assign(raw.begin(), raw.end());
  c.type = raw[jet4::kColumnTypeOffset];
  c.number = U16At(raw, jet4::kColumnNumberOffset);
  c.varIndex = U16At(raw, jet4::kColumnVarIndexOffset);
  c.position = U16At(raw, jet4::kColumnIndexOffset);
  c.flags = raw[jet4::kColumnFlagsOffset];
  c.extraFlags = raw[jet4::kColumnExtraFlagsOffset];
  c.fixedOffset = U16At(raw, jet4::kColumnFixedOffsetOffset);
  c.length = U16At(raw, jet4::kColumnLengthOffset);
  return c;
}

RealIndexDefinition DecodeRealIndex(std::span<const uint8_t> block, std::span<const uint8_t> raw) {
  RealIndexDefinition r;
  r.rawBlock.assign(block.begin(), block.end());
  r.raw.assign(raw.begin(), raw.end());
  r.uniqueCount = U32At(block, jet4::kRealIndexCountUniqueOffset);
  for (size_t slot = 0; slot < jet4::kIndexKeyColumnSlots; ++slot) {
    size_t at = jet4::kIndexKeyColumnsOffset + slot * 3;
    uint16_t column = U16At(raw, at);
    if (column == 0xFFFF) continue;
    r.keys.push_back({column, raw[at + 2] != 0});
  }
  r.usageMap = RowPointer::FromU32(U32At(raw, jet4::kIndexUsageMapOffset));
  r.rootPage = U32At(raw, jet4::kIndexRootPageOffset);
  r.flags = raw[jet4::kIndexFlagsOffset];
  return r;
}

LogicalIndexDefinition DecodeLogicalIndex(std::span<const uint8_t> raw) {
  LogicalIndexDefinition l;
  l.raw.assign(raw.begin(), raw.end());
  l.number = U32At(raw, kLogicalNumberOffset);
  l.realNumber = U32At(raw, kLogicalRealNumberOffset);
  l.indexType = raw[kLogicalTypeOffset];
  return l;
}

// Every descriptor takes at least its fixed size: counts beyond what the
// stream can hold mean damage, and refusing them bounds the loops that follow.
void CheckCounts(size_t columns, size_t realIndexes, size_t logicalIndexes, size_t streamLength) {
  size_t perReal = kJet4Layout.realIndexCountBlockEntryLength + kJet4Layout.realIndexEntryLength;
  if (columns > streamLength / kJet4Layout.columnEntryLength ||
      realIndexes > streamLength / perReal ||
      logicalIndexes > streamLength / kJet4Layout.logicalIndexEntryLength ||
      kJet4Layout.tableDefHeaderLength + columns * kJet4Layout.columnEntryLength +
              realIndexes * perReal + logicalIndexes * kJet4Layout.logicalIndexEntryLength >
          streamLength)
    throw DaoException("The table definition is damaged (its counts do not fit).");
}

}  // namespace

const ColumnDefinition* TableDefinition::ColumnByNumber(uint16_t number) const {
  for (const auto& column : columns)
    if (column.number == number) return &column;
  return nullptr;
}

uint16_t TableDefinition::VariableColumnCount() const {
  return static_cast<uint16_t>(
      std::count_if(columns.begin(), columns.end(), [](const auto& c) { return !c.IsFixed(); }));
}

uint16_t TableDefinition::FixedAreaLength() const {
  uint16_t end = 0;
  for (const auto& c : columns)
    if (c.IsFixed() && c.type != static_cast<uint8_t>(FieldType::kBoolean))
      end = std::max<uint16_t>(end, static_cast<uint16_t>(c.fixedOffset + c.length));
  return end;
}

std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& d) {
  StreamWriter out;
  EncodeHeader(d, out.Block(d.rawHeader, kJet4Layout.tableDefHeaderLength));
  for (const auto& r : d.realIndexes) {
    auto block = out.Block(r.rawBlock, kJet4Layout.realIndexCountBlockEntryLength);
    format::PutU32(block, jet4::kRealIndexCountUniqueOffset, r.uniqueCount);
  }
  for (const auto& c : d.columns) EncodeColumn(c, out.Block(c.raw, kJet4Layout.columnEntryLength));
  for (const auto& c : d.columns) out.Name(c.name);
  for (const auto& r : d.realIndexes)
    EncodeRealIndex(r, out.Block(r.raw, kJet4Layout.realIndexEntryLength));
  for (const auto& l : d.logicalIndexes)
    EncodeLogicalIndex(l, out.Block(l.raw, kJet4Layout.logicalIndexEntryLength));
  for (const auto& l : d.logicalIndexes) out.Name(l.name);
  for (const auto& m : d.longValueMaps) {
    out.U16(m.columnNumber);
    out.U32(m.owned.ToU32());
    out.U32(m.free.ToU32());
  }
  out.U16(jet4::kTableDefTerminator);
  format::PutU32(out.bytes(), jet4::kTableDefLengthOffset,
                 static_cast<uint32_t>(out.bytes().size()));
  return std::move(out.bytes());
}

TableDefinition DecodeTableDefinition(std::span<const uint8_t> stream) {
  StreamReader in(stream);
  auto header = in.Take(kJet4Layout.tableDefHeaderLength);
  if (header[0] != jet4::kTableDefPageType)
    throw DaoException("The page is not a table definition.");
  TableDefinition d;
  d.rawHeader.assign(header.begin(), header.end());
  d.rowCount = U32At(header, kJet4Layout.tableDefRowCountOffset);
  d.autoNumber = U32At(header, jet4::kTableDefAutoNumberOffset);
  d.tableType = header[kJet4Layout.tableTypeOffset];
  d.maxColumns = U16At(header, kJet4Layout.tableDefMaxColumnsOffset);
  uint16_t columnCount = U16At(header, kJet4Layout.tableDefColumnCountOffset);
  uint32_t logicalCount = U32At(header, kJet4Layout.tableDefIndexCountOffset);
  uint32_t realCount = U32At(header, kJet4Layout.tableDefRealIndexCountOffset);
  CheckCounts(columnCount, realCount, logicalCount, stream.size());
  d.ownedMap = RowPointer::FromU32(U32At(header, jet4::kTableDefOwnedMapOffset));
  d.freeMap = RowPointer::FromU32(U32At(header, jet4::kTableDefFreeMapOffset));

  std::vector<std::span<const uint8_t>> blocks;
  for (uint32_t i = 0; i < realCount; ++i)
    blocks.push_back(in.Take(kJet4Layout.realIndexCountBlockEntryLength));
  for (uint16_t i = 0; i < columnCount; ++i)
    d.columns.push_back(DecodeColumn(in.Take(kJet4Layout.columnEntryLength)));
  for (auto& c : d.columns) c.name = in.Name();
  for (uint32_t i = 0; i < realCount; ++i)
    d.realIndexes.push_back(DecodeRealIndex(blocks[i], in.Take(kJet4Layout.realIndexEntryLength)));
  for (uint32_t i = 0; i < logicalCount; ++i)
    d.logicalIndexes.push_back(DecodeLogicalIndex(in.Take(kJet4Layout.logicalIndexEntryLength)));
  for (auto& l : d.logicalIndexes) l.name = in.Name();
  while (true) {
    uint16_t column = in.U16();
    if (column == jet4::kTableDefTerminator) break;
    LongValueMaps maps{column, RowPointer::FromU32(in.U32()), RowPointer::FromU32(in.U32())};
    d.longValueMaps.push_back(maps);
  }
  std::stable_sort(d.columns.begin(), d.columns.end(),
                   [](const auto& a, const auto& b) { return a.number < b.number; });
  return d;
}

void AssignColumnLayout(TableDefinition& d, bool longValuesLast) {
  uint16_t fixedOffset = 0;
  uint16_t varIndex = 0;
  for (size_t i = 0; i < d.columns.size(); ++i) {
    auto& c = d.columns[i];
    c.number = static_cast<uint16_t>(i);
    c.position = static_cast<uint16_t>(i);
    if (c.IsFixed() && c.type != static_cast<uint8_t>(FieldType::kBoolean)) {
      c.fixedOffset = fixedOffset;
      fixedOffset = static_cast<uint16_t>(fixedOffset + c.length);
    }
  }
  for (auto& c : d.columns)
    if (!c.IsFixed() && !(longValuesLast && c.IsLongValue())) c.varIndex = varIndex++;
  if (longValuesLast)
    for (auto& c : d.columns)
      if (!c.IsFixed() && c.IsLongValue()) c.varIndex = varIndex++;
  d.maxColumns = static_cast<uint16_t>(d.columns.size());
}

}  // namespace tarvex::dao
