#include "engine/data_page_scan.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <unordered_map>

#include "engine/free_page_map.h"
#include "engine/step_progress.h"
#include "engine/table_definition.h"
#include "format/data_page.h"
#include "format/long_value.h"
#include "format/page_type.h"
#include "format/table_definition.h"

namespace tarvex::engine {
namespace {

// Answers whether the definition file has a table definition at a page, and
// whether that table's owned-pages map marks a page, reading each once.
class OwnerCheck {
 public:
  // `data` is given when the definitions are the data file's own, so that
  // their owned-pages maps describe its pages.
  OwnerCheck(CDBFileReader& definitions, CDBFileReader* data, uint64_t size,
             const format::JetLayout& layout)
      : definitions_(definitions), data_(data), size_(size), layout_(layout) {}

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

  // Whether the page a data page names as owner is no page of any kind (zeroed
  // or overwritten): the table's definition was lost there.
  bool IsLost(uint32_t page) {
    auto [found, inserted] = lost_.try_emplace(page, false);
    if (inserted) {
      std::array<uint8_t, 2> type{};
      found->second =
          definitions_.ReadWhole(layout_.PageOffset(page), type) && !format::IsPageOfAnyType(type);
    }
    return found->second;
  }

  bool Owns(uint32_t owner, uint64_t page) {
    if (!data_) return false;
    const auto& owned = OwnedPages(owner);
    return page < owned.size() && owned[page];
  }

  // The one table whose owned-pages map lists the page; nothing when none or several do.
  std::optional<uint32_t> ClaimedBy(uint64_t page, const model::CAccessTableList& tables) {
    if (!data_) return std::nullopt;
    if (!claimsRead_) {
      claimsRead_ = true;
      for (const auto& table : tables) {
        const auto owner = static_cast<uint32_t>(table->tableDefOffset / layout_.pageSize);
        const auto& owned = OwnedPages(owner);
        for (uint64_t p = 0; p < owned.size(); ++p)
          if (owned[p]) {
            const auto [claim, first] = claims_.try_emplace(p, owner);
            if (!first && claim->second != owner) claim->second = kClaimedTwice;
          }
      }
    }
    const auto found = claims_.find(page);
    if (found == claims_.end() || found->second == kClaimedTwice) return std::nullopt;
    return found->second;
  }

 private:
  // The pages the table defined at `owner` says it owns, read once.
  const std::vector<bool>& OwnedPages(uint32_t owner) {
    auto [found, inserted] = owned_.try_emplace(owner);
    if (inserted) {
      const auto definition =
          ReadDefinitionChain(definitions_, size_, layout_, layout_.PageOffset(owner));
      const uint32_t map = format::DecodeTableDefinition(definition, layout_).definition.ownedMap;
      if (map)
        found->second = ReadUsageMapPages(*data_, size_, layout_, format::RowPointer::FromU32(map));
    }
    return found->second;
  }

