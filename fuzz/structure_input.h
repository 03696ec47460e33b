#pragma once
// How the in-memory fuzz targets read their inputs, and how the seed maker
// writes them: both halves in one place, so seeds always parse as the targets
// expect. An input is a few selector bytes, then the structure's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/row.h"
#include "format/table_definition.h"

namespace tarvex::fuzz {

using format::Bytes;

// A failed round trip is a finding: libFuzzer keeps the input that aborted.
#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: round trip broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

// Reads an input front to back; past its end every read gives zeros or nothing.
class InputReader {
 public:
  explicit InputReader(Bytes data) : data_(data) {}
  uint8_t Byte() { return at_ < data_.size() ? data_[at_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  Bytes Take(size_t length) {
    const size_t n = std::min(length, data_.size() - at_);
    const Bytes taken = data_.subspan(at_, n);
    at_ += n;
    return taken;
  }
  Bytes Rest() { return Take(data_.size() - at_); }
  bool AtEnd() const { return at_ >= data_.size(); }

 private:
  Bytes data_;
  size_t at_ = 0;
};

inline const format::JetLayout& LayoutOf(uint8_t selector) {
  return selector & 1 ? format::kJet4Layout : format::kJet3Layout;
}
inline uint8_t LayoutSelector(const format::JetLayout& layout) {
  return layout.version == format::JetVersion::kJet4 ? 1 : 0;
}

// A table's columns as the row and data-page targets take them: a count, the
// row's column count, then per column its type, flags, number, variable index,
// fixed offset and length, as a (maybe damaged) definition gives them.
inline constexpr size_t kMostSpecColumns = 64;

struct ColumnSpec {
  format::RowShape shape;
  std::vector<format::ColumnDefinition> columns;
};

inline ColumnSpec ReadColumnSpec(InputReader& in) {
  ColumnSpec spec;
  const size_t count = in.Byte() % (kMostSpecColumns + 1);
  // Rows of more than kMaxColumns columns are damaged whatever the definition says; a larger
  // maximum only costs the frame time.
  spec.shape.maxColumns = in.U16() % (2 * format::kMaxColumns);
  for (size_t i = 0; i < count; ++i) {
    format::ColumnDefinition c;
    c.type = in.Byte();
    c.flags = in.Byte();
    c.number = in.U16();
    c.varIndex = in.U16();
    c.fixedOffset = in.U16();
    c.length = in.U16();
    spec.shape.hasVariableColumns |= !c.IsFixed();
    spec.columns.push_back(c);
  }
  return spec;
}

inline void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendColumnSpec(std::vector<uint8_t>& out, const format::TableDefinition& table) {
  const size_t count = std::min(table.columns.size(), kMostSpecColumns);
  out.push_back(static_cast<uint8_t>(count));
  PutU16(out, table.maxColumns);
  for (size_t i = 0; i < count; ++i) {
    const auto& c = table.columns[i];
    out.push_back(c.type);
    out.push_back(c.flags);
    PutU16(out, c.number);
    PutU16(out, c.varIndex);
    PutU16(out, c.fixedOffset);
    PutU16(out, c.length);
  }
}

// Pages placed at chosen page numbers, as the long-value and usage-map targets
// take them: a count, then per page its number and its bytes (the last may be short).
struct NumberedPage {
  uint32_t number = 0;
  Bytes bytes;
};

inline std::vector<NumberedPage> ReadNumberedPages(InputReader& in, size_t pageSize) {
  std::vector<NumberedPage> pages;
  const size_t count = in.Byte();
  for (size_t i = 0; i < count && !in.AtEnd(); ++i) {
    const uint32_t number = in.U16();
    pages.push_back({number, in.Take(pageSize)});
  }
  return pages;
}

inline void AppendNumberedPage(std::vector<uint8_t>& out, uint16_t number, Bytes page) {
  PutU16(out, number);
  out.insert(out.end(), page.begin(), page.end());
}

// Query rows as text: records apart by kRecordSeparator, fields by kFieldSeparator.
// The first record lists the catalogue as id, flags, name triples; each other
// record is one MSysQueries row (ObjectId, Attribute, Order, Name1, Name2,
// Expression, Flag, LvExtra).
inline constexpr char kRecordSeparator = '\x1e';
inline constexpr char kFieldSeparator = '\x1f';

inline std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = 0; at <= text.size(); ++at) {
    if (at == text.size() || text[at] == separator) {
      parts.emplace_back(text.substr(start, at - start));
      start = at + 1;
    }
  }
  return parts;
}

}  // namespace tarvex::fuzz
