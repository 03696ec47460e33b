#include "engine/jet_page_probe.h"

#include <algorithm>
#include <vector>

#include "format/data_page.h"
#include "format/database_header.h"
#include "format/long_value.h"
#include "format/page_type.h"
#include "format/table_definition.h"

namespace tarvex::engine {
namespace {

bool NamesEngine(format::Bytes page) {
  for (std::string_view name : {format::kJetEngineName, format::kAceEngineName})
    if (page.size() >= format::kEngineNameOffset + name.size() &&
        std::equal(name.begin(), name.end(), page.begin() + format::kEngineNameOffset))
      return true;
  return false;
}

// A definition longer than its first page ends early there; that is no damage.
bool DecodesAsDefinition(format::Bytes page, const format::JetLayout& layout) {
  const auto fault = format::DecodeTableDefinition(page, layout).fault;
  return fault == format::DefinitionFault::kNone || fault == format::DefinitionFault::kEndsEarly;
}

bool IsJetPage(format::Bytes page, const format::JetLayout& layout, uint64_t pageCount) {
  if (format::IsPageOfType(page, format::PageType::kHeader)) return NamesEngine(page);
  if (const auto data = format::DecodeDataPageHeader(page, layout))
    return data->owner != 0 && data->owner < pageCount;
  return format::IsPageOfType(page, format::PageType::kTableDefinition) &&
         DecodesAsDefinition(page, layout);
}

bool HoldsTogether(format::Bytes page, const format::JetLayout& layout, uint64_t pageCount) {
  const size_t signature = layout.tableDefSignatureLength;
  if (std::equal(page.begin(), page.begin() + static_cast<ptrdiff_t>(signature),
                 layout.tableDefSignature.begin())) {
    const uint8_t type = page[layout.tableTypeOffset];
    return (type == format::kSystemTableType || type == format::kUserTableType) &&
           DecodesAsDefinition(page, layout);
  }
  const auto data = format::DecodeDataPageHeader(page, layout);
  // A page of the other layout read in this one often counts no row where its own count is.
  if (!data || data->rowCount == 0 ||
      (data->owner >= pageCount && data->owner != format::kLongValuePageOwner))
    return false;
  format::RowSlotWalker rows(page, layout);
  for (uint32_t row = 0; row < rows.count(); ++row)
    if (!rows.Next().located) return false;
  return true;
}

// The pages probed: a first part that holds the system tables' pages, longer
// when damage leaves it without a page of either layout.
constexpr uint64_t kProbeBytes = uint64_t{1} << 20;
constexpr uint64_t kMaxProbeBytes = uint64_t{64} << 20;
constexpr uint32_t kConclusivePages = 4;

}  // namespace

bool HasJetPage(const std::filesystem::path& path) {
  CDBFileReader reader;
  CErrorHandler error;
  if (!reader.Open(path, error)) return false;
  const uint64_t size = reader.Size();
  std::vector<uint8_t> page(format::kJet4Layout.pageSize);
  for (uint64_t offset = 0; offset + format::kJet3Layout.pageSize <= size;
       offset += format::kJet4Layout.pageSize) {
    size_t got = 0;
    if (!reader.ReadAt(offset, page, error, &got)) return false;
    const format::Bytes bytes(page.data(), got);
    if (got == page.size() && IsJetPage(bytes, format::kJet4Layout, size / page.size()))
      return true;
    // A Jet 3 file's pages are half as long: both halves are pages of their own.
    for (size_t half = 0; half + format::kJet3Layout.pageSize <= got;
         half += format::kJet3Layout.pageSize)
      if (IsJetPage(bytes.subspan(half, format::kJet3Layout.pageSize), format::kJet3Layout,
                    size / format::kJet3Layout.pageSize))
        return true;
  }
  return false;
}

LayoutEvidence CountLayoutPages(CDBFileReader& file, uint64_t fileSize) {
  const auto& jet3 = format::kJet3Layout;
  const auto& jet4 = format::kJet4Layout;
  LayoutEvidence evidence;
  std::vector<uint8_t> page(jet4.pageSize);
  for (uint64_t offset = 0; offset + jet3.pageSize <= std::min(fileSize, kMaxProbeBytes);
       offset += jet4.pageSize) {
    if (offset >= kProbeBytes &&
        std::max(evidence.jet3Pages, evidence.jet4Pages) >= kConclusivePages)
      break;
    CErrorHandler error;
    size_t got = 0;
    if (!file.ReadAt(offset, page, error, &got)) continue;
    const format::Bytes bytes(page.data(), got);
    if (got == page.size() && HoldsTogether(bytes, jet4, fileSize / jet4.pageSize))
      ++evidence.jet4Pages;
    for (size_t half = 0; half + jet3.pageSize <= got; half += jet3.pageSize)
      if (HoldsTogether(bytes.subspan(half, jet3.pageSize), jet3, fileSize / jet3.pageSize))
        ++evidence.jet3Pages;
  }
  return evidence;
}

}  // namespace tarvex::engine
