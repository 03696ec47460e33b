#include "support/damage.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "format/jet_layout.h"
#include "support/test_paths.h"

namespace tarvex::test {
namespace {

constexpr size_t kVersionByteOffset = 20;
constexpr size_t kHeaderFieldsEnd = 0x80;

std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

uint32_t PageSizeOfBytes(const std::vector<uint8_t>& bytes) {
  const bool jet3 = bytes.size() <= kVersionByteOffset || bytes[kVersionByteOffset] == 0;
  return jet3 ? format::kJet3Layout.pageSize : format::kJet4Layout.pageSize;
}

void ZeroPage(std::vector<uint8_t>& bytes, uint32_t pageSize, uint32_t page,
              std::set<uint32_t>& zeroed) {
  const uint64_t start = static_cast<uint64_t>(page) * pageSize;
  if (start >= bytes.size()) return;
  const uint64_t end = std::min<uint64_t>(start + pageSize, bytes.size());
  std::fill(bytes.begin() + static_cast<ptrdiff_t>(start),
            bytes.begin() + static_cast<ptrdiff_t>(end), 0);
  zeroed.insert(page);
}

// The seed's choice of `count` distinct pages outside `protectedPages`.
std::vector<uint32_t> PickPages(uint32_t pages, const DamagePlan& plan, std::mt19937& random) {
  std::vector<uint32_t> candidates;
  for (uint32_t page = 0; page < pages; ++page) {
    if (!plan.protectedPages.contains(page)) candidates.push_back(page);
  }
  // mt19937's output is fixed by the standard; the library's distributions are not.
  for (size_t i = candidates.size(); i > 1; --i)
    std::swap(candidates[i - 1], candidates[random() % i]);
  candidates.resize(
      std::min(candidates.size(), static_cast<size_t>(std::max(plan.zeroRandomPages, 0))));
  return candidates;
}

void FlipBytes(std::vector<uint8_t>& bytes, int count, std::mt19937& random) {
  for (int i = 0; i < count && !bytes.empty(); ++i) {
    const size_t at = random() % bytes.size();
    bytes[at] ^= static_cast<uint8_t>(1 + random() % 255);
  }
}

uint16_t U16(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void PutU16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Where the data pages of tables begin: those of the catalogue, of long
// values and of usage maps (whose owner is no table definition) are left out.
std::vector<size_t> TableDataPages(const std::vector<uint8_t>& bytes, uint32_t pageSize) {
  constexpr uint8_t kDataPage = 1;
  constexpr uint8_t kDefinitionPage = 2;
  std::vector<size_t> pages;
  for (size_t at = 0; at + pageSize <= bytes.size(); at += pageSize) {
    const uint8_t* page = bytes.data() + at;
    const uint64_t owner =
        (page[4] | page[5] << 8 | page[6] << 16 | uint64_t{page[7]} << 24) * pageSize;
    if (page[0] == kDataPage && page[1] == 1 && owner + pageSize <= bytes.size() &&
        bytes[owner] == kDefinitionPage &&
        owner != format::JetLayout::kCatalogueDefinitionPage * pageSize)
      pages.push_back(at);
  }
  return pages;
}

// One live row's offset word made useless in one of the ways damage does it.
void DamageRowOffsets(std::vector<uint8_t>& bytes, uint32_t pageSize, std::mt19937& random) {
  const auto& layout = pageSize == 2048 ? format::kJet3Layout : format::kJet4Layout;
  constexpr uint16_t kFlags = 0xC000;
  for (size_t page : TableDataPages(bytes, pageSize)) {
    const uint16_t count = U16(bytes, page + layout.dataPageRowCountOffset);
    const size_t table = page + layout.dataPageRowTableOffset;
    if (count == 0 || layout.dataPageRowTableOffset + 2u * count > pageSize) continue;
    const uint32_t row = random() % count;
    const size_t word = table + 2 * row;
    if (U16(bytes, word) & kFlags) continue;
    switch (random() % 3) {
      case 0:  // past the page's end
        PutU16(bytes, word, 0x1FFF);
        break;
      case 1:  // zeroed: inside the header
        PutU16(bytes, word, 0);
        break;
      default:  // out of order with the next row
        if (row + 1u < count && !(U16(bytes, word + 2) & kFlags)) {
          const uint16_t next = U16(bytes, word + 2);
          PutU16(bytes, word + 2, U16(bytes, word));
          PutU16(bytes, word, next);
        }
    }
  }
}

void TearDataPages(std::vector<uint8_t>& bytes, uint32_t pageSize, std::mt19937& random) {
  constexpr uint32_t kSector = 512;
  for (size_t page : TableDataPages(bytes, pageSize)) {
    const size_t sector = 1 + random() % (pageSize / kSector - 1);
    std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(page + sector * kSector), kSector, 0);
  }
}

}  // namespace

std::string DamagePlan::Describe() const {
  std::ostringstream text;
  text << "seed" << seed;
  if (zeroHeader) text << "_header";
  if (garbleHeader) text << "_garbled";
  if (versionByte == kOtherLayoutVersion) text << "_otherversion";
  if (versionByte >= 0) text << "_version" << versionByte;
  if (garbleHeaderFields) text << "_garbledfields";
  if (zeroCatalogue) text << "_catalogue";
  if (zeroRandomPages > 0) text << "_pages" << zeroRandomPages;
  if (keepFraction < 1.0) text << "_keep" << static_cast<int>(keepFraction * 100) << "pct";
  if (flipBytes > 0) text << "_flip" << flipBytes;
  if (damageRowOffsets) text << "_rowoffsets";
  if (tearDataPages) text << "_torn";
  return text.str();
}

uint32_t PageSizeOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> head(kVersionByteOffset + 1);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return PageSizeOfBytes(head);
}

