// Seed corpora for the fuzz targets, cut from real Access files: page 0, page
// headers, table definitions with their continuation pages, data pages and
// their rows with the columns of their tables, values of every type, memo
// chains, usage maps, index pages and property blobs; query rows and SQL from
// the ground-truth dumps beside the files. One folder per target.
//   fuzz_seed_maker OUTPUT_DIR FILE...
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "format/data_page.h"
#include "format/database_header.h"
#include "format/property_blob.h"
#include "format/long_value.h"
#include "format/page_type.h"
#include "format/row_pointer.h"
#include "format/saved_query.h"
#include "format/table_definition.h"
#include "format/usage_map.h"
#include "structure_input.h"

namespace fs = std::filesystem;
using namespace tarvex;
using format::Bytes;

namespace {

// Enough of each structure from each file, and no more: the corpus stays quick to load.
constexpr size_t kMostSeedsPerFile = 24;
constexpr size_t kWholeFileHead = 131072;

class SeedWriter {
 public:
  SeedWriter(fs::path out, std::string file) : out_(std::move(out)), file_(std::move(file)) {}
  void Add(const std::string& target, const std::vector<uint8_t>& bytes) {
    auto& count = counts_[target];
    if (count >= kMostSeedsPerFile) return;
    fs::create_directories(out_ / target);
    std::ofstream(out_ / target / (file_ + "-" + std::to_string(count++)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  bool Full(const std::string& target) { return counts_[target] >= kMostSeedsPerFile; }

 private:
  fs::path out_;
  std::string file_;
  std::map<std::string, size_t> counts_;
};

std::vector<uint8_t> Prefixed(std::initializer_list<uint8_t> prefix, Bytes bytes) {
  std::vector<uint8_t> out(prefix);
  out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

class FileSeeds {
 public:
  FileSeeds(const std::vector<uint8_t>& file, SeedWriter& seeds)
      : file_(file),
        seeds_(seeds),
        layout_(file.size() > format::kVersionOffset &&
                        file[format::kVersionOffset] == 0
                    ? format::kJet3Layout
                    : format::kJet4Layout),
        selector_(fuzz::LayoutSelector(layout_)),
        pages_(static_cast<uint32_t>(file.size() / layout_.pageSize)) {}

  void Make() {
    seeds_.Add("header_page", {file_.begin(), file_.begin() + std::min<size_t>(file_.size(), layout_.pageSize)});
    seeds_.Add("whole", {file_.begin(), file_.begin() + std::min(file_.size(), kWholeFileHead)});
    for (uint32_t page = 0; page < pages_; ++page) {
      const Bytes bytes = Page(page);
      seeds_.Add("page_header", Prefixed({selector_}, bytes.first(32)));
      if (format::IsPageOfType(bytes, format::PageType::kTableDefinition)) Definition(page);
      if (format::IsPageOfType(bytes, format::PageType::kIndexLeaf) ||
          format::IsPageOfType(bytes, format::PageType::kIndexNode))
        seeds_.Add("index_page", Prefixed({selector_, static_cast<uint8_t>(page % 2 ? 10 : 4), 0},
                                          bytes));
      PropertyBlobs(bytes);
    }
    for (uint32_t page = 0; page < pages_; ++page) {
      const auto header = format::DecodeDataPageHeader(Page(page), layout_);
      if (!header) continue;
      const auto table = tables_.find(header->owner);
      if (table != tables_.end()) DataPage(page, table->second);
    }
    UsageMap({format::kGlobalUsageMapPage, 0});
  }

 private:
  Bytes Page(uint32_t page) const {
    return Bytes(file_).subspan(uint64_t{page} * layout_.pageSize, layout_.pageSize);
  }
  bool ReadPage(uint32_t page, std::span<uint8_t> out) const {
    if (page >= pages_) return false;
    std::copy_n(Page(page).begin(), layout_.pageSize, out.begin());
    return true;
  }

  void Definition(uint32_t first) {
    const auto stream = format::ReadDefinitionStream(
        first, layout_, [this](uint32_t page, std::span<uint8_t> out) { return ReadPage(page, out); });
    const auto decoded = format::DecodeTableDefinition(stream.bytes, layout_);
    if (decoded.fault != format::DefinitionFault::kNone) return;
    tables_[first] = decoded.definition;
    // The chain renumbered as the target reads it: page n is the input's n-th.
    std::vector<uint8_t> seed{selector_};
    for (size_t i = 0; i < stream.pages.size(); ++i) {
      const size_t at = seed.size();
      const Bytes page = Page(stream.pages[i]);
      seed.insert(seed.end(), page.begin(), page.end());
      format::PutU32(std::span(seed).subspan(at), layout_.tableDefNextPageOffset,
                     i + 1 < stream.pages.size() ? static_cast<uint32_t>(i + 1) : 0);
    }
    seeds_.Add("table_definition", seed);
    UsageMap(format::RowPointer::FromU32(decoded.definition.ownedMap));
    UsageMap(format::RowPointer::FromU32(decoded.definition.freeMap));
  }

  std::optional<Bytes> Row(format::RowPointer at) const {
    if (at.page >= pages_) return std::nullopt;
    const Bytes page = Page(at.page);
    const auto slot = format::LocateRow(page, layout_, at.row);
    if (!slot) return std::nullopt;
    return slot->Of(page);
  }

  void UsageMap(format::RowPointer at) {
    const auto row = Row(at);
    if (!row || row->size() > 255) return;
    std::vector<uint8_t> seed{selector_, static_cast<uint8_t>(row->size())};
    seed.insert(seed.end(), row->begin(), row->end());
    const auto map = format::DecodeUsageMap(*row);
    std::vector<uint32_t> bitmapPages;
    if (map) {
      for (uint32_t page : map->bitmapPages)
        if (page != 0 && page < pages_ && page <= 0xFFFF && bitmapPages.size() < 4)
          bitmapPages.push_back(page);
    }
    seed.push_back(static_cast<uint8_t>(bitmapPages.size()));
    for (uint32_t page : bitmapPages)
      fuzz::AppendNumberedPage(seed, static_cast<uint16_t>(page), Page(page));
    seeds_.Add("usage_map", seed);
  }

  void DataPage(uint32_t number, const format::TableDefinition& table) {
    const Bytes page = Page(number);
    std::vector<uint8_t> spec{selector_};
    fuzz::AppendColumnSpec(spec, table);
    if (!seeds_.Full("data_page")) {
      auto seed = spec;
      seed.insert(seed.end(), page.begin(), page.end());
      seeds_.Add("data_page", seed);
    }
    format::RowShape shape{table.maxColumns, table.VariableColumnCount() > 0};
    for (const auto& slot : format::RowSlots(page, layout_)) {
      if (!slot.located || !slot.whole || slot.deleted || slot.moved) continue;
      const Bytes row = slot.Of(page);
      auto seed = spec;
      seed.insert(seed.end(), row.begin(), row.end());
      seeds_.Add("row", seed);
      Values(row, table, shape);
    }
  }

  void Values(Bytes row, const format::TableDefinition& table, const format::RowShape& shape) {
    format::RowDecoder decoder;
    if (decoder.Decode(row, layout_, shape) != format::RowProblem::kNone) return;
    for (const auto& c : table.columns) {
      format::RowColumn column{c.number, !c.IsFixed(), c.IsFixed() && c.type == 1, c.varIndex,
                               c.fixedOffset, c.length};
      const auto value = decoder.Value(column);
      if (!value) continue;
      if (c.IsLongValue() && value->size() >= format::kLongValueHeaderSize) {
        LongValue(*value);
        continue;
      }
      const uint8_t flags = static_cast<uint8_t>(selector_ | 4);
      const uint8_t scale = static_cast<uint8_t>(c.extra >> 8);
      const std::string target = "value_text";
      if (!seeds_.Full(target)) seeds_.Add(target, Prefixed({c.type, flags, scale, 0}, *value));
    }
  }

  void LongValue(Bytes value) {
    const auto header = format::DecodeLongValueHeader(value);
    const Bytes afterHeader = value.subspan(format::kLongValueHeaderSize);
    if (!header || afterHeader.size() > 255 || seeds_.Full("long_value")) return;
    std::vector<uint8_t> seed{selector_, static_cast<uint8_t>(afterHeader.size())};
    seed.insert(seed.end(), value.begin(), value.end());
    std::vector<uint32_t> pages;
    if (header->kind != format::LongValueKind::kInline) {
      format::LongValueChain chain(*header);
      while (const auto at = chain.Next()) {
        const auto pointer = format::RowPointer::FromU32(*at);
        const auto row = Row(pointer);
        if (!row || pointer.page > 0xFFFF || pages.size() >= 4) break;
        pages.push_back(pointer.page);
        if (header->kind == format::LongValueKind::kSingleRow || !chain.Take(*row)) break;
      }
    }
    seed.push_back(static_cast<uint8_t>(pages.size()));
    for (uint32_t page : pages) fuzz::AppendNumberedPage(seed, static_cast<uint16_t>(page), Page(page));
    seeds_.Add("long_value", seed);
  }

  void PropertyBlobs(Bytes page) {
    for (const Bytes magic : {Bytes(format::kPropertyBlobMagic), Bytes(format::kJet3PropertyBlobMagic)}) {
      const auto at = std::search(page.begin(), page.end(), magic.begin(), magic.end());
      if (at == page.end()) continue;
      const Bytes blob = page.subspan(static_cast<size_t>(at - page.begin()));
      seeds_.Add("property_blob", Prefixed({selector_, 0}, blob));
    }
  }

  const std::vector<uint8_t>& file_;
  SeedWriter& seeds_;
  const format::JetLayout& layout_;
  uint8_t selector_;
  uint32_t pages_;
  std::map<uint32_t, format::TableDefinition> tables_;
};

// The catalogue's Flags of each kind the dumps name.
int32_t KindFlags(const std::string& type) {
  static const std::map<std::string, format::QueryKind> kinds{
      {"SELECT", format::QueryKind::kSelect},       {"CROSS_TAB", format::QueryKind::kCrosstab},
      {"DELETE", format::QueryKind::kDelete},       {"UPDATE", format::QueryKind::kUpdate},
      {"APPEND", format::QueryKind::kAppend},       {"MAKE_TABLE", format::QueryKind::kMakeTable},
      {"DATA_DEFINITION", format::QueryKind::kDataDefinition},
      {"PASSTHROUGH", format::QueryKind::kPassThrough}, {"UNION", format::QueryKind::kUnion}};
  const auto found = kinds.find(type);
  return static_cast<int32_t>(found == kinds.end() ? format::QueryKind::kSelect : found->second);
}

void QuerySeeds(const fs::path& dump, SeedWriter& seeds) {
  std::ifstream in(dump);
  const auto json = nlohmann::json::parse(in, nullptr, false);
  if (json.is_discarded() || !json.contains("queries")) return;
  for (const auto& query : json.at("queries")) {
    if (query.contains("sql") && query.at("sql").is_string()) {
      const std::string sql = query.at("sql");
      seeds.Add("sql_parser", {sql.begin(), sql.end()});
    }
    if (!query.contains("rawRows") || query.at("rawRows").empty()) continue;
    const auto text = [](const nlohmann::json& value) {
      return value.is_string() ? value.get<std::string>() : std::string();
    };
    const std::string id = text(query.at("rawRows").front().at("ObjectId"));
    std::string seed = id + fuzz::kFieldSeparator + std::to_string(KindFlags(text(query.at("type")))) +
                       fuzz::kFieldSeparator + text(query.at("name"));
    for (const auto& row : query.at("rawRows")) {
      seed += fuzz::kRecordSeparator;
      const char* fields[] = {"ObjectId", "Attribute", "Order", "Name1", "Name2", "Expression", "Flag", "LvExtra"};
      for (size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) seed += fuzz::kFieldSeparator;
        if (row.contains(fields[i])) seed += text(row.at(fields[i]));
      }
    }
    seeds.Add("query_rows", {seed.begin(), seed.end()});
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: fuzz_seed_maker OUTPUT_DIR FILE...\n");
    return 2;
  }
  const fs::path out = argv[1];
  for (int i = 2; i < argc; ++i) {
    const fs::path path = argv[i];
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    SeedWriter seeds(out, path.filename().string());
    FileSeeds(file, seeds).Make();
    for (const auto& dump : {fs::path(path.string() + ".json"),
                             path.parent_path() / "truth" / (path.filename().string() + ".json")})
      if (fs::exists(dump)) QuerySeeds(dump, seeds);
  }
  return 0;
}
