#include "format/index_page.h"

#include <algorithm>

#include "format/page_type.h"

namespace tarvex::format {
namespace {

void AppendBigEndian(std::vector<uint8_t>& out, uint32_t value, size_t bytes) {
  for (size_t i = bytes; i-- > 0;) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

size_t MinimumEntryLength(bool leaf) {
  return leaf ? kIndexRowPointerSize : kIndexRowPointerSize + kIndexChildPointerSize;
}

}  // namespace

std::optional<IndexPage> DecodeIndexPage(Bytes page, const JetLayout& layout) {
  if (page.size() != layout.pageSize ||
      !(IsPageOfType(page, PageType::kIndexLeaf) || IsPageOfType(page, PageType::kIndexNode)))
    return std::nullopt;
  IndexPage out;
  out.leaf = IsPageOfType(page, PageType::kIndexLeaf);
  out.owner = *CDataReader::U32(page, layout.dataPageOwnerOffset);
  out.previous = *CDataReader::U32(page, layout.indexPreviousPageOffset);
  out.next = *CDataReader::U32(page, layout.indexNextPageOffset);
  out.tail = *CDataReader::U32(page, layout.indexTailPageOffset);
  out.prefixLength = layout.indexPrefixLengthSize == 1
                         ? page[layout.indexPrefixLengthOffset]
                         : *CDataReader::U16(page, layout.indexPrefixLengthOffset);
  out.nodeMarker = page[layout.indexNodeMarkerOffset] != 0;

  const size_t capacity = IndexPageCapacity(layout);
  const size_t maskBits = (layout.indexEntriesOffset - layout.indexEntryMaskOffset) * 8;
  const Bytes area = page.subspan(layout.indexEntriesOffset);
  size_t start = 0;
  for (size_t end = 1; end <= std::min(capacity, maskBits - 1); ++end) {
    if (!(page[layout.indexEntryMaskOffset + end / 8] >> (end % 8) & 1)) continue;
    std::vector<uint8_t> entry;
    if (!out.entries.empty()) {
      if (out.prefixLength > out.entries.front().size()) {
        out.fault = IndexPageFault::kPrefixTooLong;
        break;
      }
      const auto& first = out.entries.front();
      entry.assign(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(out.prefixLength));
    }
    entry.insert(entry.end(), area.begin() + static_cast<std::ptrdiff_t>(start),
                 area.begin() + static_cast<std::ptrdiff_t>(end));
    if (entry.size() < MinimumEntryLength(out.leaf)) {
      out.fault = IndexPageFault::kShortEntry;
      break;
    }
    out.entries.push_back(std::move(entry));
    start = end;
  }
  return out;
}

bool EncodeIndexPage(const IndexPage& in, const JetLayout& layout, std::span<uint8_t> page) {
  std::fill(page.begin(), page.end(), 0);
  PutPageType(page, in.leaf ? PageType::kIndexLeaf : PageType::kIndexNode);
  PutU32(page, layout.dataPageOwnerOffset, in.owner);
  PutU32(page, layout.indexPreviousPageOffset, in.previous);
  PutU32(page, layout.indexNextPageOffset, in.next);
  PutU32(page, layout.indexTailPageOffset, in.tail);
  if (layout.indexPrefixLengthSize == 1)
    page[layout.indexPrefixLengthOffset] = static_cast<uint8_t>(in.prefixLength);
  else
    PutU16(page, layout.indexPrefixLengthOffset, static_cast<uint16_t>(in.prefixLength));
  page[layout.indexNodeMarkerOffset] = in.nodeMarker;

  const size_t capacity = IndexPageCapacity(layout);
  size_t at = 0;
  for (size_t i = 0; i < in.entries.size(); ++i) {
    const size_t skip = i == 0 ? 0 : in.prefixLength;
    const auto& entry = in.entries[i];
    if (skip >= entry.size() || entry.size() - skip > capacity - at) return false;
    std::copy(entry.begin() + static_cast<std::ptrdiff_t>(skip), entry.end(),
              page.begin() + static_cast<std::ptrdiff_t>(layout.indexEntriesOffset + at));
    at += entry.size() - skip;
    page[layout.indexEntryMaskOffset + at / 8] |= static_cast<uint8_t>(1u << (at % 8));
  }
  PutU16(page, kPageFreeSpaceOffset, static_cast<uint16_t>(capacity - at));
  return true;
}

void AppendIndexRowPointer(std::vector<uint8_t>& entry, uint32_t page, uint8_t row) {
  AppendBigEndian(entry, page, 3);
  entry.push_back(row);
}

void AppendIndexChildPage(std::vector<uint8_t>& entry, uint32_t child) {
  AppendBigEndian(entry, child, kIndexChildPointerSize);
}

uint32_t IndexChildPage(Bytes entry) {
  const Bytes tail = entry.last(kIndexChildPointerSize);
  return uint32_t{tail[0]} << 24 | uint32_t{tail[1]} << 16 | uint32_t{tail[2]} << 8 | tail[3];
}

RowPointer IndexEntryRow(Bytes entry) {
  const Bytes tail = entry.last(kIndexRowPointerSize);
  return {uint32_t{tail[0]} << 16 | uint32_t{tail[1]} << 8 | tail[2], tail[3]};
}

}  // namespace tarvex::format
