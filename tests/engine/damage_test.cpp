// Damaged copies of healthy fixtures, scanned whole: the scan never crashes,
// hangs or writes outside its working folder, and every table whose pages the
// damage spared still yields exactly the rows of the healthy file.
#include "support/damage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include "engine/row_values.h"
#include "format/data_page.h"
#include "format/jet_layout.h"
#include "format/row_pointer.h"
#include "format/unicode.h"
#include "format/value_types.h"
#include "model/table_summary.h"
#include "model/working_folder.h"
#include "support/oracle_readers.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::test {
namespace {

namespace fs = std::filesystem;

constexpr uint8_t kDataPageType = 0x01;
constexpr uint8_t kUsageMapPageType = 0x05;
constexpr uint32_t kGlobalUsageMapPage = 1;
constexpr size_t kOwnerOffset =
    4;  // data and index pages: owning definition; definitions: next page
constexpr size_t kMaxDefinitionChain = 10000;
constexpr std::array<uint8_t, 4> kLongValueMarker = {'L', 'V', 'A', 'L'};

// What a scan recovered of one table: enough to tell whether damage changed it.
struct TableDigest {
  std::u16string name;
  int columns = 0;
  size_t rows = 0;
  std::vector<size_t> rowHashes;    // sorted
  bool longValues = false;          // memo or OLE columns, read from pages no table owns
  std::vector<uint64_t> dataPages;  // where the rows were read from
  size_t skipped = 0;               // rows the scan refused
  std::shared_ptr<format::RowFrame> frame;
};

using ScanDigest = std::map<uint64_t, TableDigest>;  // by definition offset

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An OLE value names a file in the working folder, whose name depends on the
// folder and on the scan order: compare what the file holds instead. A null
// becomes a record separator, so that it differs from the empty text.
std::u16string Comparable(const std::optional<std::u16string>& value,
                          const std::u16string& workFolder) {
  if (!value) return u"\x1e";
  if (workFolder.empty() || !value->starts_with(workFolder)) return *value;
  const auto bytes = ReadBytes(fs::path(*value));
  const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const std::string hash = "ole file " + std::to_string(std::hash<std::string_view>{}(content));
  return {hash.begin(), hash.end()};
}

ScanDigest Digest(const model::CAccessData& model, const format::JetLayout& layout) {
  const std::u16string workFolder = model::WorkingFolder::Path().u16string();
  ScanDigest digest;
  for (const auto& table : model.tableList) {
    TableDigest& t = digest[table->tableDefOffset];
    t.name = table->name;
    t.columns = table->columnList.count();
    t.dataPages = table->dataPageList;
    t.skipped = table->losses.SkippedRowCount();
    std::vector<format::RowColumn> columns;
    for (const auto& column : table->columnList)
      columns.push_back(engine::RowColumnOf(column.colInfo, layout));
    t.frame =
        std::make_shared<format::RowFrame>(layout, engine::RowShapeOf(*table), std::move(columns));
    for (const auto& column : table->columnList) {
      const auto type = column.colInfo.type;
      t.longValues |= type == format::TypeCode(format::ColumnType::kMemo) ||
                      type == format::TypeCode(format::ColumnType::kOle);
    }
    for (const auto& row : ReadRows(*table)) {
      std::u16string joined;
      for (const auto& value : row) joined += Comparable(value, workFolder) + u'\x1f';
      t.rowHashes.push_back(std::hash<std::u16string>{}(joined));
    }
    t.rows = t.rowHashes.size();
    std::sort(t.rowHashes.begin(), t.rowHashes.end());
  }
  return digest;
}

uint32_t U32(const std::vector<uint8_t>& bytes, uint64_t at) {
  if (at + 4 > bytes.size()) return 0;
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// The pages a table's rows are read from: its definition chain and every data
// page that names it as owner (rows and long values).
std::set<uint32_t> RowPagesOf(const std::vector<uint8_t>& file, uint32_t pageSize,
                              uint32_t definitionPage) {
  const auto pages = static_cast<uint32_t>(file.size() / pageSize);
  std::set<uint32_t> result;
  for (uint32_t page = definitionPage;
       page != 0 && page < pages && result.size() < kMaxDefinitionChain;) {
    if (!result.insert(page).second) break;
    page = U32(file, static_cast<uint64_t>(page) * pageSize + kOwnerOffset);
  }
  for (uint32_t page = 0; page < pages; ++page) {
    const uint64_t start = static_cast<uint64_t>(page) * pageSize;
    if (file[start] == kDataPageType && U32(file, start + kOwnerOffset) == definitionPage)
      result.insert(page);
  }
  return result;
}

// Pages by what their first bytes say they are.
std::set<uint32_t> PagesWhere(const std::vector<uint8_t>& file, uint32_t pageSize,
                              const std::function<bool(const uint8_t*)>& test) {
  std::set<uint32_t> result;
  for (uint64_t start = 0; start + pageSize <= file.size(); start += pageSize) {
    if (test(file.data() + start)) result.insert(static_cast<uint32_t>(start / pageSize));
  }
  return result;
}

// The usage maps, which tell freed data pages (whose rows are gone) from live ones.
std::set<uint32_t> UsageMapPages(const std::vector<uint8_t>& file, uint32_t pageSize) {
  auto result =
      PagesWhere(file, pageSize, [](const uint8_t* page) { return page[0] == kUsageMapPageType; });
  result.insert(kGlobalUsageMapPage);
  return result;
}

// Long-value pages name no owner (they carry a marker where data pages name
// theirs), so which table's memo or OLE values they hold is not known here.
std::set<uint32_t> LongValuePages(const std::vector<uint8_t>& file, uint32_t pageSize) {
  return PagesWhere(file, pageSize, [](const uint8_t* page) {
    return page[0] == kDataPageType &&
           std::equal(kLongValueMarker.begin(), kLongValueMarker.end(), page + kOwnerOffset);
  });
}

// Points every place a scan might write by default into the scratch folder and
// runs from an empty folder there, so a stray file is found wherever it lands.
class Sandbox {
 public:
  explicit Sandbox(const fs::path& root) : root_(root), oldCwd_(fs::current_path()) {
    for (const char* name : {"TARVEX_WORK_DIR", "HOME", "XDG_CACHE_HOME", "TMPDIR"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    for (const char* sub : {"work", "home", "cache", "tmp", "cwd", "input"})
      fs::create_directories(root / sub);
    setenv("TARVEX_WORK_DIR", (root / "work").c_str(), 1);
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    setenv("TMPDIR", (root / "tmp").c_str(), 1);
    fs::current_path(root / "cwd");
  }
  ~Sandbox() {
    fs::current_path(oldCwd_);
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  fs::path input() const { return root_ / "input"; }
  fs::path work() const { return root_ / "work"; }

  // Every file under the sandbox that is neither an input nor under `allowed`.
  std::vector<fs::path> StrayFiles(const fs::path& allowed) const {
    std::vector<fs::path> stray;
    for (const auto& entry : fs::recursive_directory_iterator(root_)) {
      const auto path = entry.path();
      if (entry.is_directory() || path.parent_path() == input()) continue;
      const auto rel = path.lexically_relative(allowed);
      if (allowed.empty() || rel.empty() || *rel.begin() == "..") stray.push_back(path);
    }
    return stray;
  }

 private:
  fs::path root_;
  fs::path oldCwd_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

void ExpectSameTable(const TableDigest& healthy, const TableDigest* damaged, uint64_t offset) {
  SCOPED_TRACE("table at " + std::to_string(offset));
  ASSERT_NE(damaged, nullptr) << "table lost";
  EXPECT_EQ(damaged->columns, healthy.columns);
  EXPECT_EQ(damaged->rows, healthy.rows) << "table " << format::ToUtf8(healthy.name);
  EXPECT_TRUE(damaged->rowHashes == healthy.rowHashes) << "rows differ";
}

const TableDigest* Find(const ScanDigest& digest, uint64_t offset) {
  auto found = digest.find(offset);
  return found == digest.end() ? nullptr : &found->second;
}

// The slots of a page's rows as its offset table places them.
std::vector<std::tuple<uint32_t, uint32_t, bool, bool, bool>> Slots(
    format::Bytes page, const format::JetLayout& layout) {
  format::RowSlotWalker walker(page, layout);
  std::vector<std::tuple<uint32_t, uint32_t, bool, bool, bool>> slots;
  for (uint32_t row = 0; row < walker.count(); ++row) {
    const auto slot = walker.Next();
    slots.emplace_back(slot.start, slot.end, slot.deleted, slot.moved, slot.located);
  }
  return slots;
}

// Rows recovered plus rows skipped equal the live rows the healthy file holds
// on the pages the scan read for each table, wherever the damage left those
// pages' offset tables as they were; a lost page's moved rows may add those
// found where they went.
void ExpectCountsAddUp(const model::CAccessData& damagedModel, const std::vector<uint8_t>& healthy,
                       const fs::path& damagedPath, uint32_t pageSize) {
  const auto damaged = ReadBytes(damagedPath);
  const auto& layout = pageSize == 2048 ? format::kJet3Layout : format::kJet4Layout;
  for (const auto& table : damagedModel.tableList) {
    uint64_t live = 0;
    uint64_t movedHere = 0;
    bool intact = table->losses.unreadablePages.empty();
    for (uint64_t offset : table->dataPageList) {
      if (!intact || offset + pageSize > healthy.size() || offset + pageSize > damaged.size()) {
        intact = false;
        break;
      }
      const format::Bytes before(healthy.data() + offset, pageSize);
      const auto slots = Slots(before, layout);
      intact = slots == Slots(format::Bytes(damaged.data() + offset, pageSize), layout);
      live +=
          std::count_if(slots.begin(), slots.end(), [](const auto& s) { return !std::get<2>(s); });
      movedHere += std::count_if(slots.begin(), slots.end(),
                                 [](const auto& s) { return std::get<2>(s) && !std::get<3>(s); });
    }
    if (!intact) continue;
    const uint64_t counted = table->tableDefInfo.rowCount + table->losses.SkippedRowCount();
    EXPECT_GE(counted, live) << format::ToUtf8(table->name);
    EXPECT_LE(counted, live + movedHere) << format::ToUtf8(table->name);
  }
}

// The rows of a table damage takes: those whose bytes differ between the two
// files (for a moved row, those of the place it went to), and, perhaps, those
// whose offset word differs while they or a neighbour have a gap between
// values and offset table, as such a row cannot be found from its end.
struct LostRows {
  size_t surely = 0;
  size_t perhaps = 0;
};

// Nothing when `sectorWide` and a row is wider than a disk sector: a tear
// inside such a row's variable values is not seen.
std::optional<LostRows> RowsLost(const std::vector<uint8_t>& healthy,
                                 const std::vector<uint8_t>& damaged, uint32_t pageSize,
                                 const TableDigest& table, bool sectorWide) {
  constexpr uint32_t kSector = 512;
  const auto& layout = pageSize == 2048 ? format::kJet3Layout : format::kJet4Layout;
  const auto differs = [&](uint64_t page, const format::RowSlot& slot) {
    const auto start = static_cast<ptrdiff_t>(page + slot.start);
    return !std::equal(healthy.begin() + start, healthy.begin() + start + (slot.end - slot.start),
                       damaged.begin() + start);
  };
  LostRows lost;
  for (uint64_t at : table.dataPages) {
    if (at + pageSize > damaged.size()) continue;
    const format::Bytes bytes(healthy.data() + at, pageSize);
    format::RowSlotWalker walker(bytes, layout);
    struct Row {
      bool changed, wordChanged, gap;
    };
    std::vector<Row> rows;
    for (uint32_t row = 0; row < walker.count(); ++row) {
      const auto slot = walker.Next();
      if (slot.deleted || !slot.located) continue;
      if (sectorWide && slot.end - slot.start > kSector) return std::nullopt;
      const size_t word = at + layout.dataPageRowTableOffset + 2 * row;
      // A moved row's bytes are where it went: its pointer only leads there.
      bool changed = !slot.moved && differs(at, slot);
      const auto target = slot.moved ? format::DecodeMovedRow(slot.Of(bytes)) : std::nullopt;
      const uint64_t targetAt = target ? layout.PageOffset(target->page) : 0;
      if (target && targetAt + pageSize <= healthy.size()) {
        const auto moved = format::LocateRow(format::Bytes(healthy.data() + targetAt, pageSize),
                                             layout, target->row);
        changed = !moved || differs(targetAt, *moved);
      }
      rows.push_back({changed,
                      healthy[word] != damaged[word] || healthy[word + 1] != damaged[word + 1],
                      !slot.moved && table.frame->Fit(slot.Of(bytes)) == format::RowFit::kWithGap});
    }
    for (size_t i = 0; i < rows.size(); ++i) {
      const bool gapNear =
          rows[i].gap || (i > 0 && rows[i - 1].gap) || (i + 1 < rows.size() && rows[i + 1].gap);
      lost.surely += rows[i].changed;
      lost.perhaps += !rows[i].changed && rows[i].wordChanged && gapNear;
    }
  }
  return lost;
}

// The table the seed picks among those with rows, or nothing.
std::optional<uint64_t> PickTableWithRows(const ScanDigest& healthy, uint32_t seed) {
  std::vector<uint64_t> candidates;
  for (const auto& [offset, table] : healthy) {
    if (table.rows > 0) candidates.push_back(offset);
  }
  if (candidates.empty()) return std::nullopt;
  return candidates[seed % candidates.size()];
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class DamagedFixture : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    // Its 50,000-row table costs the sanitizer build minutes; the real ACE files cover its layout
    // there.
    if (kSanitized && GetParam().starts_with("synthetic/")) GTEST_SKIP() << "plain build only";
    original_ = FixturesDir() / GetParam();
    bytes_ = ReadBytes(original_);
    pageSize_ = PageSizeOf(original_);
    auto repair = ScanFile(original_);
    ASSERT_NE(repair->model(), nullptr);
    healthy_ = Digest(*repair->model(), Layout());
    for (const auto& table : repair->model()->tableList) {
      if (!model::IsVisibleTable(table->name)) continue;
      const std::string name = format::ToUtf8(table->name);
      auto rows = MdbExportRowsIfAny(original_, name);
      // Its CSV cannot always be cut back into rows (values with line breaks and quotes): a
      // table it reads otherwise than we do when healthy is not compared.
      if (rows.size() != healthy_.at(table->tableDefOffset).rows) continue;
      std::sort(rows.begin(), rows.end());
      mdbExport_.push_back({table->tableDefOffset, name, std::move(rows)});
    }
  }

  // Of the rows mdb-export reads from the damaged copy, those the healthy file
  // holds (it may read others, made of damaged bytes) all come back here too.
  void ExpectAtLeastMdbExport(const fs::path& damaged, const ScanDigest& digest) {
    for (const auto& [offset, name, healthyRows] : mdbExport_) {
      auto rows = MdbExportRowsIfAny(damaged, name);
      std::sort(rows.begin(), rows.end());
      std::vector<std::vector<std::string>> real;
      std::set_intersection(rows.begin(), rows.end(), healthyRows.begin(), healthyRows.end(),
                            std::back_inserter(real));
      const auto* found = Find(digest, offset);
      EXPECT_GE(found ? found->rows : 0, real.size()) << name << ": fewer rows than mdb-export";
    }
  }

  // Scans a damaged copy inside the sandbox and checks what holds for any damage.
  ScanDigest ScanDamaged(const DamagePlan& plan, DamagedFile& damaged,
                         std::vector<uint8_t>* damagedBytes = nullptr) {
    ScratchDir scratch;
    Sandbox sandbox(scratch.path());
    damaged = MakeDamagedCopy(original_, sandbox.input(),
                              "damaged" + original_.extension().string(), plan);
    const auto before = ReadBytes(damaged.path);
    ScanDigest digest;
    {
      auto repair = ScanFile(damaged.path);
      EXPECT_NE(repair->model(), nullptr);
      if (repair->model()) {
        digest = Digest(*repair->model(), Layout());
        ExpectCountsAddUp(*repair->model(), bytes_, damaged.path, pageSize_);
        ExpectAtLeastMdbExport(damaged.path, digest);
      }
      EXPECT_EQ(sandbox.StrayFiles(model::WorkingFolder::Path()), std::vector<fs::path>{});
    }
    EXPECT_EQ(sandbox.StrayFiles({}), std::vector<fs::path>{}) << "temporary files left behind";
    EXPECT_TRUE(ReadBytes(damaged.path) == before) << "the scan changed its input";
    if (damagedBytes) *damagedBytes = before;
    return digest;
  }

  void CheckProtectedTable(DamagePlan plan) {
    const auto table = PickTableWithRows(healthy_, plan.seed);
    if (!table) return;
    plan.protectedPages = RowPagesOf(bytes_, pageSize_, static_cast<uint32_t>(*table / pageSize_));
    plan.protectedPages.merge(UsageMapPages(bytes_, pageSize_));
    // Without its header a file's layout is guessed from its first pages, which
    // heavy damage can wipe out as well; the header case stands on its own.
    plan.protectedPages.insert(0);
    if (healthy_.at(*table).longValues)
      plan.protectedPages.merge(LongValuePages(bytes_, pageSize_));
    DamagedFile damaged;
    const auto digest = ScanDamaged(plan, damaged);
    ExpectSameTable(healthy_.at(*table), Find(digest, *table), *table);
  }

  void CheckTablesBeforeCut(const DamagePlan& plan) {
    DamagedFile damaged;
    const auto digest = ScanDamaged(plan, damaged);
    const uint64_t wholePages = damaged.size / pageSize_;
    int checked = 0;
    for (const auto& [offset, table] : healthy_) {
      auto pages = RowPagesOf(bytes_, pageSize_, static_cast<uint32_t>(offset / pageSize_));
      if (table.longValues) pages.merge(LongValuePages(bytes_, pageSize_));
      if (*pages.rbegin() >= wholePages) continue;
      ExpectSameTable(table, Find(digest, offset), offset);
      ++checked;
    }
    // A sweep meets files with no table wholly before the cut; the files CI damages all have one.
    EXPECT_TRUE(checked > 0 || DamageRounds() > 1)
        << "the cut spared no table; the case checks nothing";
  }

  void CheckEveryTable(const DamagePlan& plan) {
    DamagedFile damaged;
    const auto digest = ScanDamaged(plan, damaged);
    for (const auto& [offset, table] : healthy_) {
      ExpectSameTable(table, Find(digest, offset), offset);
      const auto* found = Find(digest, offset);
      if (found) {
        EXPECT_EQ(found->name, table.name);
      }
    }
  }

  // Every row whose bytes the damage spared comes back, and no other.
  void CheckRowsThatSurvive(const DamagePlan& plan) {
    DamagedFile damaged;
    std::vector<uint8_t> after;
    const auto digest = ScanDamaged(plan, damaged, &after);
    int checked = 0;
    for (const auto& [offset, table] : healthy_) {
      SCOPED_TRACE(format::ToUtf8(table.name));
      const auto* found = Find(digest, offset);
      ASSERT_NE(found, nullptr) << "table lost";
      // Rows the healthy file's own checks refuse leave the count unknown.
      if (table.skipped > 0) continue;
      const auto lost = RowsLost(bytes_, after, pageSize_, table, plan.tearDataPages);
      if (!lost) continue;
      EXPECT_LE(found->rows + lost->surely, table.rows) << found->rows << " came back";
      EXPECT_GE(found->rows + lost->surely + lost->perhaps, table.rows)
          << found->rows << " came back, " << lost->surely << " lost";
      EXPECT_TRUE(std::includes(table.rowHashes.begin(), table.rowHashes.end(),
                                found->rowHashes.begin(), found->rowHashes.end()))
          << "a row came back that the file did not hold";
      ++checked;
    }
    EXPECT_GT(checked, 0);
  }

  const format::JetLayout& Layout() const {
    return pageSize_ == 2048 ? format::kJet3Layout : format::kJet4Layout;
  }

  struct ExportedTable {
    uint64_t definitionOffset;
    std::string name;
    std::vector<std::vector<std::string>> rows;  // sorted
  };

  fs::path original_;
  std::vector<uint8_t> bytes_;
  std::vector<ExportedTable> mdbExport_;  // what mdb-export reads of the healthy file
  uint32_t pageSize_ = 0;
  ScanDigest healthy_;
};

TEST_P(DamagedFixture, SparedTablesKeepTheirRows) {
  for (int round = 0; round < DamageRounds(); ++round)
    for (const auto& damageCase : DamageCases(round)) {
      SCOPED_TRACE(damageCase.plan.Describe());
      switch (damageCase.expect) {
        case Expect::kEveryTable:
          CheckEveryTable(damageCase.plan);
          break;
        case Expect::kProtectedTable:
          CheckProtectedTable(damageCase.plan);
          break;
        case Expect::kTablesBeforeCut:
          CheckTablesBeforeCut(damageCase.plan);
          break;
        case Expect::kRowsThatSurvive:
          CheckRowsThatSurvive(damageCase.plan);
          break;
        case Expect::kSurvives: {
          DamagedFile damaged;
          ScanDamaged(damageCase.plan, damaged);
          break;
        }
      }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DamagedFixture, testing::ValuesIn(DamagedFixtures()),
                         [](const auto& info) { return TestNameOf(fs::path(info.param).stem()); });

// A failing case must be made again byte for byte from its seed, and never at the original's
// expense.
TEST(DamageHelper, SameSeedSameBytesOriginalUntouched) {
  const fs::path original = FixturesDir() / "real" / "jet3_ole_memo.mdb";
  const auto before = ReadBytes(original);
  ScratchDir scratch;
  DamagePlan plan;
  plan.zeroRandomPages = 5;
  plan.flipBytes = 30;
  plan.keepFraction = 0.9;
  plan.seed = 42;
  const auto first = MakeDamagedCopy(original, scratch.path(), "a.mdb", plan);
  const auto second = MakeDamagedCopy(original, scratch.path(), "b.mdb", plan);
  plan.seed = 43;
  const auto other = MakeDamagedCopy(original, scratch.path(), "c.mdb", plan);
  EXPECT_EQ(first.pageSize, format::kJet3Layout.pageSize);
  EXPECT_EQ(first.zeroedPages.size(), 5u);
  EXPECT_EQ(first.size, static_cast<uint64_t>(static_cast<double>(before.size()) * 0.9));
  EXPECT_TRUE(ReadBytes(first.path) == ReadBytes(second.path));
  EXPECT_FALSE(ReadBytes(first.path) == ReadBytes(other.path));
  EXPECT_TRUE(ReadBytes(original) == before);
  EXPECT_THROW(
      MakeDamagedCopy(original, original.parent_path(), original.filename().string(), plan),
      std::invalid_argument);
}

// Inputs that once broke the scanner (saved by the fuzzer) keep being scanned.
TEST(FuzzCrashes, ReplayThroughTheScanner) {
  const fs::path crashes = tarvex::test::SourceDir() / "fuzz" / "crashes";
  if (!fs::is_directory(crashes)) GTEST_SKIP() << "no " << crashes;
  for (const auto& entry : fs::directory_iterator(crashes)) {
    if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
    SCOPED_TRACE(entry.path().filename().string());
    auto repair = ScanFile(entry.path());
    EXPECT_NE(repair->model(), nullptr);
  }
}

}  // namespace
}  // namespace tarvex::test
