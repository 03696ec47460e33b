#include "format/table_definition.h"

namespace tarvex::format {
namespace {

// Jet 4 words Access writes in every new definition; Jet 3 files are only read.
constexpr uint32_t kJet4DefinitionMagic = 1625;
constexpr uint32_t kJet4RealIndexMagic = 1923;
constexpr size_t kJet4AutoNumberFlagOffset = 24;
constexpr size_t kJet4UserTableMarkerOffset = 36;
// Access 97 writes 1 into this word of every column entry.
constexpr size_t kJet3ColumnWord7Offset = 7;
constexpr uint16_t kJet3ColumnWord7 = 1;
constexpr uint8_t kCascadeNone = 0x04;  // both cascade bytes of a plain index
// Fields of a real index entry after its column map, and of a count block.
constexpr size_t kKeySlotLength = 3;
constexpr size_t kUsageMapAfterKeys = kIndexKeySlots * kKeySlotLength;
constexpr size_t kRootPageAfterKeys = kUsageMapAfterKeys + 4;
constexpr size_t kUniqueCountOffset = 4;
constexpr size_t kLongValueMapsLength = 10;

bool IsJet4(const JetLayout& layout) { return layout.version == JetVersion::kJet4; }
// A logical index entry: its number, then the real one; a related index; cascade bytes before its
// type.
size_t LogicalNumberOffset(const JetLayout& l) { return l.logicalIndexRealNumberOffset - 4; }
size_t RelatedIndexOffset(const JetLayout& l) { return l.logicalIndexRealNumberOffset + 5; }
size_t RelatedTableTypeOffset(const JetLayout& l) { return l.logicalIndexRealNumberOffset + 4; }
size_t RelatedTablePageOffset(const JetLayout& l) { return RelatedIndexOffset(l) + 4; }
size_t CascadeOffset(const JetLayout& l) { return l.logicalIndexTypeOffset - 2; }

class StreamWriter {
 public:
  std::vector<uint8_t>& bytes() { return bytes_; }
  // A block of `length` bytes starting as `raw` (or zeros).
  std::span<uint8_t> Block(const std::vector<uint8_t>& raw, size_t length) {
    const size_t at = bytes_.size();
    bytes_.resize(at + length, 0);
    std::copy_n(raw.begin(), std::min(raw.size(), length), bytes_.begin() + static_cast<long>(at));
    return std::span<uint8_t>(bytes_).subspan(at, length);
  }
  void U16(uint16_t value) { PutU16(Block({}, 2), 0, value); }
  void U32(uint32_t value) { PutU32(Block({}, 4), 0, value); }
  // The length in bytes, then the characters, each in `unit` bytes (1: Jet 3, 2: Jet 4).
  void Name(const std::u16string& name, size_t unit) {
    const auto out = Block({}, unit * (1 + name.size()));
    for (size_t i = 0; i <= name.size(); ++i) {
      const size_t value = i == 0 ? unit * name.size() : name[i - 1];
      for (size_t byte = 0; byte < unit; ++byte) out[unit * i + byte] = uint8_t(value >> 8 * byte);
    }
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads one name at `pos`, moving past it. A name that does not fit is empty
// and moves only past its length, as far as the stream goes.
std::u16string ReadName(Bytes s, const JetLayout& layout, uint64_t& pos, DecodedDefinition& out) {
  const size_t lengthSize = layout.columnNameLengthSize;
  std::optional<size_t> length = CDataReader::U8(s, pos);
  if (lengthSize == 2) length = CDataReader::U16(s, pos);
  pos += lengthSize;
  const auto bytes = length ? CDataReader::Slice(s, pos, *length) : std::nullopt;
  if (!bytes) {
    if (out.fault == DefinitionFault::kNone) out.fault = DefinitionFault::kEndsEarly;
    return {};
  }
  pos += *length;
  std::u16string name(bytes->size() / lengthSize, u'\0');
  for (size_t i = 0; i < name.size(); ++i)
    name[i] =
        static_cast<char16_t>(lengthSize == 2 ? *CDataReader::U16(*bytes, 2 * i) : (*bytes)[i]);
  return name;
}

ColumnDefinition DecodeColumn(Bytes entry, const JetLayout& layout) {
  const auto& at = layout.column;
  ColumnDefinition c;
  c.raw.assign(entry.begin(), entry.end());
  c.type = entry[at.type];
  c.number = *CDataReader::U16(entry, at.number);
  c.varIndex = *CDataReader::U16(entry, at.variableIndex);
  c.position = *CDataReader::U16(entry, at.position);
  c.extra = *CDataReader::U32(entry, at.extra);
  c.flags = entry[at.flags];
  if (at.extraFlags) c.extraFlags = entry[at.extraFlags];
  c.fixedOffset = *CDataReader::U16(entry, at.fixedOffset);
  c.length = *CDataReader::U16(entry, at.length);
  return c;
}

// `entry` may be cut short by the stream's end: what lies inside it is read.
RealIndexDefinition DecodeRealIndex(Bytes block, Bytes entry, const JetLayout& layout) {
  RealIndexDefinition r;
  r.rawBlock.assign(block.begin(), block.end());
  r.raw.assign(entry.begin(), entry.end());
  r.uniqueCount = CDataReader::U32(block, kUniqueCountOffset).value_or(0);
  const size_t keys = layout.realIndexColumnMapOffset;
  for (size_t slot = 0; slot < kIndexKeySlots; ++slot) {
    const auto number = CDataReader::U16(entry, keys + slot * kKeySlotLength);
    const auto order = CDataReader::U8(entry, keys + slot * kKeySlotLength + 2);
    if (!number || !order) break;
    if (*number != kNoColumn) r.keys.push_back({*number, (*order & 1) != 0});
  }
  r.usageMap = CDataReader::U32(entry, keys + kUsageMapAfterKeys).value_or(0);
  r.rootPage = CDataReader::U32(entry, keys + kRootPageAfterKeys).value_or(0);
  r.flags = CDataReader::U8(entry, layout.realIndexFlagsOffset).value_or(0);
  return r;
}

LogicalIndexDefinition DecodeLogicalIndex(Bytes entry, const JetLayout& layout) {
  LogicalIndexDefinition l;
  l.raw.assign(entry.begin(), entry.end());
  l.number = *CDataReader::U32(entry, LogicalNumberOffset(layout));
  l.realNumber = *CDataReader::U32(entry, layout.logicalIndexRealNumberOffset);
  l.indexType = entry[layout.logicalIndexTypeOffset];
  if (l.indexType == kLogicalIndexForeignKey)
    l.relation = IndexRelation{entry[RelatedTableTypeOffset(layout)],
                               *CDataReader::U32(entry, RelatedIndexOffset(layout)),
                               *CDataReader::U32(entry, RelatedTablePageOffset(layout)),
                               entry[CascadeOffset(layout)], entry[CascadeOffset(layout) + 1]};
  return l;
}

// Every entry takes at least its fixed size, so counts beyond what the stream holds mean damage.
bool CountsFit(const StoredDefinitionHeader& h, size_t length, const JetLayout& layout) {
  const uint64_t perReal = layout.realIndexCountBlockEntryLength + layout.realIndexEntryLength;
  return layout.tableDefHeaderLength + uint64_t{h.columns} * layout.columnEntryLength +
             h.realIndexes * perReal +
             uint64_t{h.logicalIndexes} * layout.logicalIndexEntryLength <=
         length;
}

void EncodeHeader(const TableDefinition& d, std::span<uint8_t> h, const JetLayout& layout) {
  std::copy_n(layout.tableDefSignature.begin(), layout.tableDefSignatureLength, h.begin());
  if (d.rawHeader.empty() && IsJet4(layout)) {
    PutU32(h, layout.tableDefHeaderWord2Offset, kJet4DefinitionMagic);
    h[kJet4AutoNumberFlagOffset] = 1;
    if (d.tableType == kUserTableType) PutU32(h, kJet4UserTableMarkerOffset, 0xFFFFFFFF);
  }
  PutU32(h, layout.tableDefNextPageOffset, 0);
  PutU32(h, layout.tableDefRowCountOffset, d.rowCount);
  PutU32(h, layout.tableDefHeaderWord3Offset, d.autoNumber);
  h[layout.tableTypeOffset] = d.tableType;
  PutU16(h, layout.tableDefMaxColumnsOffset, d.maxColumns);
  // A row keeps the variable-offset slots of deleted columns: never below what the header held.
  const uint16_t variableSlots = *CDataReader::U16(h, layout.tableDefVariableColumnCountOffset);
  PutU16(h, layout.tableDefVariableColumnCountOffset,
         std::max(d.VariableColumnCount(), variableSlots));
  PutU16(h, layout.tableDefColumnCountOffset, static_cast<uint16_t>(d.columns.size()));
  PutU32(h, layout.tableDefIndexCountOffset, static_cast<uint32_t>(d.logicalIndexes.size()));
  PutU32(h, layout.tableDefRealIndexCountOffset, static_cast<uint32_t>(d.realIndexes.size()));
  PutU32(h, layout.tableDefHeaderWord4Offset, d.ownedMap);
  PutU32(h, layout.tableDefHeaderWord5Offset, d.freeMap);
}

void EncodeColumn(const ColumnDefinition& c, std::span<uint8_t> out, const JetLayout& layout) {
  const auto& at = layout.column;
  if (c.raw.empty() && IsJet4(layout)) PutU32(out, at.type + 1, kJet4DefinitionMagic);
  if (c.raw.empty() && !IsJet4(layout)) PutU16(out, kJet3ColumnWord7Offset, kJet3ColumnWord7);
  out[at.type] = c.type;
  PutU16(out, at.number, c.number);
  PutU16(out, at.variableIndex, c.varIndex);
  PutU16(out, at.position, c.position);
  PutU32(out, at.extra, c.extra);
  out[at.flags] = c.flags;
  if (at.extraFlags) out[at.extraFlags] = c.extraFlags;
  PutU16(out, at.fixedOffset, c.fixedOffset);
  PutU16(out, at.length, c.length);
}

void EncodeRealIndex(const RealIndexDefinition& r, std::span<uint8_t> out,
                     const JetLayout& layout) {
  const size_t keys = layout.realIndexColumnMapOffset;
  if (r.raw.empty() && IsJet4(layout)) PutU32(out, 0, kJet4RealIndexMagic);
  for (size_t slot = 0; slot < kIndexKeySlots; ++slot) {
    const bool used = slot < r.keys.size();
    PutU16(out, keys + slot * kKeySlotLength, used ? r.keys[slot].columnNumber : kNoColumn);
    // Access leaves whatever order byte an unused slot had.
    if (used) out[keys + slot * kKeySlotLength + 2] = r.keys[slot].ascending ? 1 : 0;
  }
  PutU32(out, keys + kUsageMapAfterKeys, r.usageMap);
  PutU32(out, keys + kRootPageAfterKeys, r.rootPage);
  out[layout.realIndexFlagsOffset] = r.flags;
}

void EncodeLogicalIndex(const LogicalIndexDefinition& l, std::span<uint8_t> out,
                        const JetLayout& layout) {
  if (l.raw.empty()) {
    if (IsJet4(layout)) PutU32(out, 0, kJet4DefinitionMagic);
    PutU32(out, RelatedIndexOffset(layout), 0xFFFFFFFF);
    out[CascadeOffset(layout)] = kCascadeNone;
    out[CascadeOffset(layout) + 1] = kCascadeNone;
  }
  PutU32(out, LogicalNumberOffset(layout), l.number);
  PutU32(out, layout.logicalIndexRealNumberOffset, l.realNumber);
  out[layout.logicalIndexTypeOffset] = l.indexType;
  if (l.relation) {
    out[RelatedTableTypeOffset(layout)] = l.relation->side;
    PutU32(out, RelatedIndexOffset(layout), l.relation->partnerIndex);
    PutU32(out, RelatedTablePageOffset(layout), l.relation->partnerTablePage);
    out[CascadeOffset(layout)] = l.relation->cascadeUpdates;
    out[CascadeOffset(layout) + 1] = l.relation->cascadeDeletes;
  }
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
    if (c.IsFixed() && c.type != static_cast<uint8_t>(ColumnType::kBoolean))
      end = std::max<uint16_t>(end, static_cast<uint16_t>(c.fixedOffset + c.length));
  return end;
}

DecodedDefinition DecodeTableDefinition(Bytes s, const JetLayout& layout) {
  DecodedDefinition out;
  auto& d = out.definition;
  auto& h = out.stored;
  auto fail = [&](DefinitionFault fault) {
    if (out.fault == DefinitionFault::kNone) out.fault = fault;
  };
  auto stop = [&](DefinitionFault fault) {
    fail(fault);
    return std::move(out);
  };
  const auto header = CDataReader::Slice(s, 0, layout.tableDefHeaderLength);
  if (!header) return stop(DefinitionFault::kEndsEarly);
  if (!IsPageOfType(s, PageType::kTableDefinition)) fail(DefinitionFault::kNotADefinition);
  d.rawHeader.assign(header->begin(), header->end());
  h.length = *CDataReader::U32(s, layout.tableDefLengthOffset);
  if (layout.tableDefHeaderWord2Offset)
    h.word2 = *CDataReader::U32(s, layout.tableDefHeaderWord2Offset);
  d.rowCount = *CDataReader::U32(s, layout.tableDefRowCountOffset);
  d.autoNumber = *CDataReader::U32(s, layout.tableDefHeaderWord3Offset);
  d.tableType = s[layout.tableTypeOffset];
  d.maxColumns = *CDataReader::U16(s, layout.tableDefMaxColumnsOffset);
  h.variableColumns = *CDataReader::U16(s, layout.tableDefVariableColumnCountOffset);
  h.columns = *CDataReader::U16(s, layout.tableDefColumnCountOffset);
  h.logicalIndexes = *CDataReader::U32(s, layout.tableDefIndexCountOffset);
  h.realIndexes = *CDataReader::U32(s, layout.tableDefRealIndexCountOffset);
  d.ownedMap = *CDataReader::U32(s, layout.tableDefHeaderWord4Offset);
  d.freeMap = *CDataReader::U32(s, layout.tableDefHeaderWord5Offset);
  if (!CountsFit(h, s.size(), layout)) fail(DefinitionFault::kCountsDoNotFit);

  uint64_t pos =
      layout.tableDefHeaderLength + uint64_t{h.realIndexes} * layout.realIndexCountBlockEntryLength;
  for (uint16_t i = 0; i < h.columns; ++i) {
    const auto entry = CDataReader::Slice(s, pos + uint64_t{i} * layout.columnEntryLength,
                                          layout.columnEntryLength);
    if (!entry) return stop(DefinitionFault::kEndsEarly);
    d.columns.push_back(DecodeColumn(*entry, layout));
  }
  pos += uint64_t{h.columns} * layout.columnEntryLength;
  for (auto& column : d.columns) column.name = ReadName(s, layout, pos, out);

  for (uint32_t k = 0; k < h.realIndexes; ++k) {
    const uint64_t at = pos + uint64_t{k} * layout.realIndexEntryLength;
    if (at + layout.realIndexColumnMapOffset >= s.size()) return stop(DefinitionFault::kEndsEarly);
    const auto entry =
        s.subspan(at, std::min<uint64_t>(layout.realIndexEntryLength, s.size() - at));
    if (entry.size() < layout.realIndexEntryLength) fail(DefinitionFault::kEndsEarly);
    const uint64_t blockAt =
        layout.tableDefHeaderLength + uint64_t{k} * layout.realIndexCountBlockEntryLength;
    const auto block = CDataReader::Slice(s, blockAt, layout.realIndexCountBlockEntryLength);
    d.realIndexes.push_back(DecodeRealIndex(block.value_or(Bytes{}), entry, layout));
  }
  pos += uint64_t{h.realIndexes} * layout.realIndexEntryLength;
  for (uint32_t k = 0; k < h.logicalIndexes; ++k) {
    const auto entry = CDataReader::Slice(s, pos + uint64_t{k} * layout.logicalIndexEntryLength,
                                          layout.logicalIndexEntryLength);
    if (!entry) return stop(DefinitionFault::kEndsEarly);
    d.logicalIndexes.push_back(DecodeLogicalIndex(*entry, layout));
  }
  pos += uint64_t{h.logicalIndexes} * layout.logicalIndexEntryLength;
  for (auto& index : d.logicalIndexes) index.name = ReadName(s, layout, pos, out);

  // Each map takes ten bytes, so the stream's length bounds the loop.
  while (true) {
    const auto column = CDataReader::U16(s, pos);
    if (column == kNoColumn) break;
    const auto maps = CDataReader::Slice(s, pos + 2, kLongValueMapsLength - 2);
    if (!column || !maps) {
      fail(DefinitionFault::kEndsEarly);
      break;
    }
    d.longValueMaps.push_back({*column, *CDataReader::U32(*maps, 0), *CDataReader::U32(*maps, 4)});
    pos += kLongValueMapsLength;
  }
  return out;
}

std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& d, const JetLayout& layout) {
  StreamWriter out;
  EncodeHeader(d, out.Block(d.rawHeader, layout.tableDefHeaderLength), layout);
  for (const auto& r : d.realIndexes)
    PutU32(out.Block(r.rawBlock, layout.realIndexCountBlockEntryLength), kUniqueCountOffset,
           r.uniqueCount);
  for (const auto& c : d.columns)
    EncodeColumn(c, out.Block(c.raw, layout.columnEntryLength), layout);
  for (const auto& c : d.columns) out.Name(c.name, layout.columnNameLengthSize);
  for (const auto& r : d.realIndexes)
    EncodeRealIndex(r, out.Block(r.raw, layout.realIndexEntryLength), layout);
  for (const auto& l : d.logicalIndexes)
    EncodeLogicalIndex(l, out.Block(l.raw, layout.logicalIndexEntryLength), layout);
  for (const auto& l : d.logicalIndexes) out.Name(l.name, layout.columnNameLengthSize);
  for (const auto& m : d.longValueMaps) {
    out.U16(m.columnNumber);
    out.U32(m.owned);
    out.U32(m.free);
  }
  out.U16(kNoColumn);
  PutU32(out.bytes(), layout.tableDefLengthOffset, static_cast<uint32_t>(out.bytes().size()));
  return std::move(out.bytes());
}

size_t DefinitionPageCount(size_t length, const JetLayout& layout) {
  const size_t body = layout.pageSize - kContinuationHeaderLength;
  return length <= layout.pageSize ? 1 : 1 + (length - layout.pageSize + body - 1) / body;
}

void EncodeDefinitionPage(Bytes stream, size_t index, uint32_t next, std::span<uint8_t> page,
                          const JetLayout& layout) {
  std::fill(page.begin(), page.end(), 0);
  const size_t header = index == 0 ? 0 : kContinuationHeaderLength;
  const size_t at = index == 0 ? 0 : layout.pageSize + (index - 1) * (layout.pageSize - header);
  const size_t chunk =
      std::min(layout.pageSize - header, stream.size() - std::min(at, stream.size()));
  std::copy_n(stream.begin() + static_cast<long>(std::min(at, stream.size())), chunk,
              page.begin() + static_cast<long>(header));
  std::copy_n(layout.tableDefSignature.begin(), layout.tableDefSignatureLength, page.begin());
  // Access counts the free bytes less eight.
  const size_t unused = layout.pageSize - header - chunk;
  if (layout.tableDefFreeSpaceOffset)
    PutU16(page, layout.tableDefFreeSpaceOffset,
           static_cast<uint16_t>(unused >= 8 ? unused - 8 : 0));
  PutU32(page, layout.tableDefNextPageOffset, next);
}

}  // namespace tarvex::format
