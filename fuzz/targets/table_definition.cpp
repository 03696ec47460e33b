// A table definition, both layouts, gathered from its chain of pages: the
// format's decoding, the scanner's parse into the model and our engine's
// stricter one. Round trips: a definition decoded whole, encoded and decoded
// again, is the same definition; its stream, laid on pages and gathered
// again, is the same stream.
#include "dao/dao_exception.h"
#include "dao/table_definition.h"
#include "engine/table_definition.h"
#include "format/code_page.h"
#include "format/table_definition.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

// The input's pages: page n of the chain is the input's n-th page.
auto PagesOf(format::Bytes pages, const format::JetLayout& layout) {
  return [pages, &layout](uint32_t number, std::span<uint8_t> page) {
    const uint64_t at = uint64_t{number} * layout.pageSize;
    if (at + layout.pageSize > pages.size()) return false;
    std::copy_n(pages.begin() + static_cast<std::ptrdiff_t>(at), layout.pageSize, page.begin());
    return true;
  };
}

// The definition's fields without the bytes each entry was read from: the encoder writes its
// fields over those bytes as it models them (key columns in the first slots, an order byte of 0
// or 1), and the header's length, counts and chain word anew.
format::TableDefinition Modelled(format::TableDefinition d) {
  d.rawHeader.clear();
  for (auto& c : d.columns) c.raw.clear();
  for (auto& r : d.realIndexes) r.raw.clear(), r.rawBlock.clear();
  for (auto& l : d.logicalIndexes) l.raw.clear();
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const format::Bytes pages = in.Rest();
  const auto stream = format::ReadDefinitionStream(0, layout, PagesOf(pages, layout));
  FUZZ_CHECK(stream.pages.size() <= format::kMaxDefinitionPages);
  if (stream.bytes.empty()) return 0;

  model::CAccessTable table(0);
  engine::ParseDefinition(stream.bytes, layout,
                          [](format::Bytes name) { return format::DecodeCodePage(name, 1252); },
                          table);
  try {
    (void)dao::DecodeTableDefinition(stream.bytes, layout, {layout.version, 1252});
  } catch (const dao::DaoException&) {
  }

  const auto decoded = format::DecodeTableDefinition(stream.bytes, layout);
  if (decoded.fault != format::DefinitionFault::kNone) return 0;
  const auto encoded = format::EncodeTableDefinition(decoded.definition, layout);
  const auto again = format::DecodeTableDefinition(encoded, layout);
  FUZZ_CHECK(again.fault == format::DefinitionFault::kNone);
  FUZZ_CHECK(Modelled(again.definition) == Modelled(decoded.definition));
  // What the encoder wrote, it writes again byte for byte.
  FUZZ_CHECK(format::EncodeTableDefinition(again.definition, layout) == encoded);

  const size_t count = format::DefinitionPageCount(encoded.size(), layout);
  if (count > format::kMaxDefinitionPages) return 0;
  std::vector<uint8_t> laid(count * layout.pageSize);
  for (size_t i = 0; i < count; ++i)
    format::EncodeDefinitionPage(encoded, i, i + 1 < count ? static_cast<uint32_t>(i + 1) : 0,
                                 std::span(laid).subspan(i * layout.pageSize, layout.pageSize),
                                 layout);
  const auto gathered = format::ReadDefinitionStream(0, layout, PagesOf(laid, layout));
  FUZZ_CHECK(gathered.fault == format::DefinitionFault::kNone && gathered.pages.size() == count);
  FUZZ_CHECK(gathered.bytes.size() >= encoded.size());
  // The pages add their free space and chain words to the header.
  const size_t header = layout.tableDefNextPageOffset + 4;
  FUZZ_CHECK(std::equal(encoded.begin() + header, encoded.end(), gathered.bytes.begin() + header));
  return 0;
}
