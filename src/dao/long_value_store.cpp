#include "dao/long_value_store.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "format/long_value.h"

namespace tarvex::dao {

using format::LongValueKind;

LongValueStore::LongValueStore(PageFile& file, PageSet ownedPages, PageSet freePages)
    : file_(file), owned_(std::move(ownedPages)), free_(std::move(freePages)) {}

format::RowPointer LongValueStore::AddRow(std::span<const uint8_t> row) {
  if (!page_ || !page_->CanAdd(row.size())) {
    Flush();
    page_.emplace(file_.layout(), format::kLongValuePageOwner);
    pageNumber_ = file_.Allocate();
    owned_.Add(pageNumber_);
  }
  return {pageNumber_, page_->Add(row)};
}

std::vector<uint8_t> LongValueStore::Store(std::span<const uint8_t> data, bool inlineAllowed) {
  if (data.size() > format::kLongValueMaxLength)
    throw DaoException("The value is too long to store.");
  const auto kind = format::LongValueKindFor(data.size(), inlineAllowed, file_.layout());
  uint32_t firstRow = 0;
  if (kind == LongValueKind::kSingleRow) firstRow = AddRow(data).ToU32();
  if (kind == LongValueKind::kChain) {
    // Rows as long as a row may be; the last piece first, so that each row can name the next.
    const size_t pieceMax = file_.layout().longValueRowMax - format::kLongValueLinkSize;
    std::vector<uint8_t> row;
    for (size_t i = (data.size() + pieceMax - 1) / pieceMax; i-- > 0;) {
      const size_t first = i * pieceMax;
      format::EncodeLongValueChainRow(
          firstRow, data.subspan(first, std::min(pieceMax, data.size() - first)), row);
      firstRow = AddRow(row).ToU32();
    }
  }
  const auto header =
      format::EncodeLongValueHeader({static_cast<uint32_t>(data.size()), kind, firstRow});
  std::vector<uint8_t> bytes(header.begin(), header.end());
  if (kind == LongValueKind::kInline) bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

void LongValueStore::Flush() {
  if (page_) file_.Write(pageNumber_, page_->bytes());
}

PageSet LongValueStore::FreePages() const {
  PageSet pages = free_;
  if (page_) pages.Set(pageNumber_, page_->WorthFilling());
  return pages;
}

}  // namespace tarvex::dao
