#pragma once
// Damaged copies of a healthy fixture, made at test time in a scratch folder.
// Every kind of damage is chosen from a seed, so a failing case can be made
// again byte for byte; the original file is only ever read.
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tarvex::test {

struct DamagePlan {
  static constexpr int kNoVersionByte = -1;
  static constexpr int kOtherLayoutVersion = -2;
  bool zeroHeader = false;     // page 0
  bool garbleHeader = false;   // page 0 filled with random bytes from the seed
  // Page 0's version byte set to this value; kNoVersionByte leaves it, kOtherLayoutVersion sets
  // that of the other page layout.
  int versionByte = kNoVersionByte;
  bool garbleHeaderFields = false;  // bytes 0x14-0x7F of page 0 (version byte among them) random
  bool zeroCatalogue = false;  // page 2, the catalogue's definition
  int zeroRandomPages = 0;     // pages chosen by the seed among those not protected
  double keepFraction = 1.0;   // below 1: the tail is cut off at this share of the bytes
  int flipBytes = 0;           // bytes XOR-ed with a non-zero value, anywhere in the file
  // On every data page of a table (the catalogue's and long values' spared):
  bool damageRowOffsets = false;  // one live row's offset word out of range, zeroed or swapped
  bool tearDataPages = false;     // one 512-byte sector past the first zeroed, as a torn write
  uint32_t seed = 0;
  std::set<uint32_t> protectedPages;  // never zeroed at random

  // A short description for test names and failure messages.
  std::string Describe() const;
};

struct DamagedFile {
  std::filesystem::path path;
  uint32_t pageSize = 0;
  std::vector<uint32_t> zeroedPages;  // ascending
  uint64_t size = 0;                  // after truncation
};

// The page size of a healthy file: 2048 when the version byte of page 0 is 0 (Jet 3), else 4096.
uint32_t PageSizeOf(const std::filesystem::path& file);

// What a damage test may expect of the tables of a damaged copy.
enum class Expect {
  kEveryTable,       // header zeroed or garbled, or catalogue definition zeroed: all tables whole
  kProtectedTable,   // random pages zeroed outside one table: that table comes back whole
  kTablesBeforeCut,  // tail cut: tables whose pages all lie before the cut come back whole
  kSurvives,         // bytes flipped: only no crash, no hang, no stray file
  kRowsThatSurvive,  // data pages damaged: exactly the rows whose bytes are intact come back
};

struct DamageCase {
  DamagePlan plan;
  Expect expect;
};

// How many rounds of seeds the damage tests run: 1, or TARVEX_DAMAGE_SWEEP
// for the long sweep kept out of CI (bench/damage-sweep.sh).
int DamageRounds();

// The kinds of damage the damage tests apply, each from a seed fixed for the round.
std::vector<DamageCase> DamageCases(int round);

// The fixtures they damage (under the fixtures folder): Jet 3, Jet 4 and ACE
// files, with memo and OLE values, and one 50,000-row synthetic file; in a
// sweep, every fixture.
std::vector<std::string> DamagedFixtures();

// Copies `original` into `folder` under `name` and applies `plan` to the copy.
DamagedFile MakeDamagedCopy(const std::filesystem::path& original,
                            const std::filesystem::path& folder, const std::string& name,
                            const DamagePlan& plan);

}  // namespace tarvex::test
