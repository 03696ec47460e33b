#pragma once
// What the data-page scan needs of each page's header, kept by the definition
// scan as it reads every page: where both scans read the same file, the second
// then reads no page the first has read already.
#include <cstdint>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::engine {

struct PageHead {
  enum class Read : uint8_t { kUnknown, kFailed, kDone };
  int32_t owner = 0;  // as a data page names it
  Read read = Read::kUnknown;
  bool dataPage = false;  // whether it has the data-page signature

  // Of a page whose first page-header-length bytes, read whole, are `header`.
  static PageHead Of(format::Bytes header, const format::JetLayout& layout);
};

class PageHeads {
 public:
  // Forgets every page, and makes room for a file of `pages` pages. Access files
  // stay under 2 GB; pages beyond that many are not kept, so that a larger file
  // (a disk image, say) costs the scan no more memory.
  void Reset(uint64_t pages);
  // Keeps page `page`'s header, `header` being its first page-header-length bytes.
  void Keep(uint64_t page, format::Bytes header, const format::JetLayout& layout);
  // Keeps that page `page`'s header could not be read.
  void KeepFailed(uint64_t page);
  // Of page `page`: kUnknown unless it was kept.
  PageHead At(uint64_t page) const { return page < heads_.size() ? heads_[page] : PageHead{}; }

 private:
  std::vector<PageHead> heads_;
};

}  // namespace tarvex::engine
