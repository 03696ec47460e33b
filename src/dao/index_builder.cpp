#include "dao/index_builder.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "format/index_page.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

using format::kJet4Layout;

// One page of the tree before page numbers are known: a run of items of the
// level below (entries for leaves, child pages for nodes).
struct PagePlan {
  size_t first = 0;
  size_t count = 0;
  std::vector<uint8_t> lastEntry;  // the last leaf entry under this page
};

using Level = std::vector<PagePlan>;

// A page is never filled to its last byte: an entry ending exactly at the end
// of the entry area would need the mask bit just past it, a corner readers
// may not expect.
constexpr size_t kPageCapacity = format::IndexPageCapacity(kJet4Layout) - 1;

Level PlanLeaves(const std::vector<std::vector<uint8_t>>& entries) {
  Level level;
  size_t bytes = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (level.empty() || bytes + entries[i].size() > kPageCapacity) {
      level.push_back({i, 0, {}});
      bytes = 0;
    }
    level.back().count++;
    level.back().lastEntry = entries[i];
    bytes += entries[i].size();
  }
  if (level.empty()) level.push_back({0, 0, {}});
  return level;
}

// Node pages over `children`: every child but a page's last one is an entry.
Level PlanNodes(const Level& children) {
  Level level;
  size_t bytes = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    size_t grown = level.empty()
                       ? 0
                       : bytes + children[i - 1].lastEntry.size() + format::kIndexChildPointerSize;
    if (level.empty() || grown > kPageCapacity) {
      level.push_back({i, 0, {}});
      bytes = 0;
    } else {
      bytes = grown;
    }
    level.back().count++;
    level.back().lastEntry = children[i].lastEntry;
  }
  return level;
}

}  // namespace

std::vector<uint8_t> IndexEntry::Bytes() const {
  std::vector<uint8_t> out = key;
  format::AppendIndexRowPointer(out, page, row);
  return out;
}

bool IndexEntry::operator<(const IndexEntry& other) const {
  if (key != other.key) return key < other.key;  // lexicographic on unsigned bytes
  if (page != other.page) return page < other.page;
  return row < other.row;
}

BuiltIndex BuildIndex(std::vector<IndexEntry> entries, uint32_t owner, const PageSet& reusable,
                      PageFile& file, std::vector<uint32_t>& unused) {
  std::sort(entries.begin(), entries.end());
  std::vector<std::vector<uint8_t>> leafEntries;
  leafEntries.reserve(entries.size());
  for (const auto& e : entries) leafEntries.push_back(e.Bytes());
  entries.clear();

  std::vector<Level> levels{PlanLeaves(leafEntries)};
  while (levels.back().size() > 1) levels.push_back(PlanNodes(levels.back()));

  // Number the pages, root first, taking reusable pages before new ones.
  std::vector<uint32_t> pool(reusable.pages().begin(), reusable.pages().end());
  size_t taken = 0;
  auto next = [&]() { return taken < pool.size() ? pool[taken++] : file.Allocate(); };
  std::vector<std::vector<uint32_t>> numbers(levels.size());
  for (size_t l = levels.size(); l-- > 0;)
    for (size_t p = 0; p < levels[l].size(); ++p) numbers[l].push_back(next());

  BuiltIndex built;
  std::vector<uint8_t> bytes(kJet4Layout.pageSize);
  for (size_t l = 0; l < levels.size(); ++l) {
    for (size_t p = 0; p < levels[l].size(); ++p) {
      const PagePlan& plan = levels[l][p];
      format::IndexPage page;
      page.leaf = l == 0;
      page.nodeMarker = !page.leaf;  // as Access writes it
      page.owner = owner;
      page.previous = p > 0 ? numbers[l][p - 1] : 0;
      page.next = p + 1 < levels[l].size() ? numbers[l][p + 1] : 0;
      if (l == 0) {
        page.entries.assign(
            leafEntries.begin() + static_cast<std::ptrdiff_t>(plan.first),
            leafEntries.begin() + static_cast<std::ptrdiff_t>(plan.first + plan.count));
      } else {
        const Level& below = levels[l - 1];
        size_t entriesHere = plan.count > 1 ? plan.count - 1 : 1;
        for (size_t c = plan.first; c < plan.first + entriesHere; ++c) {
          page.entries.push_back(below[c].lastEntry);
          format::AppendIndexChildPage(page.entries.back(), numbers[l - 1][c]);
        }
        if (plan.count > 1) page.tail = numbers[l - 1][plan.first + plan.count - 1];
      }
      if (!format::EncodeIndexPage(page, kJet4Layout, bytes))
        throw DaoException("An index entry is too long for an index page.");
      file.Write(numbers[l][p], bytes);
      built.pages.Add(numbers[l][p]);
    }
  }
  built.rootPage = numbers.back().front();
  std::vector<uint8_t> zero(kJet4Layout.pageSize, 0);
  for (size_t i = taken; i < pool.size(); ++i) {
    file.Write(pool[i], zero);
    unused.push_back(pool[i]);
  }
  return built;
}

}  // namespace tarvex::dao