DamagedFile MakeDamagedCopy(const std::filesystem::path& original,
                            const std::filesystem::path& folder, const std::string& name,
                            const DamagePlan& plan) {
  DamagedFile damaged;
  damaged.path = folder / name;
  if (std::filesystem::weakly_canonical(damaged.path) ==
      std::filesystem::weakly_canonical(original)) {
    throw std::invalid_argument("a damaged copy may not replace its original");
  }
  std::vector<uint8_t> bytes = ReadAll(original);
  damaged.pageSize = PageSizeOfBytes(bytes);
  const auto pages = static_cast<uint32_t>(bytes.size() / damaged.pageSize);
  std::mt19937 random(plan.seed);
  std::set<uint32_t> zeroed;
  if (plan.zeroHeader) ZeroPage(bytes, damaged.pageSize, 0, zeroed);
  if (plan.garbleHeader)
    std::generate_n(bytes.begin(), std::min<size_t>(bytes.size(), damaged.pageSize),
                    [&] { return static_cast<uint8_t>(random()); });
  if (plan.garbleHeaderFields && bytes.size() >= kHeaderFieldsEnd)
    std::generate(bytes.begin() + kVersionByteOffset, bytes.begin() + kHeaderFieldsEnd,
                  [&] { return static_cast<uint8_t>(random()); });
  if (plan.versionByte != DamagePlan::kNoVersionByte && bytes.size() > kVersionByteOffset) {
    const bool jet3 = damaged.pageSize == format::kJet3Layout.pageSize;
    bytes[kVersionByteOffset] = static_cast<uint8_t>(
        plan.versionByte == DamagePlan::kOtherLayoutVersion ? (jet3 ? 1 : 0) : plan.versionByte);
  }
  if (plan.zeroCatalogue)
    ZeroPage(bytes, damaged.pageSize, format::JetLayout::kCatalogueDefinitionPage, zeroed);
  for (uint32_t page : PickPages(pages, plan, random))
    ZeroPage(bytes, damaged.pageSize, page, zeroed);
  FlipBytes(bytes, plan.flipBytes, random);
  if (plan.damageRowOffsets) DamageRowOffsets(bytes, damaged.pageSize, random);
  if (plan.tearDataPages) TearDataPages(bytes, damaged.pageSize, random);
  if (plan.keepFraction < 1.0) {
    bytes.resize(
        static_cast<size_t>(static_cast<double>(bytes.size()) * std::max(plan.keepFraction, 0.0)));
  }
  WriteAll(damaged.path, bytes);
  damaged.zeroedPages.assign(zeroed.begin(), zeroed.end());
  damaged.size = bytes.size();
  return damaged;
}

