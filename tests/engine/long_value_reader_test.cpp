#include "engine/long_value_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <set>

#include "engine/row_values.h"
#include "engine/table_definition.h"
#include "format/data_page.h"
#include "format/row_pointer.h"
#include "format/unicode.h"
#include "format/value_text.h"
#include "model/access_data.h"
#include "model/working_folder.h"
#include "support/both_layouts.h"
#include "support/fixture_tables.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

using format::JetLayout;
using Blob = std::vector<uint8_t>;

// Distinct bytes, so that a piece taken from the wrong place shows.
Blob Pattern(size_t length, uint8_t seed) {
  Blob bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + 7 * i + i / 251);
  return bytes;
}

Blob Concat(std::initializer_list<Blob> parts) {
  Blob all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The length's low 30 bits, with the kind in the top bits: 0x80 inline, 0x40 one row, 0x00 a chain.
Blob Header(uint32_t length, uint8_t kind, uint8_t row = 0, uint32_t page = 0) {
  Blob header(format::kLongValueHeaderSize, 0);
  format::PutU32(header, 0, length | uint32_t{kind} << 24);
  format::PutU32(header, 4, format::RowPointer{page, row}.ToU32());
  return header;
}

// A row of a long-value chain: the pointer to the next row, then the data.
Blob ChainRow(uint8_t nextRow, uint32_t nextPage, const Blob& data) {
  Blob row(4);
  format::PutU32(row, 0, format::RowPointer{nextPage, nextRow}.ToU32());
  return Concat({row, data});
}

// A data page with the rows packed from the page end towards the header, row 0 last.
Blob DataPage(const JetLayout& layout, const std::vector<Blob>& rows) {
  Blob page(layout.pageSize, 0);
  page[0] = layout.dataPageSignature[0];
  page[1] = layout.dataPageSignature[1];
  format::PutU16(page, layout.dataPageRowCountOffset, static_cast<uint16_t>(rows.size()));
  size_t end = page.size();
  for (size_t i = 0; i < rows.size(); ++i) {
    end -= rows[i].size();
    std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<std::ptrdiff_t>(end));
    format::PutU16(page, layout.dataPageRowTableOffset + 2 * i, static_cast<uint16_t>(end));
  }
  return page;
}

// A data file made of pages (missing pages are zeros), opened for a reader.
class PageFile {
 public:
  explicit PageFile(const JetLayout& layout) : layout_(layout) {}
  void Set(uint32_t page, Blob bytes) { pages_[page] = std::move(bytes); }

  CLongValueReader& Open() {
    const uint32_t count = pages_.empty() ? 0 : pages_.rbegin()->first + 1;
    Blob file(static_cast<size_t>(count) * layout_.pageSize, 0);
    for (const auto& [page, bytes] : pages_) {
      std::copy(bytes.begin(), bytes.end(),
                file.begin() + static_cast<std::ptrdiff_t>(layout_.PageOffset(page)));
    }
    const auto path = dir_.path() / "data.mdb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    model::CErrorHandler error;
    EXPECT_TRUE(reader_.Open(path, error));
    longValues_.emplace(reader_, file.size(), layout_);
    return *longValues_;
  }

 private:
  const JetLayout& layout_;
  std::map<uint32_t, Blob> pages_;
  test::ScratchDir dir_;
  CDBFileReader reader_;
  std::optional<CLongValueReader> longValues_;
};

Blob FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Blob(std::istreambuf_iterator<char>(in), {});
}

std::filesystem::path PathOf(const Blob& value) {
  EXPECT_EQ(value.size() % 2, 1u);
  EXPECT_EQ(value.back(), 0);
  return std::filesystem::path(format::Utf16LeToText(value));
}

