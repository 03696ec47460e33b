#include "engine/jet_page_probe.h"

#include <algorithm>
#include <vector>

#include "engine/db_file_reader.h"
#include "format/data_page.h"
#include "format/database_header.h"
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

bool IsJetPage(format::Bytes page, const format::JetLayout& layout, uint64_t pageCount) {
  if (format::IsPageOfType(page, format::PageType::kHeader)) return NamesEngine(page);
  if (const auto data = format::DecodeDataPageHeader(page, layout))
    return data->owner != 0 && data->owner < pageCount;
  if (!format::IsPageOfType(page, format::PageType::kTableDefinition)) return false;
  // A definition longer than its first page ends early here; that is no damage.
  const auto fault = format::DecodeTableDefinition(page, layout).fault;
  return fault == format::DefinitionFault::kNone || fault == format::DefinitionFault::kEndsEarly;
}

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

}  // namespace tarvex::engine
