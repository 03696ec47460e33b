#include "engine/long_value_reader.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "format/data_page.h"
#include "format/row_pointer.h"
#include "format/value_text.h"
#include "model/working_folder.h"

namespace tarvex::engine {
namespace {

using format::Bytes;
using format::CDataReader;
using format::LongValueHeader;
using format::LongValueKind;

std::vector<uint8_t> PathValue(const std::filesystem::path& path) {
  return format::TextToUtf16LeBytes(path.u16string());
}

}  // namespace

// An OLE object file being written: removed again unless the value is kept.
class CLongValueReader::OleFile {
 public:
  explicit OleFile(std::filesystem::path path)
      : path_(std::move(path)), file_(std::fopen(path_.c_str(), "wb")) {}
  OleFile(const OleFile&) = delete;
  OleFile& operator=(const OleFile&) = delete;
  ~OleFile() {
    if (file_) std::fclose(file_);
    std::error_code ignored;
    if (!kept_) std::filesystem::remove(path_, ignored);
  }

  bool Write(Bytes bytes) {
    if (!file_) return false;
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  // Closes the file and keeps it: the value is its path. Nothing (and the file goes) when
  // anything written was lost.
  std::optional<std::vector<uint8_t>> Keep() {
    if (!file_) return std::nullopt;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) return std::nullopt;
    kept_ = true;
    return PathValue(path_);
  }