std::vector<std::string> OleFilesInWorkingFolder() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(model::WorkingFolder::Path())) {
    if (entry.path().extension() == ".Ole") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Pieces of the hand-made file every case reads from.
const Blob kRowA = Pattern(300, 1), kRowB = Pattern(40, 2);
const Blob kC = Pattern(100, 3), kD = Pattern(100, 4), kE = Pattern(100, 5);
const Blob kF = Pattern(60, 6), kG = Pattern(50, 7), kH = Pattern(50, 8), kI = Pattern(30, 9);
// What follows an inline value's header in its row.
const Blob kSeven{'a', 'b', 'c', 'd', 'e', 'f', 'g'};

// page 0 and 6: not data pages; 1: two single rows; 2 -> 3 (row 1) -> 4: a chain;
// 5 -> 6: a chain into a page that is not a data page; 7 -> 8 -> 7: a looping chain;
// 9 -> 99: a chain that leaves the file.
void BuildPages(PageFile& file, const JetLayout& layout) {
  file.Set(1, DataPage(layout, {kRowA, kRowB}));
  file.Set(2, DataPage(layout, {ChainRow(1, 3, kC)}));
  file.Set(3, DataPage(layout, {Pattern(20, 10), ChainRow(0, 4, kD)}));
  file.Set(4, DataPage(layout, {ChainRow(0, 0, kE)}));
  file.Set(5, DataPage(layout, {ChainRow(0, 6, kF)}));
  file.Set(7, DataPage(layout, {ChainRow(0, 8, kG)}));
  file.Set(8, DataPage(layout, {ChainRow(0, 7, kH)}));
  file.Set(9, DataPage(layout, {ChainRow(0, 99, kI)}));
  file.Set(10, DataPage(layout, {}));
}

Blob Prefix(const Blob& bytes, size_t length) {
  return Blob(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

class LongValueReaderTest : public test::LayoutTest {
 protected:
  model::CAccessData model_;  // holds the working folder
};

INSTANTIATE_TEST_SUITE_P(Layouts, LongValueReaderTest, test::BothLayouts(), test::LayoutName);

struct MemoCase {
  const char* what;
  Blob header;
  Blob afterHeader;
  std::optional<Blob> expected;
  bool partial = false;  // only a part of the value its header describes
};

TEST_P(LongValueReaderTest, MemoValuesFromRowsPagesAndChains) {
  const std::vector<MemoCase> cases{
      {"inline", Header(5, 0x80), kSeven, Blob{'a', 'b', 'c', 'd', 'e'}},
      {"inline past the row: cut to the row", Header(10, 0x80), Prefix(kSeven, 3),
       Prefix(kSeven, 3), true},
      {"inline, empty", Header(0, 0x80), {}, Blob{}},
      {"one row, to the next row's start", Header(40, 0x40, 1, 1), {}, kRowB},
      {"one row, shorter than the row", Header(20, 0x40, 1, 1), {}, Prefix(kRowB, 20)},
      {"one row, longer than the row", Header(100, 0x40, 1, 1), {}, kRowB, true},
      {"one row, row 0 to the page end", Header(300, 0x40, 0, 1), {}, kRowA},
      {"one row on a page that is not a data page", Header(10, 0x40, 0, 6), {}, std::nullopt},
      {"one row on a page outside the file", Header(10, 0x40, 0, 99), {}, std::nullopt},
      {"one row beyond the page's row count", Header(10, 0x40, 2, 1), {}, std::nullopt},
      {"one row on a page without rows", Header(10, 0x40, 0, 10), {}, std::nullopt},
      {"chain", Header(300, 0x00, 0, 2), {}, Concat({kC, kD, kE})},
      {"chain trimmed to the length",
       Header(250, 0x00, 0, 2),
       {},
       Concat({kC, kD, Prefix(kE, 50)})},
      {"chain longer than its rows", Header(5000, 0x00, 0, 2), {}, Concat({kC, kD, kE}), true},
      {"chain into a page that is not a data page", Header(500, 0x00, 0, 5), {}, std::nullopt},
      {"looping chain", Header(100000, 0x00, 0, 7), {}, Concat({kG, kH}), true},
      {"chain leaving the file", Header(100, 0x00, 0, 9), {}, kI, true},
      {"chain starting outside the file", Header(100, 0x00, 0, 99), {}, Blob{}, true},
      {"chain of 16 MiB or more, its links ending first",
       Header(0x1000000 + 300, 0x00, 0, 2),
       {},
       Concat({kC, kD, kE}),
       true},
      {"inline, a page or longer", Header(layout().pageSize, 0x80), kSeven, std::nullopt},
      {"unknown storage kind", Header(5, 0xC0), kSeven, std::nullopt},
      {"header cut short", Prefix(Header(5, 0x80), 11), kSeven, std::nullopt},
  };
  PageFile file(layout());
  BuildPages(file, layout());
  auto& reader = file.Open();
  for (const auto& c : cases) {
    EXPECT_EQ(reader.MemoValue(c.header, c.afterHeader), c.expected) << c.what;
    if (c.expected) {
      EXPECT_EQ(reader.lastValuePartial(), c.partial) << c.what;
    }
  }
  EXPECT_EQ(reader.oleCounter(), 0);
  EXPECT_TRUE(OleFilesInWorkingFolder().empty());
  EXPECT_FALSE(std::filesystem::exists(model::OleFileNameListPath()));
}

struct OleCase {
  const char* what;
  Blob header;
  Blob afterHeader;
  std::optional<Blob> contents;  // nothing: no value and no file
};

TEST_P(LongValueReaderTest, OleObjectsBecomeFilesWithNamesNumberedAcrossKinds) {
  const std::vector<OleCase> cases{
      {"inline", Header(5, 0x80), kSeven, Blob{'a', 'b', 'c', 'd', 'e'}},
      {"inline past the row: cut to the row", Header(10, 0x80), Prefix(kSeven, 3),
       Prefix(kSeven, 3)},
      {"inline, empty: an empty object, not a null one", Header(0, 0x80), kSeven, Blob{}},
      {"inline, a page or longer", Header(layout().pageSize, 0x80), kSeven, std::nullopt},
      {"one row", Header(40, 0x40, 1, 1), {}, kRowB},
      {"one row, longer than the row", Header(100, 0x40, 1, 1), {}, kRowB},
      {"one row, empty", Header(0, 0x40, 1, 1), {}, std::nullopt},
      {"one row on a page that is not a data page", Header(10, 0x40, 0, 6), {}, std::nullopt},
      {"chain trimmed to the length",
       Header(250, 0x00, 0, 2),
       {},
       Concat({kC, kD, Prefix(kE, 50)})},
      {"chain into a page that is not a data page", Header(500, 0x00, 0, 5), {}, std::nullopt},
      {"looping chain", Header(100000, 0x00, 0, 7), {}, Concat({kG, kH})},
      {"chain starting outside the file", Header(100, 0x00, 0, 99), {}, std::nullopt},
      {"unknown storage kind", Header(5, 0xC0), kSeven, std::nullopt},
  };
  PageFile file(layout());
  BuildPages(file, layout());
  auto& reader = file.Open();
  std::vector<std::string> kept;
  for (const auto& c : cases) {
    const auto value = reader.OleValue(c.header, c.afterHeader);
    ASSERT_EQ(value.has_value(), c.contents.has_value()) << c.what;
    if (!value) continue;
    const auto path = PathOf(*value);
    EXPECT_EQ(path.parent_path() / "", model::WorkingFolder::Path()) << c.what;
    EXPECT_EQ(FileBytes(path), *c.contents) << c.what;
    kept.push_back(path.filename().string());
  }
  const std::string row = layout().pageSize == 2048 ? "1_" : "";
  // Names that were made for values that came to nothing are used up all the same.
  std::vector<std::string> expected{"0.Ole",       "1.Ole",          "2.Ole",         row + "3.Ole",
                                    row + "4.Ole", "ole_temp_7.Ole", "ole_temp_9.Ole"};
  EXPECT_EQ(kept, expected);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(OleFilesInWorkingFolder(), expected);  // nothing left of the failed ones
  EXPECT_EQ(reader.oleCounter(), 10);
  EXPECT_FALSE(std::filesystem::exists(model::OleFileNameListPath()));
  // An empty object is whole, whatever the value before it was.
  ASSERT_TRUE(reader.MemoValue(Header(10, 0x80), Prefix(kSeven, 3)));
  ASSERT_TRUE(reader.lastValuePartial());
  ASSERT_TRUE(reader.EmptyOleValue());
  EXPECT_FALSE(reader.lastValuePartial());
}

TEST_P(LongValueReaderTest, LengthsOf64KilobytesAndMoreComeBackWhole) {
  // Full long-value rows: the page less its header, one row slot and the chain link.
  const size_t perPage = layout().pageSize - layout().dataPageRowTableOffset - 2 - 4;
  const uint32_t total = 70000;
  const uint32_t pages =
      (total + static_cast<uint32_t>(perPage) - 1) / static_cast<uint32_t>(perPage);
  PageFile file(layout());
  Blob expected;
  for (uint32_t i = 0; i < pages; ++i) {
    const Blob data = Pattern(perPage, static_cast<uint8_t>(i));
    file.Set(1 + i, DataPage(layout(), {ChainRow(0, i + 1 < pages ? 2 + i : 0, data)}));
    expected.insert(expected.end(), data.begin(), data.end());
  }
  expected.resize(total);
  auto& reader = file.Open();
  const Blob header = Header(total, 0x00, 0, 1);
  ASSERT_EQ(header[2], 1);  // the high length byte is set
  EXPECT_EQ(reader.MemoValue(header, {}), expected);
  const auto ole = reader.OleValue(header, {});
  ASSERT_TRUE(ole);
  EXPECT_EQ(FileBytes(PathOf(*ole)), expected);
}

// Pages of random bytes, most of them with the data-page signature, and random
// headers pointing into them: nothing may read outside a page, and no value may
// be longer than its header says.
TEST_P(LongValueReaderTest, RandomPagesAndHeadersGiveBoundedValues) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  constexpr uint32_t kPages = 24;
  PageFile file(layout());
  for (uint32_t page = 0; page < kPages; ++page) {
    Blob bytes(layout().pageSize);
    for (auto& b : bytes) b = static_cast<uint8_t>(byte(random));
    if (page % 5 != 0) {
      bytes[0] = layout().dataPageSignature[0];
      bytes[1] = layout().dataPageSignature[1];
    }
    file.Set(page, bytes);
  }
  auto& reader = file.Open();
  for (int i = 0; i < 3000; ++i) {
    const uint8_t kinds[] = {0x80, 0x40, 0x00};
    const uint32_t length = static_cast<uint32_t>(byte(random)) << (i % 3 * 8);
    const Blob header = Header(length, kinds[i % 3], static_cast<uint8_t>(byte(random) % 8),
                               static_cast<uint32_t>(byte(random)) % (kPages + 4));
    const Blob after = Pattern(static_cast<size_t>(byte(random)), 0);
    if (const auto memo = reader.MemoValue(header, after)) {
      EXPECT_LE(memo->size(), length);
    }
    if (const auto ole = reader.OleValue(header, after)) {
      const auto path = PathOf(*ole);
      EXPECT_EQ(path.parent_path() / "", model::WorkingFolder::Path());
      EXPECT_LE(std::filesystem::file_size(path), length);
      std::filesystem::remove(path);
    }
  }
}

// Long values of files made by Access: where their headers lie was found by
// searching the data pages for the lengths the ground truth gives.
struct RealLongValue {
  const char* file;
  const JetLayout* layout;
  uint32_t page;
  size_t offset;  // of the long-value header in the page
  const char* table;
  int column;  // in the ground truth's column order
};

Blob HeaderAt(const std::filesystem::path& path, const RealLongValue& value) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(value.layout->PageOffset(value.page) + value.offset));
  Blob header(format::kLongValueHeaderSize);
  in.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
  return header;
}

