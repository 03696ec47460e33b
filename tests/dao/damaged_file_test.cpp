// Opening damaged files: every damage ends in DaoException or a usable
// database, never a crash or a read outside the file.
#include <gtest/gtest.h>

#include <fstream>

#include "dao_test_util.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {
namespace {

struct Damage {
  const char* label;
  size_t offset;
  std::vector<uint8_t> bytes;
};

constexpr size_t kPage = 4096;

const std::vector<Damage> kDamages = {
    {"header engine name", 4, {'X'}},
    {"header version Jet 3", 0x14, {0x00}},
    {"catalogue page type", 2 * kPage, {0x01}},
    {"catalogue column count", 2 * kPage + 45, {0xFF, 0xFF}},
    {"catalogue index counts", 2 * kPage + 47, {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F}},
    {"catalogue owned map pointer", 2 * kPage + 55, {0x00, 0xFF, 0xFF, 0x00}},
    {"catalogue continuation loop", 2 * kPage + 4, {0x02, 0x00, 0x00, 0x00}},
    {"catalogue name length", 2 * kPage + 63 + 24 + 17 * 25, {0xFF, 0xFF}},
    {"map page row count", 6 * kPage + 12, {0xFF, 0x00}},
    {"map page row offsets", 6 * kPage + 14, {0xFF, 0xFF, 0xFF, 0xFF}},
    {"catalogue rows page", 7 * kPage + 14, {0x00, 0x00}},
    {"catalogue row bytes", 8 * kPage - 60, std::vector<uint8_t>(60, 0xFF)},
    {"reference map to nowhere", 6 * kPage + 4096 - 69, {0x01, 0xFF, 0xFF, 0xFF, 0x0F}},
    {"map row of three bytes", 6 * kPage + 14, {0xFD, 0x0F}},
    {"catalogue column past the null mask", 2 * kPage + 63 + 24 + 5, {0xF0, 0x00}},
    {"catalogue fixed column past the row end", 2 * kPage + 63 + 24 + 21, {0xFF, 0x7F}},
};

void Patch(const std::filesystem::path& file, const Damage& damage) {
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  stream.seekp(static_cast<std::streamoff>(damage.offset));
  stream.write(reinterpret_cast<const char*>(damage.bytes.data()),
               static_cast<std::streamsize>(damage.bytes.size()));
}

TEST(DamagedFile, OpenAndExtendNeverCrash) {
  tarvex::test::ScratchDir scratch;
  auto pristine = scratch.path() / "pristine.mdb";
  {
    Database db;
    db.Create(pristine, kLocale, kDbVersion40);
    MakeTable(db, u"T", {{u"A", 4, 4}, {u"B", 12, 0}});
    AddRows(db, u"T", {{u"1", u"x"}, {u"2", std::u16string(3000, u'y')}});
    db.Close();
  }
  for (const auto& damage : kDamages) {
    SCOPED_TRACE(damage.label);
    auto file = scratch.path() / "damaged.mdb";
    std::filesystem::copy_file(pristine, file, std::filesystem::copy_options::overwrite_existing);
    Patch(file, damage);
    try {
      Database db;
      db.Open(file, false, false, "");
      MakeTable(db, u"More", {{u"C", 10, 10}});
      AddRows(db, u"More", {{u"z"}});
      AddRows(db, u"T", {{u"3", u"w"}});
      db.Close();
    } catch (const DaoException&) {
      // refusing a damaged file is the expected outcome for most damages
    }
  }
  std::ofstream(scratch.path() / "short.mdb") << std::string(100, 'x');
  Database db;
  EXPECT_THROW(db.Open(scratch.path() / "short.mdb", false, false, ""), DaoException);
}

}  // namespace
}  // namespace tarvex::dao::test
