// Page header and page kind: what every scan asks first of each page it reads.
// Round trip: a data page built for the owner its header names decodes to that owner.
#include "engine/page_heads.h"
#include "format/data_page.h"
#include "format/page_type.h"
#include "structure_input.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const format::Bytes page = in.Rest();

  const bool anyType = format::IsPageOfAnyType(page);
  for (uint8_t type = 0; type <= format::kHighestPageType; ++type)
    if (format::IsPageOfType(page, static_cast<format::PageType>(type))) FUZZ_CHECK(!page.empty());
  const auto head = engine::PageHead::Of(page.first(std::min<size_t>(page.size(),
                                                                      layout.pageHeaderLength)),
                                         layout);
  FUZZ_CHECK(head.dataPage == format::IsDataPage(page, layout));
  const auto header = format::DecodeDataPageHeader(page, layout);
  if (!header) return 0;
  FUZZ_CHECK(anyType && head.dataPage);
  FUZZ_CHECK(static_cast<uint32_t>(head.owner) == header->owner);

  const format::DataPageBuilder fresh(layout, header->owner);
  const auto again = format::DecodeDataPageHeader(fresh.bytes(), layout);
  FUZZ_CHECK(again && again->owner == header->owner && again->rowCount == 0);
  FUZZ_CHECK(engine::PageHead::Of(fresh.bytes(), layout).owner == head.owner);
  return 0;
}
