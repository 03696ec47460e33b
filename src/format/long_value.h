#pragma once
// Memo and OLE values. The column's bytes start with a 12-byte header: the
// value's length in the low 30 bits of a 32-bit word whose top two bits say
// where the bytes lie, the row pointer of the (first) LVAL row, then four bytes
// written as zero. Each chain row starts with the row pointer of the next (zero
// after the last). Row pointers are kept as stored: row number in the low byte.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

enum class LongValueKind : uint8_t { kChain = 0, kSingleRow = 1, kInline = 2 };

struct LongValueHeader {
  uint32_t length = 0;
  LongValueKind kind = LongValueKind::kInline;
  uint32_t firstRow = 0;  // zero for inline data
  bool operator==(const LongValueHeader&) const = default;
};

inline constexpr size_t kLongValueHeaderSize = 12;
inline constexpr uint32_t kLongValueMaxLength = 0x3FFFFFFF;
inline constexpr size_t kLongValueInlineMax = 64;
inline constexpr size_t kLongValueLinkSize = 4;
inline constexpr uint32_t kLongValuePageOwner = 0x4C41564C;  // "LVAL"

// Nothing when shorter than a header or with both kind bits set.
inline std::optional<LongValueHeader> DecodeLongValueHeader(Bytes bytes) {
  const uint32_t word = CDataReader::U32(bytes, 0).value_or(0);
  if (bytes.size() < kLongValueHeaderSize || word >> 30 == 3) return std::nullopt;
  return LongValueHeader{word & kLongValueMaxLength, static_cast<LongValueKind>(word >> 30),
                         *CDataReader::U32(bytes, 4)};
}

inline std::array<uint8_t, kLongValueHeaderSize> EncodeLongValueHeader(const LongValueHeader& h) {
  std::array<uint8_t, kLongValueHeaderSize> bytes{};
  PutU32(bytes, 0, (h.length & kLongValueMaxLength) | static_cast<uint32_t>(h.kind) << 30);
  PutU32(bytes, 4, h.firstRow);
  return bytes;
}

// Replaces `out` with a chain row: the pointer to the next row, then `piece`.
inline void EncodeLongValueChainRow(uint32_t next, Bytes piece, std::vector<uint8_t>& out) {
  out.assign(kLongValueLinkSize, 0);
  PutU32(out, 0, next);
  out.insert(out.end(), piece.begin(), piece.end());
}

// Where a writer puts a value: in the row when allowed and short, else in one
// LVAL row when it fits, else in a chain of such rows. An empty value always
// stays in the row: its header is all it takes, and an empty LVAL row looks damaged.
inline LongValueKind LongValueKindFor(size_t length, bool inlineAllowed, const JetLayout& layout) {
  if (length == 0 || (inlineAllowed && length <= kLongValueInlineMax))
    return LongValueKind::kInline;
  return length <= layout.longValueRowMax ? LongValueKind::kSingleRow : LongValueKind::kChain;
}

// Follows a chain from its header: never to a page it visited, never past the header's length.
class LongValueChain {
 public:
  explicit LongValueChain(const LongValueHeader& header)
      : remaining_(header.length), next_(header.firstRow) {}

  // The row pointer to read next; nothing once the length is gathered, the
  // links end or a page comes round again.
  std::optional<uint32_t> Next() {
    if (remaining_ == 0 || next_ >> 8 == 0 || !visited_.insert(next_ >> 8).second) return {};
    return next_;
  }
  // True once the header's length is gathered.
  bool complete() const { return remaining_ == 0; }
  // The value's bytes in the row just read, cut to the length still missing;
  // nothing when the row cannot hold its link.
  std::optional<Bytes> Take(Bytes row) {
    if (row.size() < kLongValueLinkSize) return std::nullopt;
    next_ = *CDataReader::U32(row, 0);
    const auto piece = std::min<uint64_t>(row.size() - kLongValueLinkSize, remaining_);
    remaining_ -= piece;
    return row.subspan(kLongValueLinkSize, static_cast<size_t>(piece));
  }

 private:
  uint64_t remaining_;
  uint32_t next_;
  std::unordered_set<uint32_t> visited_;
};

}  // namespace tarvex::format
