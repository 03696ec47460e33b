#pragma once
// Table definitions. A definition is one stream: its first page whole, then
// each continuation page without its header, the pages chained by their
// next-page words. The stream holds the header, one count block per real
// index, the column entries, the column names, the real index entries, the
// logical index entries and their names, then per memo or OLE column its
// number and two usage-map pointers, ended by kNoColumn. Every entry keeps
// the bytes it was read from, so what a reader does not model is written back
// unchanged. Usage-map pointers are kept as stored: row number in the low byte.
// Jet 3 names are code-page bytes, one per character here; callers decode them.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/page_type.h"
#include "format/value_types.h"

namespace tarvex::format {

inline constexpr size_t kContinuationHeaderLength = 8;
inline constexpr uint16_t kNoColumn = 0xFFFF;  // an unused key slot; the end of the long-value maps
inline constexpr size_t kIndexKeySlots = 10;

// Column flags, and the extra flags (Jet 4).
inline constexpr uint8_t kColumnFixed = 0x01;
inline constexpr uint8_t kColumnUpdatable = 0x02;
inline constexpr uint8_t kColumnAutoNumber = 0x04;
inline constexpr uint8_t kColumnSystem = 0x10;
inline constexpr uint8_t kColumnSecurityId = 0x20;
inline constexpr uint8_t kColumnAutoGuid = 0x40;
inline constexpr uint8_t kColumnCompressedText = 0x01;
// Real index flags, and the logical index type of a primary key.
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;
inline constexpr uint8_t kIndexAlwaysSet = 0x80;
inline constexpr uint8_t kLogicalIndexOrdinary = 0;
inline constexpr uint8_t kLogicalIndexPrimaryKey = 1;
inline constexpr uint8_t kLogicalIndexForeignKey = 2;

// The largest definition Access writes: 255 columns and 32 indexes, every
// name 64 characters, every column a memo. Its pages bound every chain we
// follow, and a row claiming more columns is damaged.
inline constexpr size_t kMaxColumns = 255;
inline constexpr size_t kMaxIndexes = 32;
inline constexpr size_t kMaxNameCharacters = 64;
constexpr size_t MaxDefinitionPages(const JetLayout& layout) {
  const size_t name =
      layout.columnNameLengthSize + kMaxNameCharacters * layout.columnNameLengthSize;
  const size_t stream =
      layout.tableDefHeaderLength + kMaxColumns * (layout.columnEntryLength + name + 10) +
      kMaxIndexes * (layout.realIndexCountBlockEntryLength + layout.realIndexEntryLength +
                     layout.logicalIndexEntryLength + name) +
      2;
  const size_t body = layout.pageSize - kContinuationHeaderLength;
  return 1 + (stream - layout.pageSize + body - 1) / body;
}
inline constexpr size_t kMaxDefinitionPages =
    std::max(MaxDefinitionPages(kJet3Layout), MaxDefinitionPages(kJet4Layout));

struct ColumnDefinition {
  std::u16string name;
  uint8_t type = 0;
  uint16_t number = 0;    // bit in the null mask; never reused
  uint16_t varIndex = 0;  // slot in the row's variable-offset table (variable columns)
  uint16_t position = 0;  // ordinal among the live columns
  uint32_t extra = 0;     // sort order (text), precision and scale (decimal)
  uint8_t flags = 0;
  uint8_t extraFlags = 0;
  uint16_t fixedOffset = 0;  // in the row's fixed area (fixed columns)
  uint16_t length = 0;       // bytes
  std::vector<uint8_t> raw;  // the entry as read (empty for a new column)

  bool operator==(const ColumnDefinition&) const = default;
  bool IsFixed() const { return (flags & kColumnFixed) != 0; }
  bool IsLongValue() const {
    return type == static_cast<uint8_t>(ColumnType::kMemo) ||
           type == static_cast<uint8_t>(ColumnType::kOle);
  }
};

struct IndexKeyColumn {
  uint16_t columnNumber = 0;
  bool ascending = true;
  bool operator==(const IndexKeyColumn&) const = default;
};

struct RealIndexDefinition {
  std::vector<IndexKeyColumn> keys;  // the used slots of the column map, in order
  uint32_t usageMap = 0;
  uint32_t rootPage = 0;
  uint8_t flags = 0;
  uint32_t uniqueCount = 0;       // from the count block
  std::vector<uint8_t> rawBlock;  // count block as read
  std::vector<uint8_t> raw;       // entry as read
  bool operator==(const RealIndexDefinition&) const = default;
};

// Sides of a relationship, and how a change of the referenced row reaches the referencing ones.
inline constexpr uint8_t kPrimarySide = 1;  // the referenced ("one") table
inline constexpr uint8_t kForeignSide = 2;  // the referencing ("many") table
inline constexpr uint8_t kCascade = 0x01;
inline constexpr uint8_t kCascadeToNull = 0x02;  // deletes only

// What a foreign-key index knows of its relationship: its partner index in
// the other table, which points back at it.
struct IndexRelation {
  uint8_t side = 0;               // kPrimarySide or kForeignSide: this table's side
  uint32_t partnerIndex = 0;      // logical number of the partner index
  uint32_t partnerTablePage = 0;  // definition page of the other table
  uint8_t cascadeUpdates = 0;
  uint8_t cascadeDeletes = 0;
  bool operator==(const IndexRelation&) const = default;
};

struct LogicalIndexDefinition {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realNumber = 0;
  uint8_t indexType = 0;                  // 0 ordinary, 1 primary key, 2 foreign key
  std::vector<uint8_t> raw;               // entry as read
  std::optional<IndexRelation> relation;  // foreign keys only
  bool operator==(const LogicalIndexDefinition&) const = default;
};

struct LongValueMaps {
  uint16_t columnNumber = 0;
  uint32_t owned = 0;
  uint32_t free = 0;
  bool operator==(const LongValueMaps&) const = default;
};

struct TableDefinition {
  uint8_t tableType = 0;
  uint32_t rowCount = 0;
  uint32_t autoNumber = 0;  // last value handed out
  uint16_t maxColumns = 0;
  uint32_t ownedMap = 0;
  uint32_t freeMap = 0;
  std::vector<ColumnDefinition> columns;
  std::vector<RealIndexDefinition> realIndexes;
  std::vector<LogicalIndexDefinition> logicalIndexes;
  std::vector<LongValueMaps> longValueMaps;
  std::vector<uint8_t> rawHeader;  // header as read (empty for a new table)

