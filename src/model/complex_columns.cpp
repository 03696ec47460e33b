#include "model/complex_columns.h"

#include <algorithm>
#include <array>

#include "format/jet_layout.h"
#include "model/text_number.h"

namespace tarvex::model {
namespace {

constexpr std::u16string_view kComplexColumnsTable = u"MSysComplexColumns";
constexpr uint32_t kMaxPageNumber = 0xFFFFFF;  // page numbers are three bytes wide

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b,
                            [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

// Reads `count` value texts; false when the file ends first.
template <size_t count>
bool ReadGroup(CFlatTableParser& parser, std::array<std::u16string, count>& group) {
  return std::ranges::all_of(group,
                             [&parser](std::u16string& text) { return parser.ReadNext(text); });
}

}  // namespace

bool CMSysComplexColumns::Read(const std::filesystem::path& dataFile) {
  CFlatTableParser parser;
  parser.SetPath(dataFile);
  if (!parser.Open()) return false;
  std::array<std::u16string, 5> group;
  while (ReadGroup(parser, group)) {
    records_.push_back({group[0], group[1], group[2], group[3], group[4]});
  }
  parser.Close();
  return true;
}

void CMSysComplexColumns::AttachTo(CAccessTableList& tables) const {
  for (const auto& record : records_) tables.AttachComplexInfo(record);
}

std::u16string CComplexParser::MultiValuedList(const std::u16string& key) {
  std::u16string list;
  if (!Open()) return list;
  // Flat-table rows: owning row's key, the item's number, the item.
  std::array<std::u16string, 3> row;
  bool first = true;
  while (ReadGroup(*this, row)) {
    if (row[0] != key) continue;
    if (!first) list += u", ";
    list += row[2];
    first = false;
  }
  Close();
  return list;
}

std::optional<std::filesystem::path> FlatTableDataFilePath(const CMSysComplexColumnsData& record) {
  const int64_t page = ParseDecimal64(record.flatTableId);
  if (page <= 0 || page > kMaxPageNumber) return std::nullopt;
  // Only .accdb files have complex columns, so the id counts 4096-byte pages.
  return TableDataFilePath(format::kJet4Layout.PageOffset(static_cast<uint32_t>(page)));
}

bool ApplyComplexColumns(CAccessData& model) {
  const auto found = std::ranges::find_if(model.tableList, [](const auto& table) {
    return EqualsIgnoringCase(table->name, kComplexColumnsTable);
  });
  if (found == model.tableList.end()) return false;
  CMSysComplexColumns complexColumns;
  complexColumns.Read((*found)->DataFilePath());
  complexColumns.AttachTo(model.tableList);
  return true;
}

}  // namespace tarvex::model
