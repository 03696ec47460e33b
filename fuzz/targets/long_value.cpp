// A memo's long value, both layouts: inline, in one LVAL row, or a chain of
// them, read by the scanner's long-value reader from a file in memory. Round
// trip: a value read whole, written again the way Access lays it out, reads
// back the same.
#include <sys/mman.h>
#include <unistd.h>

#include "engine/long_value_reader.h"
#include "format/data_page.h"
#include "format/long_value.h"
#include "format/row_pointer.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// A file in memory that the reader opens by its /proc path, as it opens any file.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("tarvex-fuzz", 0)) {
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  // Empties the file, then puts each page at its number's place.
  void Fill(const std::vector<fuzz::NumberedPage>& pages, size_t pageSize) {
    if (ftruncate(fd_, 0) != 0) std::abort();
    for (const auto& page : pages)
      if (pwrite(fd_, page.bytes.data(), page.bytes.size(),
                 static_cast<off_t>(uint64_t{page.number} * pageSize)) < 0)
        std::abort();
  }
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

struct ReadValue {
  std::optional<std::vector<uint8_t>> bytes;
  bool partial = false;
};

ReadValue ReadMemo(MemoryFile& file, const format::JetLayout& layout, format::Bytes header,
                   format::Bytes afterHeader) {
  engine::CDBFileReader reader;
  model::CErrorHandler error;
  if (!reader.Open(file.path(), error)) std::abort();
  engine::CLongValueReader values(reader, reader.Size(), layout);
  ReadValue out;
  out.bytes = values.MemoValue(header, afterHeader);
  out.partial = values.lastValuePartial();
  return out;
}

// The value laid out anew: its header, the bytes after it in the row, and its LVAL pages from
// page 1 on, one row each.
struct Written {
  std::array<uint8_t, format::kLongValueHeaderSize> header{};
  std::vector<uint8_t> afterHeader;
  std::vector<std::vector<uint8_t>> pages;
};

Written Write(const std::vector<uint8_t>& value, const format::JetLayout& layout) {
  Written out;
  const auto kind = format::LongValueKindFor(value.size(), true, layout);
  format::LongValueHeader header{static_cast<uint32_t>(value.size()), kind, 0};
  if (kind == format::LongValueKind::kInline) {
    out.afterHeader = value;
  } else if (kind == format::LongValueKind::kSingleRow) {
    format::DataPageBuilder page(layout, format::kLongValuePageOwner);
    page.Add(value);
    out.pages.push_back(page.bytes());
    header.firstRow = format::RowPointer{1, 0}.ToU32();
  } else {
    const size_t piece = layout.longValueRowMax - format::kLongValueLinkSize;
    const size_t count = (value.size() + piece - 1) / piece;
    std::vector<uint8_t> row;
    for (size_t i = 0; i < count; ++i) {
      const uint32_t next = i + 1 < count ? format::RowPointer{static_cast<uint32_t>(i + 2), 0}.ToU32() : 0;
      const size_t at = i * piece;
      format::EncodeLongValueChainRow(
          next, format::Bytes(value).subspan(at, std::min(piece, value.size() - at)), row);
      format::DataPageBuilder page(layout, format::kLongValuePageOwner);
      page.Add(row);
      out.pages.push_back(page.bytes());
    }
    header.firstRow = format::RowPointer{1, 0}.ToU32();
  }
  out.header = format::EncodeLongValueHeader(header);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryFile file;
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const size_t afterLength = in.Byte();
  const format::Bytes header = in.Take(format::kLongValueHeaderSize);
  const format::Bytes afterHeader = in.Take(afterLength);
  file.Fill(fuzz::ReadNumberedPages(in, layout.pageSize), layout.pageSize);

  const auto read = ReadMemo(file, layout, header, afterHeader);
  if (!read.bytes) return 0;
  const auto decoded = format::DecodeLongValueHeader(header);
  FUZZ_CHECK(decoded && read.bytes->size() <= decoded->length);
  if (read.partial) return 0;
  FUZZ_CHECK(read.bytes->size() == decoded->length);
  FUZZ_CHECK(format::DecodeLongValueHeader(format::EncodeLongValueHeader(*decoded)) == decoded);

  const auto written = Write(*read.bytes, layout);
  std::vector<fuzz::NumberedPage> pages;
  for (size_t i = 0; i < written.pages.size(); ++i)
    pages.push_back({static_cast<uint32_t>(i + 1), written.pages[i]});
  file.Fill(pages, layout.pageSize);
  const auto again = ReadMemo(file, layout, written.header, written.afterHeader);
  FUZZ_CHECK(!again.partial && again.bytes == read.bytes);
  return 0;
}
