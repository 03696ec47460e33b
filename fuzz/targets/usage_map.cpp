// A usage map row, inline or by reference to bitmap pages, both layouts.
// Round trip: the pages a map marks, written again as a map of the same kind,
// are the pages the new map marks.
#include <functional>
#include <map>

#include "format/usage_map.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// An Access file stays under 2 GB: no more pages than this are asked for.
constexpr uint64_t kPageLimit = uint64_t{1} << 20;

using PageAt = std::function<std::optional<format::Bytes>(uint32_t)>;

std::vector<uint32_t> MarkedPages(format::Bytes row, const format::JetLayout& layout,
                                  const PageAt& pageAt) {
  std::vector<uint32_t> pages;
  const auto map = format::DecodeUsageMap(row);
  if (!map) return pages;
  format::ForEachMarkedPage(*map, layout, kPageLimit, pageAt, [&pages](uint64_t page) {
    FUZZ_CHECK(page < kPageLimit && (pages.empty() || page > pages.back()));
    pages.push_back(static_cast<uint32_t>(page));
  });
  return pages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const format::Bytes row = in.Take(in.Byte());
  std::map<uint32_t, format::Bytes> input;
  for (const auto& page : fuzz::ReadNumberedPages(in, layout.pageSize))
    input[page.number] = page.bytes;
  const auto pages = MarkedPages(row, layout, [&input](uint32_t number) {
    const auto found = input.find(number);
    return found == input.end() ? std::nullopt : std::optional<format::Bytes>(found->second);
  });
  const auto map = format::DecodeUsageMap(row);
  if (!map) return 0;

  std::vector<uint8_t> rewritten(row.size());
  std::vector<std::vector<uint8_t>> bitmapPages;
  if (map->type == format::UsageMapType::kInline) {
    format::EncodeInlineMap(rewritten, map->startPage, pages);
  } else {
    // Range k's bitmap page becomes page k + 1.
    std::vector<uint32_t> numbers;
    for (uint32_t range = 0; range < map->bitmapPages.size(); ++range) {
      std::vector<uint8_t> page(layout.pageSize);
      const bool any = format::EncodeBitmapPage(page, range, pages, layout);
      numbers.push_back(any ? range + 1 : 0);
      bitmapPages.push_back(std::move(page));
    }
    format::EncodeReferenceMap(rewritten, numbers);
  }
  const auto again = MarkedPages(rewritten, layout, [&bitmapPages](uint32_t number) {
    return number == 0 || number > bitmapPages.size()
               ? std::nullopt
               : std::optional<format::Bytes>(bitmapPages[number - 1]);
  });
  FUZZ_CHECK(again == pages);
  return 0;
}
