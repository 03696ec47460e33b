// Table definitions in both layouts: random definitions encode, decode to the
// same definition and re-encode to the same bytes, over one page or several;
// chains end at their bound and at damage; every definition of the fixtures
// decodes and re-encodes to the bytes Access wrote.
#include "format/table_definition.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "support/both_layouts.h"
#include "support/fixture_pages.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;

class TableDefinitionTest : public test::LayoutTest {
 protected:
  bool jet4() const { return layout().version == JetVersion::kJet4; }
};

INSTANTIATE_TEST_SUITE_P(Layouts, TableDefinitionTest, test::BothLayouts(), test::LayoutName);

// Jet 3 names hold code-page bytes, Jet 4 names any UTF-16 unit.
std::u16string RandomName(std::mt19937& random, size_t maxLength, bool jet4) {
  std::u16string name(random() % (maxLength + 1), u'\0');
  for (auto& c : name) c = static_cast<char16_t>(random() % (jet4 ? 0x10000 : 0x100));
  return name;
}

TableDefinition RandomDefinition(std::mt19937& random, size_t maxColumns, bool jet4) {
  TableDefinition d;
  d.tableType = random() % 2 ? kUserTableType : kSystemTableType;
  d.rowCount = static_cast<uint32_t>(random());
  d.autoNumber = static_cast<uint32_t>(random());
  d.maxColumns = static_cast<uint16_t>(random());
  d.ownedMap = static_cast<uint32_t>(random());
  d.freeMap = static_cast<uint32_t>(random());
  d.columns.resize(random() % (maxColumns + 1));
  for (auto& c : d.columns) {
    c.name = RandomName(random, kMaxNameCharacters, jet4);
    c.type = static_cast<uint8_t>(random() % 20);
    c.number = static_cast<uint16_t>(random() % kNoColumn);  // kNoColumn ends the long-value maps
    c.varIndex = static_cast<uint16_t>(random());
    c.position = static_cast<uint16_t>(random());
    c.extra = static_cast<uint32_t>(random());
    c.flags = static_cast<uint8_t>(random());
    c.extraFlags = jet4 ? static_cast<uint8_t>(random()) : 0;
    c.fixedOffset = static_cast<uint16_t>(random());
    c.length = static_cast<uint16_t>(random());
    if (c.IsLongValue())
      d.longValueMaps.push_back({c.number, uint32_t(random()), uint32_t(random())});
  }
  d.realIndexes.resize(random() % (kMaxIndexes + 1));
  for (auto& r : d.realIndexes) {
    r.keys.resize(random() % (kIndexKeySlots + 1));
    for (auto& key : r.keys) key = {static_cast<uint16_t>(random() % kNoColumn), random() % 2 == 0};
    r.usageMap = static_cast<uint32_t>(random());
    r.rootPage = static_cast<uint32_t>(random());
    r.flags = static_cast<uint8_t>(random());
    r.uniqueCount = static_cast<uint32_t>(random());
  }
  d.logicalIndexes.resize(random() % (kMaxIndexes + 1));
  for (auto& l : d.logicalIndexes) {
    l = {RandomName(random, kMaxNameCharacters, jet4),
         static_cast<uint32_t>(random()),
         static_cast<uint32_t>(random()),
         static_cast<uint8_t>(random() % 3),
         {},
         {}};
    if (l.indexType == kLogicalIndexForeignKey)
      l.relation = IndexRelation{static_cast<uint8_t>(random()), static_cast<uint32_t>(random()),
                                 static_cast<uint32_t>(random()), static_cast<uint8_t>(random()),
                                 static_cast<uint8_t>(random())};
  }
  return d;
}

// What a decoded definition holds beside the fields: the bytes each part was read from.
TableDefinition WithoutBytes(TableDefinition d) {
  d.rawHeader.clear();
  for (auto& c : d.columns) c.raw.clear();
  for (auto& r : d.realIndexes) r.raw.clear(), r.rawBlock.clear();
  for (auto& l : d.logicalIndexes) l.raw.clear();
  return d;
}

// The chain's pages, numbered from `first` up.
std::map<uint32_t, Blob> Pages(const Blob& stream, uint32_t first, const JetLayout& layout) {
  std::map<uint32_t, Blob> pages;
  const size_t count = DefinitionPageCount(stream.size(), layout);
  for (size_t i = 0; i < count; ++i) {
    Blob page(layout.pageSize);
    EncodeDefinitionPage(stream, i, i + 1 < count ? first + uint32_t(i) + 1 : 0, page, layout);
    pages.emplace(first + uint32_t(i), page);
  }
  return pages;
}

DefinitionStream Read(const std::map<uint32_t, Blob>& pages, uint32_t first,
                      const JetLayout& layout) {
  return ReadDefinitionStream(first, layout, [&](uint32_t number, std::span<uint8_t> into) {
    const auto found = pages.find(number);
    if (found == pages.end()) return false;
    std::copy(found->second.begin(), found->second.end(), into.begin());
    return true;
  });
}