namespace {

// Fields left out of a designated initializer would warn, so cases are built from a plain plan.
DamageCase Case(Expect expect, uint32_t seed, const std::function<void(DamagePlan&)>& damage) {
  DamageCase result{DamagePlan(), expect};
  result.plan.seed = seed;
  damage(result.plan);
  return result;
}

}  // namespace

int DamageRounds() {
  const char* rounds = std::getenv("TARVEX_DAMAGE_SWEEP");
  return rounds ? std::max(1, std::atoi(rounds)) : 1;
}

std::vector<DamageCase> DamageCases(int round) {
  std::vector<DamageCase> cases = {
      Case(Expect::kEveryTable, 0, [](DamagePlan& p) { p.zeroHeader = true; }),
      Case(Expect::kEveryTable, 0, [](DamagePlan& p) { p.zeroCatalogue = true; }),
      Case(Expect::kEveryTable, 6, [](DamagePlan& p) { p.garbleHeader = true; }),
      Case(Expect::kEveryTable, 0,
           [](DamagePlan& p) { p.versionByte = DamagePlan::kOtherLayoutVersion; }),
      Case(Expect::kEveryTable, 10, [](DamagePlan& p) { p.garbleHeaderFields = true; }),
      Case(Expect::kProtectedTable, 1, [](DamagePlan& p) { p.zeroRandomPages = 12; }),
      Case(Expect::kProtectedTable, 2, [](DamagePlan& p) { p.zeroRandomPages = 40; }),
      Case(Expect::kTablesBeforeCut, 3, [](DamagePlan& p) { p.keepFraction = 0.5; }),
      Case(Expect::kTablesBeforeCut, 4, [](DamagePlan& p) { p.keepFraction = 0.83; }),
      Case(Expect::kSurvives, 5, [](DamagePlan& p) { p.flipBytes = 500; }),
      Case(Expect::kSurvives, 7,
           [](DamagePlan& p) {
             p.zeroHeader = p.zeroCatalogue = true;
             p.zeroRandomPages = 8;
             p.keepFraction = 0.7;
             p.flipBytes = 200;
           }),
      Case(Expect::kRowsThatSurvive, 8, [](DamagePlan& p) { p.damageRowOffsets = true; }),
      Case(Expect::kRowsThatSurvive, 9, [](DamagePlan& p) { p.tearDataPages = true; }),
  };
  // Each version byte Access writes, and one it never does; a seed changes nothing in them.
  if (round == 0 && DamageRounds() > 1)
    for (int version : {0, 1, 2, 3, 5, 0xFF})
      cases.push_back(
          Case(Expect::kEveryTable, 0, [version](DamagePlan& p) { p.versionByte = version; }));
  constexpr uint32_t kSeedsPerRound = 7919;
  for (auto& damageCase : cases)
    damageCase.plan.seed += static_cast<uint32_t>(round) * kSeedsPerRound;
  return cases;
}

std::vector<std::string> DamagedFixtures() {
  if (DamageRounds() > 1) {
    std::vector<std::string> every;
    for (const char* folder : {"real", "synthetic"})
      for (const auto& entry : std::filesystem::directory_iterator(FixturesDir() / folder)) {
        const auto extension = entry.path().extension();
        if (extension == ".mdb" || extension == ".accdb")
          every.push_back(std::string(folder) + "/" + entry.path().filename().string());
      }
    std::sort(every.begin(), every.end());
    return every;
  }
  return {"real/jet3_northwind97.mdb",      "real/jet3_ole_memo.mdb",
          "real/jet4_northwind2000.mdb",    "real/jet4_cms_longmemo_zh.mdb",
          "real/ace12_northwind2007.accdb", "real/ace14_emoji.accdb",
          "synthetic/synthetic-V2010.accdb"};
}

}  // namespace tarvex::test