  bool operator==(const TableDefinition&) const = default;

  const ColumnDefinition* ColumnByNumber(uint16_t number) const;
  uint16_t VariableColumnCount() const;
  uint16_t FixedAreaLength() const;
};

// The first thing found wrong; what lies before it is decoded.
enum class DefinitionFault : uint8_t {
  kNone,
  kNotADefinition,  // a page of the chain is of another type
  kCountsDoNotFit,  // the header counts more entries than the stream can hold
  kEndsEarly,       // an entry, a name or the long-value maps run past the stream
  kChainTooLong,    // more than kMaxDefinitionPages pages
  kChainLoops,      // a page comes round again
  kPageUnreadable,  // a continuation page is outside the file
};

// Header fields as stored, which a damaged definition's entries may not match.
struct StoredDefinitionHeader {
  uint32_t length = 0;  // of the stream, as the header says
  uint32_t word2 = 0;   // Jet 4 only
  uint16_t variableColumns = 0;
  uint16_t columns = 0;
  uint32_t logicalIndexes = 0;
  uint32_t realIndexes = 0;
};

struct DecodedDefinition {
  TableDefinition definition;  // columns in stored order
  StoredDefinitionHeader stored;
  DefinitionFault fault = DefinitionFault::kNone;
};

// Decodes a stream, keeping every entry that lies wholly inside it and the
// column map, usage map, first page and flags of a real index cut short.
DecodedDefinition DecodeTableDefinition(Bytes stream, const JetLayout& layout);

// The stream of `definition`: the first page's header included, continuation headers excluded.
std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& definition,
                                           const JetLayout& layout);

// Pages a stream of `length` bytes takes.
size_t DefinitionPageCount(size_t length, const JetLayout& layout);

// Fills `page` as page `index` of the stream's chain, followed by page `next` (0: none).
void EncodeDefinitionPage(Bytes stream, size_t index, uint32_t next, std::span<uint8_t> page,
                          const JetLayout& layout);

struct DefinitionStream {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> pages;
  DefinitionFault fault = DefinitionFault::kNone;
};

// Gathers a definition's stream from page `first`, through at most
// kMaxDefinitionPages pages. readPage(number, page) fills `page` or says it
// cannot; nothing is gathered when the first page cannot be read. The chain
// stops at the first fault; what was gathered before it is kept.
template <typename ReadPage>
DefinitionStream ReadDefinitionStream(uint32_t first, const JetLayout& layout,
                                      ReadPage&& readPage) {
  DefinitionStream out;
  std::vector<uint8_t> page(layout.pageSize);
  for (uint32_t number = first;;) {
    if (!readPage(number, std::span<uint8_t>(page))) {
      if (!out.pages.empty()) out.fault = DefinitionFault::kPageUnreadable;
      return out;
    }
    // A page of another type ends the chain; the first page is kept whatever it holds.
    const bool isDefinition = IsPageOfType(page, PageType::kTableDefinition);
    if (!isDefinition) out.fault = DefinitionFault::kNotADefinition;
    if (!isDefinition && !out.pages.empty()) return out;
    out.pages.push_back(number);
    const size_t skip = out.pages.size() == 1 ? 0 : kContinuationHeaderLength;
    out.bytes.insert(out.bytes.end(), page.begin() + static_cast<std::ptrdiff_t>(skip), page.end());
    number = *CDataReader::U32(page, layout.tableDefNextPageOffset);
    if (!isDefinition || number == 0) return out;
    if (std::find(out.pages.begin(), out.pages.end(), number) != out.pages.end())
      out.fault = DefinitionFault::kChainLoops;
    else if (out.pages.size() >= kMaxDefinitionPages)
      out.fault = DefinitionFault::kChainTooLong;
    if (out.fault != DefinitionFault::kNone) return out;
  }
}

}  // namespace tarvex::format
