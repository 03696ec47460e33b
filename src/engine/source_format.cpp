#include "engine/source_format.h"

#include <algorithm>
#include <array>

#include "engine/db_file_reader.h"
#include "format/header_mask.h"
#include "format/header_page.h"
#include "format/value_types.h"

namespace tarvex::engine {
namespace {

using format::ColumnType;
using format::DatabaseFormat;
using format::TypeCode;

// Text columns of files Access 2010 and later made carry the newer General sort
// order, version 1 in the top byte of the column's sort word.
constexpr uint32_t kGeneralSortVersionBits = 0x01000000;

std::optional<format::HeaderPage> ReadHeader(const std::filesystem::path& path) {
  CDBFileReader reader;
  CErrorHandler error;
  std::array<uint8_t, format::kHeaderMaskOffset + format::kHeaderMaskLength> page{};
  if (!reader.Open(path, error) || !reader.ReadWhole(0, page)) return std::nullopt;
  return format::ReadHeaderPage(page);
}

// The first ACE version that has every column the model holds; Access 2007 for none.
DatabaseFormat AceVersionOfColumns(const model::CAccessData& model) {
  DatabaseFormat format = DatabaseFormat::kAce12;
  for (const auto& table : model.tableList)
    for (const auto& column : table->columnList) {
      const auto& info = column.colInfo;
      if (info.type == TypeCode(ColumnType::kExtDateTime))
        format = std::max(format, DatabaseFormat::kAce17);
      else if (info.type == TypeCode(ColumnType::kBigInt))
        format = std::max(format, DatabaseFormat::kAce16);
      else if (info.IsCalculated() ||
               ((info.type == TypeCode(ColumnType::kText) ||
                 info.type == TypeCode(ColumnType::kMemo)) &&
                (info.extra & kGeneralSortVersionBits) != 0))
        format = std::max(format, DatabaseFormat::kAce14);
    }
  return format;
}

bool HasAceColumn(const model::CAccessData& model) {
  return std::any_of(model.tableList.begin(), model.tableList.end(), [](const auto& table) {
    return std::any_of(table->columnList.begin(), table->columnList.end(), [](const auto& c) {
      return c.colInfo.type == TypeCode(ColumnType::kComplex) ||
             c.colInfo.type == TypeCode(ColumnType::kBigInt) ||
             c.colInfo.type == TypeCode(ColumnType::kExtDateTime) || c.colInfo.IsCalculated();
    });
  });
}

bool NamedAccdb(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".accdb";
}

}  // namespace

DatabaseFormat SourceFormat(const std::filesystem::path& dataFile, const format::JetLayout& layout,
                            const model::CAccessData& model) {
  if (const auto header = ReadHeader(dataFile);
      header && &format::LayoutOf(header->format) == &layout)
    return header->format;
  if (layout.version == format::JetVersion::kJet3) return DatabaseFormat::kJet3;
  if (NamedAccdb(dataFile) || HasAceColumn(model)) return AceVersionOfColumns(model);
  return DatabaseFormat::kJet4;
}

}  // namespace tarvex::engine
