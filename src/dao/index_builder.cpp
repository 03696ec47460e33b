#include "dao/index_builder.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "format/index_page.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

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
size_t PageCapacity(const format::JetLayout& layout) {
  return format::IndexPageCapacity(layout) - 1;
}

Level PlanLeaves(const IndexEntries& entries, size_t capacity) {
  Level level;
  size_t bytes = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (level.empty() || bytes + entries[i].size() > capacity) {
      level.push_back({i, 0, {}});
      bytes = 0;
    }
    level.back().count++;
    level.back().lastEntry.assign(entries[i].begin(), entries[i].end());
    bytes += entries[i].size();
  }
  if (level.empty()) level.push_back({0, 0, {}});
  return level;
}

// Node pages over `children`: every child but a page's last one is an entry.
Level PlanNodes(const Level& children, size_t capacity) {
  Level level;
  size_t bytes = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    size_t grown = level.empty()
                       ? 0
                       : bytes + children[i - 1].lastEntry.size() + format::kIndexChildPointerSize;
    if (level.empty() || grown > capacity) {
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

void IndexEntries::Add(std::span<const uint8_t> key, uint32_t page, uint8_t row) {
  const size_t start = bytes_.size();
  bytes_.insert(bytes_.end(), key.begin(), key.end());
  format::AppendIndexRowPointer(bytes_, page, row);
  spans_.push_back({start, static_cast<uint32_t>(bytes_.size() - start)});
}

size_t IndexEntries::Sort() {
  const auto bytes = [this](const Span& s) {
    return std::span<const uint8_t>(bytes_).subspan(s.start, s.length);
  };
  std::sort(spans_.begin(), spans_.end(), [&](const Span& a, const Span& b) {
    const auto x = bytes(a), y = bytes(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
  });
  size_t distinct = 0;
  for (size_t i = 0; i < spans_.size(); ++i) {
    const auto key = bytes(spans_[i]).first(spans_[i].length - format::kIndexRowPointerSize);
    if (i == 0) {
      distinct = 1;
      continue;
    }
    const auto before = bytes(spans_[i - 1]);
    if (!std::equal(key.begin(), key.end(), before.begin(),
                    before.end() - format::kIndexRowPointerSize))
      ++distinct;
  }
  return distinct;
}

BuiltIndex BuildIndex(IndexEntries entries, uint32_t owner, const PageSet& reusable, PageFile& file,
                      std::vector<uint32_t>& unused) {
  BuiltIndex built;
  built.distinctKeys = entries.Sort();
  const size_t capacity = PageCapacity(file.layout());
  std::vector<Level> levels{PlanLeaves(entries, capacity)};
  while (levels.back().size() > 1) levels.push_back(PlanNodes(levels.back(), capacity));

  // Number the pages, root first, taking reusable pages before new ones.
  std::vector<uint32_t> pool(reusable.pages().begin(), reusable.pages().end());
  size_t taken = 0;
  auto next = [&]() { return taken < pool.size() ? pool[taken++] : file.Allocate(); };
  std::vector<std::vector<uint32_t>> numbers(levels.size());
  for (size_t l = levels.size(); l-- > 0;)
    for (size_t p = 0; p < levels[l].size(); ++p) numbers[l].push_back(next());

  std::vector<uint8_t> bytes(file.layout().pageSize);
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
        for (size_t e = plan.first; e < plan.first + plan.count; ++e)
          page.entries.emplace_back(entries[e].begin(), entries[e].end());
      } else {
        const Level& below = levels[l - 1];
        size_t entriesHere = plan.count > 1 ? plan.count - 1 : 1;
        for (size_t c = plan.first; c < plan.first + entriesHere; ++c) {
          page.entries.push_back(below[c].lastEntry);
          format::AppendIndexChildPage(page.entries.back(), numbers[l - 1][c]);
        }
        if (plan.count > 1) page.tail = numbers[l - 1][plan.first + plan.count - 1];
      }
      if (!format::EncodeIndexPage(page, file.layout(), bytes))
        throw DaoException("An index entry is too long for an index page.");
      file.Write(numbers[l][p], bytes);
      built.pages.Add(numbers[l][p]);
    }
  }
  built.rootPage = numbers.back().front();
  std::vector<uint8_t> zero(file.layout().pageSize, 0);
  for (size_t i = taken; i < pool.size(); ++i) {
    file.Write(pool[i], zero);
    unused.push_back(pool[i]);
  }
  return built;
}

}  // namespace tarvex::dao