TEST_P(TableDefinitionTest, RandomDefinitionsRoundTripOverOneOrMorePages) {
  std::mt19937 random(7);
  std::set<size_t> pageCounts;
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const TableDefinition d = RandomDefinition(random, trial % 3 ? 12 : kMaxColumns, jet4());
    const Blob stream = EncodeTableDefinition(d, layout());
    const auto decoded = DecodeTableDefinition(stream, layout());
    ASSERT_EQ(decoded.fault, DefinitionFault::kNone);
    EXPECT_EQ(WithoutBytes(decoded.definition), d);
    EXPECT_EQ(decoded.stored.length, stream.size());
    EXPECT_EQ(EncodeTableDefinition(decoded.definition, layout()), stream);

    const auto pages = Pages(stream, 40, layout());
    pageCounts.insert(pages.size());
    const auto read = Read(pages, 40, layout());
    EXPECT_EQ(read.fault, DefinitionFault::kNone);
    EXPECT_EQ(WithoutBytes(DecodeTableDefinition(read.bytes, layout()).definition), d);
  }
  EXPECT_GE(pageCounts.size(), 4u);  // one page and several
}

// The largest definition Access writes fits within the bound that every chain is held to.
TEST_P(TableDefinitionTest, TheLargestDefinitionFitsTheChainBound) {
  TableDefinition d;
  d.columns.resize(kMaxColumns);
  for (uint16_t i = 0; i < kMaxColumns; ++i) {
    d.columns[i].name = std::u16string(kMaxNameCharacters, jet4() ? u'\u4e00' : u'x');
    d.columns[i].type = static_cast<uint8_t>(ColumnType::kMemo);
    d.longValueMaps.push_back({i, 0, 0});
  }
  d.realIndexes.resize(kMaxIndexes);
  d.logicalIndexes.assign(kMaxIndexes, {std::u16string(kMaxNameCharacters, u'i'), 0, 0, 0, {}, {}});
  const Blob stream = EncodeTableDefinition(d, layout());
  EXPECT_EQ(DefinitionPageCount(stream.size(), layout()), MaxDefinitionPages(layout()));
  EXPECT_EQ(kMaxDefinitionPages, 14u);
  const auto read = Read(Pages(stream, 3, layout()), 3, layout());
  EXPECT_EQ(read.fault, DefinitionFault::kNone);
  EXPECT_EQ(WithoutBytes(DecodeTableDefinition(read.bytes, layout()).definition), d);
}