  CDBFileReader& definitions_;
  CDBFileReader* data_;
  uint64_t size_;
  const format::JetLayout& layout_;
  std::unordered_map<uint32_t, bool> known_;
  std::unordered_map<uint32_t, bool> lost_;
  std::unordered_map<uint32_t, std::vector<bool>> owned_;
  static constexpr uint32_t kClaimedTwice = UINT32_MAX;
  bool claimsRead_ = false;
  std::unordered_map<uint64_t, uint32_t> claims_;  // page -> the definition page whose map lists it
};

// A page whose signature is damaged is still a data page when its offset
// table places every row it counts. A page that says it is a definition,
// index or bitmap page is taken at its word.
bool RowsAgree(CDBFileReader& data, uint64_t offset, const format::JetLayout& layout) {
  std::vector<uint8_t> page(layout.pageSize);
  if (!data.ReadWhole(offset, page)) return false;
  using format::PageType;
  for (PageType other : {PageType::kTableDefinition, PageType::kIndexNode, PageType::kIndexLeaf,
                         PageType::kUsageMapBitmap})
    if (format::IsPageOfType(page, other) && page[1] == format::kPageTypeMarker) return false;
  format::RestoreDataPageSignature(page, layout);
  format::RowSlotWalker rows(page, layout);
  if (rows.count() == 0) return false;
  for (uint32_t row = 0; row < rows.count(); ++row) {
    const format::RowSlot slot = rows.Next();
    if (!slot.deleted && !slot.located) return false;
  }
  return true;
}

}  // namespace

bool ScanDataPages(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  if (!context.job.Running()) return true;
  CDBFileReader data;
  CDBFileReader separateDefinitions;
  CErrorHandler error;
  if (!data.Open(context.dataFile, error)) return true;
  CDBFileReader* definitions = &data;
  if (context.definitionFile != context.dataFile) {
    if (!separateDefinitions.Open(context.definitionFile, error)) return true;
    definitions = &separateDefinitions;
  }
  const uint64_t size = data.Size();
  OwnerCheck owners(*definitions, definitions == &data ? &data : nullptr, size, layout);
  // A file cut short may end inside a page whose first rows survive.
  const uint64_t pages = (size + layout.pageSize - 1) / layout.pageSize;
  const FreePageMap freePages = FreePageMap::Read(data, size, layout);
  // Step 1 read the headers already where it read this file.
  const PageHeads* kept = definitions == &data ? context.pageHeads : nullptr;
  std::vector<uint8_t> header(layout.pageHeaderLength);
  model.pagesFound.pages = pages;
  for (uint64_t page = 0; page < pages; ++page) {
    context.job.progress().Step();
    const uint64_t offset = page * layout.pageSize;
    PageHead head = kept ? kept->At(page) : PageHead{};
    if (head.read == PageHead::Read::kUnknown && !freePages.IsFree(page)) {
      // Each page is read on its own, so that one that cannot be read costs nothing more.
      if (data.ReadWhole(offset, header))
        head = PageHead::Of(header, layout);
      else
        head.read = PageHead::Read::kFailed;
    }
    if (head.read == PageHead::Read::kFailed) model.unreadablePages.push_back(offset);
    if (head.read == PageHead::Read::kDone && head.dataPage) ++model.pagesFound.dataPages;
    if (head.read == PageHead::Read::kDone && !freePages.IsFree(page)) {
      const int32_t owner = head.owner;
      const bool plausible =
          owner > 0 && static_cast<uint64_t>(owner) < pages &&
          (owner == static_cast<int32_t>(format::JetLayout::kCatalogueDefinitionPage) ||
           owners.IsDefinition(static_cast<uint32_t>(owner)));
      // A damaged signature costs no rows when the owner's map and the page's offset table agree.
      const bool dataPage = head.dataPage;
      if (plausible && (dataPage || (owners.Owns(static_cast<uint32_t>(owner), page) &&
                                     RowsAgree(data, offset, layout)))) {
        model.tableList.AppendDataPage(layout.PageOffset(static_cast<uint32_t>(owner)), offset);
      } else if (!plausible && dataPage &&
                 static_cast<uint32_t>(owner) != format::kLongValuePageOwner) {
        // Nor does a damaged owner, when one table's map lists the page and its offset table
        // agrees. Rows whose definition was lost still come back, their columns read from the
        // rows; a template's definitions describe the data file's tables instead.
        const auto claimant = owners.ClaimedBy(page, model.tableList);
        if (claimant && RowsAgree(data, offset, layout))
          model.tableList.AppendDataPage(layout.PageOffset(*claimant), offset);
        else if (!claimant && definitions == &data && owner > 0 &&
                 static_cast<uint64_t>(owner) < pages &&
                 owners.IsLost(static_cast<uint32_t>(owner)) && RowsAgree(data, offset, layout))
          model.tableList.AppendPageOfLostDefinition(
              layout.PageOffset(static_cast<uint32_t>(owner)), offset);
      }
    }
    if (CaptionDue(page, pages))
      SetCaption(context.job, KilobyteCaption("(Step 2/4)Scanning file for table data",
                                              offset + layout.pageSize, size));
    if (!context.job.Running()) break;
  }
  FinishStep(context);
  return true;
}

}  // namespace tarvex::engine
