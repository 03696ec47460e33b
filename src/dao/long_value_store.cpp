#include "dao/long_value_store.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/jet4_constants.h"
#include "format/data_reader.h"

namespace tarvex::dao {
namespace {

constexpr size_t kNextPointerLength = 4;

std::vector<uint8_t> Header(uint32_t lengthAndKind, RowPointer first) {
  std::vector<uint8_t> header(jet4::kLongValueHeaderLength, 0);
  format::PutU32(header, 0, lengthAndKind);
  format::PutU32(header, 4, first.ToU32());
  return header;
}

}  // namespace

LongValueStore::LongValueStore(PageFile& file, PageSet ownedPages, PageSet freePages)
    : file_(file), owned_(std::move(ownedPages)), free_(std::move(freePages)) {}

RowPointer LongValueStore::AddRow(std::span<const uint8_t> row) {
  if (!page_ || !page_->CanAdd(row.size())) {
    Flush();
    page_.emplace(jet4::kLongValuePageOwner);
    pageNumber_ = file_.Allocate();
    owned_.Add(pageNumber_);
  }
  return {pageNumber_, page_->Add(row)};
}

std::vector<uint8_t> LongValueStore::Store(std::span<const uint8_t> data, bool inlineAllowed) {
  if (data.size() > jet4::kLongValueLengthMask)
    throw DaoException("The value is too long to store.");
  auto length = static_cast<uint32_t>(data.size());
  if (inlineAllowed && data.size() <= jet4::kLongValueInlineMax) {
    auto header = Header(length | jet4::kLongValueInlineFlag, {});
    header.insert(header.end(), data.begin(), data.end());
    return header;
  }
  if (data.size() <= jet4::kLongValueSingleRowMax)
    return Header(length | jet4::kLongValueSingleRowFlag, AddRow(data));
  // A chain: place the last piece first, so each row can name the next.
  size_t pieces = (data.size() + jet4::kLongValueChunkMax - 1) / jet4::kLongValueChunkMax;
  RowPointer next{};
  std::vector<uint8_t> row;
  for (size_t i = pieces; i-- > 0;) {
    size_t first = i * jet4::kLongValueChunkMax;
    size_t size = std::min(jet4::kLongValueChunkMax, data.size() - first);
    row.assign(kNextPointerLength, 0);
    format::PutU32(row, 0, next.ToU32());
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(first),
               data.begin() + static_cast<std::ptrdiff_t>(first + size));
    next = AddRow(row);
  }
  return Header(length, next);
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