 private:
  std::filesystem::path path_;
  std::FILE* file_;
  bool kept_ = false;
};

CLongValueReader::CLongValueReader(CDBFileReader& file, uint64_t fileSize,
                                   const format::JetLayout& layout, std::atomic<int>* oleNumbers)
    : file_(file),
      fileSize_(fileSize),
      layout_(layout),
      page_(layout.pageSize),
      oleNumbers_(oleNumbers ? oleNumbers : &ownOleNumbers_) {}

std::optional<std::vector<uint8_t>> CLongValueReader::MemoValue(Bytes header, Bytes afterHeader) {
  std::vector<uint8_t> value;
  if (!MemoValueInto(header, afterHeader, value)) return std::nullopt;
  return value;
}

bool CLongValueReader::MemoValueInto(Bytes header, Bytes afterHeader, std::vector<uint8_t>& value) {
  partial_ = false;
  value.clear();
  const auto fields = format::DecodeLongValueHeader(header);
  if (!fields) return false;
  if (fields->kind != LongValueKind::kChain) {
    const auto data = fields->kind == LongValueKind::kInline ? InlineBytes(*fields, afterHeader)
                                                             : SingleRowBytes(*fields);
    if (data) value.assign(data->begin(), data->end());
    return data.has_value();
  }
  return WalkChain(*fields, true, [&value](Bytes segment) {
    value.insert(value.end(), segment.begin(), segment.end());
    return true;
  });
}

std::optional<std::vector<uint8_t>> CLongValueReader::OleValue(Bytes header, Bytes afterHeader) {
  partial_ = false;
  const auto fields = format::DecodeLongValueHeader(header);
  if (!fields) return std::nullopt;
  if (fields->kind == LongValueKind::kInline) return OleInline(*fields, afterHeader);
  if (fields->kind == LongValueKind::kSingleRow) return OleSingleRow(*fields);
  return OleChain(*fields);
}

std::optional<std::vector<uint8_t>> CLongValueReader::EmptyOleValue() {
  partial_ = false;
  OleFile file(NewOleFilePath(""));
  return file.Keep();
}

// Inline data whose length runs past the row is cut to the row and flagged partial (zeros
// would pass for data); a length of a page or more cannot lie in a row, so the header is
// damaged and the value absent.
std::optional<Bytes> CLongValueReader::InlineBytes(const LongValueHeader& header,
                                                   Bytes afterHeader) {
  if (header.length >= layout_.pageSize) return std::nullopt;
  const auto data = afterHeader.first(std::min<size_t>(afterHeader.size(), header.length));
  partial_ = data.size() < header.length;
  return data;
}

// The header's length of the row's bytes, or the whole row when it is shorter.
std::optional<Bytes> CLongValueReader::SingleRowBytes(const LongValueHeader& header) {
  const auto first = format::RowPointer::FromU32(header.firstRow);
  if (!ReadPage(first.page) || !format::IsDataPage(page_, layout_)) return std::nullopt;
  const auto row = RowBytes(first.row);
  if (!row) return std::nullopt;
  const auto data = row->first(std::min<size_t>(row->size(), header.length));
  partial_ = data.size() < header.length;
  return data;
}

// Follows the chain until the header's length is gathered, the links end, or a
// page lies outside the file or comes round again; then the value is what was
// gathered. A page that is not a data page makes the whole value absent; so does
// a row without data unless `keepPartial` (memo text cut short still helps).
template <typename Take>
bool CLongValueReader::WalkChain(const LongValueHeader& header, bool keepPartial, Take take) {
  format::LongValueChain chain(header);
  while (const auto at = chain.Next()) {
    const auto pointer = format::RowPointer::FromU32(*at);
    if (!ReadPage(pointer.page)) break;
    if (!format::IsDataPage(page_, layout_)) return false;
    const auto row = RowBytes(pointer.row);
    const auto segment = row ? chain.Take(*row) : std::nullopt;
    if (!segment || (!keepPartial && segment->empty())) {
      partial_ = keepPartial;
      return keepPartial;
    }
    if (!take(*segment)) return false;
  }
  partial_ = !chain.complete();
  return true;
}

// An inline length of 0 is an empty object, not a null one: it gets an empty file.
std::optional<std::vector<uint8_t>> CLongValueReader::OleInline(const LongValueHeader& header,
                                                                Bytes afterHeader) {
  const auto data = InlineBytes(header, afterHeader);
  if (!data) return std::nullopt;
  OleFile file(NewOleFilePath(""));
  if (!file.Write(*data)) return std::nullopt;
  return file.Keep();
}

std::optional<std::vector<uint8_t>> CLongValueReader::OleSingleRow(const LongValueHeader& header) {
  OleFile file(NewOleFilePath(layout_.version == format::JetVersion::kJet3 ? "1_" : ""));
  const auto data = SingleRowBytes(header);
  if (!data || data->empty() || !file.Write(*data)) return std::nullopt;
  return file.Keep();
}

std::optional<std::vector<uint8_t>> CLongValueReader::OleChain(const LongValueHeader& header) {
  if (!PageLiesInFile(format::RowPointer::FromU32(header.firstRow).page)) return std::nullopt;
  OleFile file(NewOleFilePath("ole_temp_"));
  if (!WalkChain(header, false, [&file](Bytes segment) { return file.Write(segment); })) {
    return std::nullopt;
  }
  return file.Keep();
}

bool CLongValueReader::PageLiesInFile(uint32_t page) const {
  const uint64_t offset = layout_.PageOffset(page);
  return offset <= fileSize_ && layout_.pageSize <= fileSize_ - offset;
}

bool CLongValueReader::ReadPage(uint32_t page) {
  if (pageHeld_ == page) return true;
  pageHeld_.reset();
  if (!PageLiesInFile(page) || !file_.ReadWhole(layout_.PageOffset(page), page_)) return false;
  pageHeld_ = page;
  return true;
}

std::optional<Bytes> CLongValueReader::RowBytes(uint8_t row) const {
  const auto slot = format::LocateRow(page_, layout_, row);
  if (!slot) return std::nullopt;
  return slot->Of(page_);
}

std::filesystem::path CLongValueReader::NewOleFilePath(const char* prefix) {
  return model::WorkingFolder::Path() / (prefix + std::to_string((*oleNumbers_)++) + ".Ole");
}

}  // namespace tarvex::engine