std::string TruthValue(const RealLongValue& value) {
  std::ifstream in(test::FixturesDir() / "real" / "truth" / (std::string(value.file) + ".json"));
  const auto truth = nlohmann::json::parse(in);
  for (const auto& table : truth["tables"]) {
    if (table["name"] == value.table) return table["rows"][0][value.column].get<std::string>();
  }
  return {};
}

class RealFile {
 public:
  explicit RealFile(const RealLongValue& value) : path_(test::FixturesDir() / "real" / value.file) {
    model::CErrorHandler error;
    EXPECT_TRUE(reader_.Open(path_, error));
    longValues_.emplace(reader_, std::filesystem::file_size(path_), *value.layout);
  }
  CLongValueReader& longValues() { return *longValues_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  CDBFileReader reader_;
  std::optional<CLongValueReader> longValues_;
};

TEST(LongValueReaderRealFiles, MemosMatchTheGroundTruth) {
  model::CAccessData model;
  const RealLongValue memos[] = {
      {"ace12_long_text.accdb", &format::kJet4Layout, 100, 4032, "Table1",
       1},  // 5000 characters, chained
      {"jet4_ole_memo.mdb", &format::kJet4Layout, 60, 3906, "MSP_PROJECTS", 2},  // one row
      {"jet3_ole_memo.mdb", &format::kJet3Layout, 50, 1911, "MSP_PROJECTS", 2},  // one row
  };
  for (const auto& memo : memos) {
    RealFile file(memo);
    const auto bytes = file.longValues().MemoValue(HeaderAt(file.path(), memo), {});
    ASSERT_TRUE(bytes) << memo.file;
    const std::string expected = TruthValue(memo);
    if (memo.layout->version == format::JetVersion::kJet4) {
      EXPECT_EQ(format::ToUtf8(format::DecodeJet4Text(*bytes)), expected) << memo.file;
    } else {
      EXPECT_EQ(std::string(bytes->begin(), bytes->end()), expected) << memo.file;  // ASCII text
    }
  }
}

// Every long-value header of the fixtures (memo and OLE values of live rows of
// every table) decodes and re-encodes to the same bytes, but for what Access
// leaves in the four bytes after some chains' pointer.
TEST(LongValueReaderRealFiles, EveryHeaderReencodesTheSame) {
  model::CAccessData model;  // holds the working folder the tables' data files would go to
  size_t canonical = 0, others = 0;
  test::ForEachFixturePage(test::ReadFixtureTables, [&](const test::FixtureTables& fixture,
                                                        uint32_t, format::Bytes bytes) {
    const JetLayout& layout = *fixture.layout;
    const auto owner = fixture.tables.find(
        format::CDataReader::U32(bytes, layout.dataPageOwnerOffset).value_or(0));
    if (!format::IsDataPage(bytes, layout) || owner == fixture.tables.end()) return;
    format::RowSlotWalker rows(bytes, layout);
    format::RowDecoder decoder;
    for (uint32_t n = 0; n < rows.count(); ++n) {
      const format::RowSlot slot = rows.Next();
      if (slot.deleted || slot.moved || !slot.located) continue;
      const format::Bytes row = slot.Of(bytes);
      if (decoder.Decode(row, layout, RowShapeOf(*owner->second)) != format::RowProblem::kNone)
        continue;
      for (const auto& column : owner->second->columnList) {
        const auto& info = column.colInfo;
        const auto value = decoder.Value(RowColumnOf(info, layout));
        if ((info.type != 11 && info.type != 12) || !info.IsVariable() ||  // OLE, memo
            !value || value->size() < format::kLongValueHeaderSize)
          continue;
        const format::Bytes header = value->first(format::kLongValueHeaderSize);
        const auto decoded = format::DecodeLongValueHeader(header);
        ASSERT_TRUE(decoded) << "row " << n;
        const auto again = format::EncodeLongValueHeader(*decoded);
        EXPECT_TRUE(std::equal(again.begin(), again.begin() + 8, header.begin()));
        ++(std::equal(again.begin() + 8, again.end(), header.begin() + 8) ? canonical : others);
      }
    }
  });
  EXPECT_GT(canonical, 10000u);
  EXPECT_LT(others, canonical / 10);
}

// The object's bytes as mdbtools exports them: upper-case hex in the table's last column.
std::string MdbExportHexOfLastColumn(const std::filesystem::path& file, const char* table) {
  int exitCode = 0;
  std::string output = test::RunCommand(
      "mdb-export -b hex -Q -d '|' '" + file.string() + "' " + table + " 2>/dev/null", exitCode);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output.substr(output.find_last_of('|') + 1);
}

std::string Hex(const Blob& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (uint8_t byte : bytes) hex += {kDigits[byte >> 4], kDigits[byte & 15]};
  return hex;
}

TEST(LongValueReaderRealFiles, ChainedOleObjectsMatchMdbtools) {
  model::CAccessData model;
  const RealLongValue objects[] = {
      {"jet4_ole_memo.mdb", &format::kJet4Layout, 60, 4026, "MSP_PROJECTS", 73},
      {"ace12_ole_memo.accdb", &format::kJet4Layout, 87, 4026, "MSP_PROJECTS", 73},
      {"jet3_ole_memo.mdb", &format::kJet3Layout, 50, 2001, "MSP_PROJECTS", 73},
  };
  for (const auto& object : objects) {
    RealFile file(object);
    const auto value = file.longValues().OleValue(HeaderAt(file.path(), object), {});
    ASSERT_TRUE(value) << object.file;
    const Blob bytes = FileBytes(PathOf(*value));
    EXPECT_TRUE(TruthValue(object).starts_with("bin:" + std::to_string(bytes.size()) + ":"))
        << object.file;
    const std::string exported = MdbExportHexOfLastColumn(file.path(), object.table);
    if (exported.empty()) GTEST_SKIP() << "mdb-export is not available";
    EXPECT_EQ(Hex(bytes), exported) << object.file;
  }
}

}  // namespace
}  // namespace tarvex::engine
