#include "engine/definition_scan.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "engine/column_inference.h"
#include "engine/free_page_map.h"
#include "engine/record_extraction.h"
#include "engine/step_progress.h"
#include "format/table_definition_catalogue.h"

namespace tarvex::engine {
namespace {

bool OpenFile(CDBFileReader& reader, const std::filesystem::path& path) {
  CErrorHandler error;
  return reader.Open(path, error);
}

uint64_t CataloguePageOffset(const format::JetLayout& layout) {
  return layout.PageOffset(format::JetLayout::kCatalogueDefinitionPage);
}

bool StandsAlone(CDBFileReader& reader, uint64_t size, const format::JetLayout& layout,
                 uint64_t offset) {
  const auto decoded =
      format::DecodeTableDefinition(ReadDefinitionChain(reader, size, layout, offset), layout);
  return decoded.fault == format::DefinitionFault::kNone && !decoded.definition.columns.empty() &&
         decoded.definition.columns.size() == decoded.stored.columns;
}

// Whether the page's table type byte says system or user table.
bool HasTableType(CDBFileReader& reader, const format::JetLayout& layout, uint64_t offset) {
  std::array<uint8_t, 1> type{};
  return reader.ReadWhole(offset + layout.tableTypeOffset, type) &&
         (type[0] == format::kSystemTableType || type[0] == format::kUserTableType);
}

// A page with the definition signature whose table type byte is damaged is still a table's first
// definition page when the definition decodes whole from it: else one flipped byte would cost
// every row of the table. `header` holds the page's first bytes.
bool IsDefinitionPage(CDBFileReader& reader, uint64_t size, const format::JetLayout& layout,
                      uint64_t offset, format::Bytes header) {
  const size_t length = layout.tableDefSignatureLength;
  if (header.size() < length ||
      !std::equal(header.begin(), header.begin() + static_cast<long>(length),
                  layout.tableDefSignature.begin())) {
    return false;
  }
  return HasTableType(reader, layout, offset) || StandsAlone(reader, size, layout, offset);
}

// Finds the pages that start a table definition, keeping every header read when `heads` is given.
struct DefinitionPageSearch {
  const format::JetLayout& layout;
  uint64_t size;
  const FreePageMap& freePages;
  PageHeads* heads;
  model::Job& job;

