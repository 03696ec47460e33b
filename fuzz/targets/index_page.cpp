// An index page and the keys of its entries, both layouts: the page's entries,
// each key column's length for a column type, and learning the codes of
// characters beyond Latin-1 from keys. Round trips: a page decoded, encoded and
// decoded again holds the same entries; a text's key has the length its
// decoding reads.
#include "format/database_header.h"
#include "format/index_key.h"
#include "format/index_key_jet3.h"
#include "format/index_page.h"
#include "format/value_text.h"
#include "format/value_types.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

constexpr size_t kMostEntriesLearned = 16;

bool SameEntries(const format::IndexPage& a, const format::IndexPage& b) {
  return a.leaf == b.leaf && a.owner == b.owner && a.previous == b.previous && a.next == b.next &&
         a.tail == b.tail && a.nodeMarker == b.nodeMarker && a.entries == b.entries;
}

void CheckTextKeys(std::u16string_view text, bool ascending, format::Bytes stored,
                   const format::TextKeyCodes& codes) {
  const uint8_t flag = ascending ? format::kKeyAscendingPresent : format::kKeyDescendingPresent;
  const uint8_t textType = static_cast<uint8_t>(format::ColumnType::kText);
  auto key = format::TextKey(text, ascending, &codes);
  key.insert(key.begin(), flag);
  FUZZ_CHECK(format::KeyColumnLength(key, textType, ascending, format::JetVersion::kJet4) ==
             key.size());
  if (const auto jet3 = format::Jet3TextKey(stored, format::kGeneralSortOrder, 1252, ascending)) {
    FUZZ_CHECK(format::Jet3TextKeyLength(*jet3, ascending) == jet3->size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in({data, size});
  const auto& layout = fuzz::LayoutOf(in.Byte());
  const uint8_t keyType = in.Byte();
  const bool ascending = (in.Byte() & 1) == 0;
  const format::Bytes page = in.Take(layout.pageSize);
  const format::Bytes textBytes = in.Rest();
  const std::u16string text = format::Utf16LeToText(textBytes);

  format::TextKeyCodes codes;
  const auto decoded = format::DecodeIndexPage(page, layout);
  if (decoded) {
    size_t learned = 0;
    for (const auto& entry : decoded->entries) {
      const format::Bytes key(entry);
      (void)format::KeyColumnLength(key, keyType, ascending, layout.version);
      (void)format::Jet3TextKeyLength(key, ascending);
      if (decoded->leaf) (void)format::IndexEntryRow(key);
      else if (key.size() >= format::kIndexChildPointerSize) (void)format::IndexChildPage(key);
      if (learned++ < kMostEntriesLearned && !key.empty())
        codes.Learn(text, key.subspan(1), ascending);
    }
    codes.LearnWaiting();

    std::vector<uint8_t> encoded(layout.pageSize);
    if (format::EncodeIndexPage(*decoded, layout, encoded)) {
      const auto again = format::DecodeIndexPage(encoded, layout);
      FUZZ_CHECK(again && SameEntries(*again, *decoded));
    } else {
      // Only a page that did not decode whole may not encode again.
      FUZZ_CHECK(decoded->fault != format::IndexPageFault::kNone);
    }
  }
  CheckTextKeys(text, ascending, textBytes, codes);
  return 0;
}
