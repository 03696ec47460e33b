#include "engine/page_heads.h"

#include <algorithm>

#include "format/data_page.h"

namespace tarvex::engine {

namespace {

constexpr uint64_t kMostPagesKept = uint64_t{1} << 20;

}  // namespace

void PageHeads::Reset(uint64_t pages) {
  heads_.clear();
  heads_.shrink_to_fit();
  heads_.resize(std::min(pages, kMostPagesKept));
}

PageHead PageHead::Of(format::Bytes header, const format::JetLayout& layout) {
  return {format::CDataReader::I32(header, layout.dataPageOwnerOffset).value_or(0), Read::kDone,
          format::IsDataPage(header, layout)};
}

void PageHeads::Keep(uint64_t page, format::Bytes header, const format::JetLayout& layout) {
  if (page < heads_.size()) heads_[page] = PageHead::Of(header, layout);
}

void PageHeads::KeepFailed(uint64_t page) {
  if (page < heads_.size()) heads_[page].read = PageHead::Read::kFailed;
}

}  // namespace tarvex::engine