  // Those among pages [first, end), in order; with `showCaption` the caption counts the pages
  // every search of the step has done.
  std::vector<uint64_t> Find(CDBFileReader& reader, uint64_t first, uint64_t end,
                             bool showCaption) const {
    std::vector<uint64_t> found;
    // The whole page header costs no more to read than the signature, and step 2 needs it too.
    std::vector<uint8_t> header(layout.pageHeaderLength);
    const uint64_t pages = size / layout.pageSize;
    for (uint64_t page = first; page < end; ++page) {
      job.progress().Step();
      const uint64_t offset = page * layout.pageSize;
      if (!freePages.IsFree(page)) {
        const bool read = reader.ReadWhole(offset, header);
        if (heads) read ? heads->Keep(page, header, layout) : heads->KeepFailed(page);
        if (read && offset != CataloguePageOffset(layout) &&
            IsDefinitionPage(reader, size, layout, offset, header))
          found.push_back(offset);
      }
      if (showCaption && CaptionDue(page - first, end - first)) {
        const auto done =
            std::min<uint64_t>(static_cast<uint64_t>(job.progress().Position()), pages);
        SetCaption(job, KilobyteCaption("(Step 1/4)Scanning file for table definition",
                                        done * layout.pageSize, size));
      }
      if (!job.Running()) break;
    }
    return found;
  }
};

// Below this many pages a helper would cost more than it saves.
constexpr uint64_t kPagesWorthAHelper = 512;

}  // namespace

bool ScanTableDefinitions(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  CDBFileReader reader;
  if (!context.job.Running() || !OpenFile(reader, context.definitionFile)) return false;
  const uint64_t size = reader.Size();
  const uint64_t pages = size / layout.pageSize;
  context.job.progress().Restart(2 * pages);
  // The catalogue is always present, whatever page 2 holds.
  model.tableList.Append(CataloguePageOffset(layout));
  // A freed page may still look like a definition: a dropped table's, or an old continuation.
  const FreePageMap freePages = FreePageMap::Read(reader, size, layout);
  PageHeads* heads = context.dataFile == context.definitionFile ? context.pageHeads : nullptr;
  if (context.pageHeads) context.pageHeads->Reset(heads ? pages : 0);
  const DefinitionPageSearch search{layout, size, freePages, heads, context.job};
  // A page costs a read and little else: a large file's second half goes to a helper with a
  // reader of its own, on the core the scan leaves idle.
  const uint64_t half = pages >= kPagesWorthAHelper ? pages / 2 : pages;
  std::vector<uint64_t> later;
  bool helperRead = false;
  std::thread helper;
  if (half < pages) {
    try {
      helper = std::thread([&] {
        CDBFileReader own;
        if (!OpenFile(own, context.definitionFile)) return;
        later = search.Find(own, half, pages, false);
        helperRead = true;
      });
    } catch (const std::system_error&) {
    }
  }
  std::vector<uint64_t> found = search.Find(reader, 0, half, true);
  if (helper.joinable()) helper.join();
  if (half < pages && !helperRead && context.job.Running())
    later = search.Find(reader, half, pages, false);
  if (context.job.Running() && pages > 0)
    SetCaption(context.job, KilobyteCaption("(Step 1/4)Scanning file for table definition",
                                            pages * layout.pageSize, size));
  found.insert(found.end(), later.begin(), later.end());
  for (const uint64_t offset : found) model.tableList.Append(offset);
  model.pagesFound.definitions = found.size();
  return true;
}

bool RemoveContinuationDefinitions(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  CDBFileReader reader;
  if (!context.job.Running() || !OpenFile(reader, context.definitionFile)) return false;
  const uint64_t size = reader.Size();
  if (size == 0) return false;
  // Every page some listed definition continues on is a continuation, not a table of its own.
  std::unordered_set<uint64_t> continuations;
  for (const auto& table : model.tableList) {
    if (!context.job.Running()) return false;
    const uint64_t offset = table->tableDefOffset;
    if (offset == 0) continue;
    std::array<uint8_t, sizeof(uint32_t)> next{};
    if (offset > size - std::min<uint64_t>(size, layout.tableDefNextPageOffset + next.size()))
      continue;
    CErrorHandler error;
    reader.ReadAt(offset + layout.tableDefNextPageOffset, next, error);
    continuations.insert(layout.PageOffset(*format::CDataReader::U32(next, 0)));
  }
  for (const auto& table : model.tableList) {
    // The catalogue's own definition is built in, so no damaged page can take it away.
    // A damaged next-page pointer may name another table's first page: a
    // definition that decodes whole from its own page stands on its own. A
    // page without a table type was taken only for decoding whole, as a
    // continuation may, so being one outweighs it.
    if (table->tableDefOffset != CataloguePageOffset(layout) &&
        continuations.contains(table->tableDefOffset) &&
        (!HasTableType(reader, layout, table->tableDefOffset) ||
         !StandsAlone(reader, size, layout, table->tableDefOffset))) {
      table->keep = false;
    }
  }
  if (context.job.Running()) model.tableList.Purge();
  return true;
}

bool ParseTableDefinitions(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  CDBFileReader reader;
  if (!context.job.Running() || !OpenFile(reader, context.definitionFile)) return false;
  const uint64_t size = reader.Size();
  if (size == 0) return false;
  const bool countTables = layout.version == format::JetVersion::kJet3;
  const uint16_t codePage = DatabaseCodePage(reader);
  if (countTables) {
    context.job.progress().SetMaximum(model.tableList.count());
    context.job.progress().SetPosition(0);
  }
  // Built in, so that a damaged page 2 cannot take the catalogue's rows.
  const auto catalogue = format::EncodeTableDefinition(format::CatalogueDefinition(layout), layout);
  for (const auto& table : model.tableList) {
    if (!context.job.Running()) break;
    if (countTables) context.job.progress().Step();
    if (table->tableDefOffset == CataloguePageOffset(layout)) {
      ParseDefinition(catalogue, layout, context.decodeJet3Name, *table);
      continue;
    }
    if (table->losses.definitionLost) {
      InferColumns(reader, layout, codePage, *table);
      continue;
    }
    const auto definition = ReadDefinitionChain(reader, size, layout, table->tableDefOffset);
    if (!definition.empty()) ParseDefinition(definition, layout, context.decodeJet3Name, *table);
  }
  if (countTables) FinishStep(context);
  return true;
}

bool SortColumns(const model::Job& job, model::CAccessData& model) {
  for (const auto& table : model.tableList) {
    if (!job.Running()) return false;
    table->columnList.SortByColumnNumber();
  }
  return true;
}

}  // namespace tarvex::engine
