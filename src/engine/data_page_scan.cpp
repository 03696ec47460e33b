#include "engine/data_page_scan.h"

#include <algorithm>
#include <unordered_map>

#include "engine/free_page_map.h"
#include "engine/job_status.h"
#include "engine/step_progress.h"
#include "format/data_page.h"

namespace tarvex::engine {
namespace {

using format::CDataReader;

// Answers whether the definition file has a table definition at a page, reading each page once.
class OwnerCheck {
 public:
  OwnerCheck(CDBFileReader& definitions, const format::JetLayout& layout)
      : definitions_(definitions), layout_(layout) {}

  bool IsDefinition(uint32_t page) {
    auto [found, inserted] = known_.try_emplace(page, false);
    if (inserted) {
      std::array<uint8_t, 2> signature{};
      found->second = definitions_.ReadWhole(layout_.PageOffset(page), signature) &&
                      signature[0] == layout_.tableDefSignature[0] &&
                      signature[1] == layout_.tableDefSignature[1];
    }
    return found->second;
  }

 private:
  CDBFileReader& definitions_;
  const format::JetLayout& layout_;
  std::unordered_map<uint32_t, bool> known_;
};

}  // namespace

bool ScanDataPages(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  if (!Repairing()) return true;
  CDBFileReader data;
  CDBFileReader separateDefinitions;
  CErrorHandler error;
  if (!data.Open(context.dataFile, error)) return true;
  CDBFileReader* definitions = &data;
  if (context.definitionFile != context.dataFile) {
    if (!separateDefinitions.Open(context.definitionFile, error)) return true;
    definitions = &separateDefinitions;
  }
  OwnerCheck owners(*definitions, layout);
  const uint64_t size = data.Size();
  const uint64_t pages = size / layout.pageSize;
  const FreePageMap freePages = FreePageMap::Read(data, size, layout);
  std::vector<uint8_t> header(layout.pageHeaderLength);
  for (uint64_t page = 0; page < pages; ++page) {
    ProgressStatus().Step();
    const uint64_t offset = page * layout.pageSize;
    // Each page is read on its own, so that one that cannot be read costs nothing more.
    const bool read = freePages.IsFree(page) || data.ReadWhole(offset, header);
    if (!read) model.unreadablePages.push_back(offset);
    if (read && !freePages.IsFree(page) && format::IsDataPage(header, layout)) {
      const int32_t owner = *CDataReader::I32(header, layout.dataPageOwnerOffset);
      const bool plausible = owner > 0 && static_cast<uint64_t>(owner) < pages;
      if (plausible &&
          (owner == static_cast<int32_t>(format::JetLayout::kCatalogueDefinitionPage) ||
           owners.IsDefinition(static_cast<uint32_t>(owner)))) {
        model.tableList.AppendDataPage(layout.PageOffset(static_cast<uint32_t>(owner)), offset);
      }
    }
    SetCaption(
        KilobyteCaption("(Step 2/4)Scanning file for table data", offset + layout.pageSize, size));
    if (!Repairing()) break;
  }
  FinishStep(context.settings);
  return true;
}

}  // namespace tarvex::engine