// A chain ends at its bound, at a page it has read, at a page of another type
// and at a page it cannot read; what came before is kept.
TEST_P(TableDefinitionTest, ChainsEndAtTheBoundAndAtDamage) {
  const Blob stream(kMaxDefinitionPages * layout().pageSize, 0x11);
  const auto pages = Pages(stream, 10, layout());  // more pages than the bound
  ASSERT_GT(pages.size(), kMaxDefinitionPages);
  struct Case {
    const char* name;
    uint32_t pageWithDamage;
    std::function<void(Blob&)> damage;
    DefinitionFault fault;
    size_t pagesKept;
  };
  const Case cases[] = {
      {"too long", 0, [](Blob&) {}, DefinitionFault::kChainTooLong, kMaxDefinitionPages},
      {"loop", 12, [&](Blob& p) { PutU32(p, layout().tableDefNextPageOffset, 11); },
       DefinitionFault::kChainLoops, 3},
      {"data page", 13, [](Blob& p) { p[0] = 0x01; }, DefinitionFault::kNotADefinition, 3},
      {"missing page", 13, [&](Blob&) {}, DefinitionFault::kPageUnreadable, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto damaged = pages;
    if (c.pageWithDamage) c.damage(damaged[c.pageWithDamage]);
    if (c.fault == DefinitionFault::kPageUnreadable) damaged.erase(c.pageWithDamage);
    const auto read = Read(damaged, 10, layout());
    EXPECT_EQ(read.fault, c.fault);
    EXPECT_EQ(read.pages.size(), c.pagesKept);
    EXPECT_EQ(
        read.bytes.size(),
        layout().pageSize + (c.pagesKept - 1) * (layout().pageSize - kContinuationHeaderLength));
  }
}

// Column map slots: an unused slot is skipped, a key is ascending by bit 0 of its order byte.
TEST_P(TableDefinitionTest, KeySlotsAreReadLikeAccessWritesThem) {
  TableDefinition d;
  d.realIndexes.resize(1);
  d.realIndexes[0].keys = {{5, true}, {6, true}, {7, true}, {8, true}};
  Blob stream = EncodeTableDefinition(d, layout());
  const size_t map = layout().tableDefHeaderLength + layout().realIndexCountBlockEntryLength +
                     layout().realIndexColumnMapOffset;
  PutU16(stream, map + 3, kNoColumn);  // slot 1 unused
  stream[map + 2] = 0x00;
  stream[map + 3 * 2 + 2] = 0x02;
  stream[map + 3 * 3 + 2] = 0x03;
  const auto keys = DecodeTableDefinition(stream, layout()).definition.realIndexes.at(0).keys;
  EXPECT_EQ(keys, (std::vector<IndexKeyColumn>{{5, false}, {7, false}, {8, true}}));
}

// Damage is reported and what lies before it kept.
TEST_P(TableDefinitionTest, DamageIsReportedAndWhatPrecedesItKept) {
  TableDefinition d;
  d.columns.resize(3);
  d.columns[0].name = u"a";
  d.columns[1].name = u"bb";
  d.columns[2].name = u"ccc";
  d.logicalIndexes.resize(1);
  const Blob stream = EncodeTableDefinition(d, layout());
  const size_t names = layout().tableDefHeaderLength + 3 * layout().columnEntryLength;
  struct Case {
    const char* name;
    size_t length;
    DefinitionFault fault;
    size_t columns, logicalIndexes;
  };
  const Case cases[] = {
      {"whole", stream.size(), DefinitionFault::kNone, 3, 1},
      {"no terminator", stream.size() - 2, DefinitionFault::kEndsEarly, 3, 1},
      {"cut in the names", names + 2, DefinitionFault::kCountsDoNotFit, 3, 0},
      {"cut in the columns", layout().tableDefHeaderLength + 5, DefinitionFault::kCountsDoNotFit, 0,
       0},
      {"cut in the header", 10, DefinitionFault::kEndsEarly, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto decoded = DecodeTableDefinition(Bytes(stream).first(c.length), layout());
    EXPECT_EQ(decoded.fault, c.fault);
    EXPECT_EQ(decoded.definition.columns.size(), c.columns);
    EXPECT_EQ(decoded.definition.logicalIndexes.size(), c.logicalIndexes);
  }
  Blob notADefinition = stream;
  notADefinition[0] = 0x01;
  EXPECT_EQ(DecodeTableDefinition(notADefinition, layout()).fault,
            DefinitionFault::kNotADefinition);
}

// Every definition page of every fixture that no other definition continues on.
TEST(TableDefinitionFixtures, EveryDefinitionDecodesAndReencodesTheSame) {
  size_t definitions = 0, multiPage = 0, leftovers = 0;
  test::ForEachFixture(test::ReadFixturePages, [&](const test::FixturePages& fixture) {
    const JetLayout& layout = *fixture.layout;
    for (uint32_t first : fixture.DefinitionChainStarts()) {
      const uint8_t tableType = fixture.Page(first)[layout.tableTypeOffset];
      if (tableType != kUserTableType && tableType != kSystemTableType) continue;
      SCOPED_TRACE("page " + std::to_string(first));
      const auto stream =
          ReadDefinitionStream(first, layout, [&](uint32_t n, std::span<uint8_t> into) {
            if (n >= fixture.pageCount()) return false;
            std::copy_n(fixture.Page(n).begin(), into.size(), into.begin());
            return true;
          });
      ASSERT_EQ(stream.fault, DefinitionFault::kNone);
      const auto decoded = DecodeTableDefinition(stream.bytes, layout);
      // A page left over from a dropped table may look like a definition: its counts give it away.
      if (decoded.fault == DefinitionFault::kCountsDoNotFit) {
        ++leftovers;
        continue;
      }
      ASSERT_EQ(decoded.fault, DefinitionFault::kNone);
      ++definitions;
      multiPage += stream.pages.size() > 1;
      // Page by page, up to the stream's end: what follows it is whatever the page held before.
      const Blob again = EncodeTableDefinition(decoded.definition, layout);
      for (size_t i = 0; i < stream.pages.size(); ++i) {
        Blob expected(layout.pageSize);
        const uint32_t next = i + 1 < stream.pages.size() ? stream.pages[i + 1] : 0;
        EncodeDefinitionPage(again, i, next, expected, layout);
        const size_t start =
            i == 0 ? 0 : layout.pageSize + (i - 1) * (layout.pageSize - kContinuationHeaderLength);
        const size_t used = std::min<size_t>(
            layout.pageSize, again.size() - start + (i ? kContinuationHeaderLength : 0));
        const Bytes stored = fixture.Page(stream.pages[i]).first(used);
        EXPECT_EQ(Blob(stored.begin(), stored.end()),
                  Blob(expected.begin(), expected.begin() + long(used)))
            << "page " << i;
      }
    }
  });
  EXPECT_LE(leftovers, 3u);
  EXPECT_GT(definitions, 500u);
  EXPECT_GT(multiPage, 5u);
}

}  // namespace
}  // namespace tarvex::format
