#include "dao/header_page.h"

#include <charconv>

#include "dao/dao_exception.h"
#include "dao/security_ids.h"
#include "format/database_header.h"
#include "format/header_page.h"

namespace tarvex::dao {
namespace {

// A word of unknown meaning in Access 97 headers; one observed value of it.
constexpr uint16_t kJet3ReferenceHeaderWord56 = 0x251E;

}  // namespace

uint16_t CodePageOfLocale(const std::string& locale) {
  auto at = locale.find(";CP=");
  if (at == std::string::npos) return 1252;
  const char* first = locale.data() + at + 4;
  const char* last = locale.data() + locale.size();
  uint16_t codePage = 0;
  auto [end, error] = std::from_chars(first, last, codePage);
  if (error != std::errc() || codePage == 0 || (end != last && *end != ';'))
    throw DaoException("Invalid code page in locale '" + locale + "'.");
  return codePage;
}

std::vector<uint8_t> BuildHeaderPage(format::DatabaseFormat format, uint16_t codePage) {
  const ReferenceHeader& reference = ReferenceHeaderOf(format);
  format::HeaderPage header;
  header.format = format;
  header.codePage = codePage;
  header.sortOrder = format::kGeneralSortOrder;
  header.sortVersion = format::kGeneralLegacySortVersion;
  header.creationDate = reference.creationDate;
  header.engineBuild = reference.engineBuild;
  header.versionFlags = format == format::DatabaseFormat::kAce14 ? 1 : 0;
  header.jet3Word56 = format == format::DatabaseFormat::kJet3 ? kJet3ReferenceHeaderWord56 : 0;
  return format::EncodeHeaderPage(header);
}

format::DatabaseFormat CheckHeaderPage(std::span<const uint8_t> page) {
  const auto header = format::ReadHeaderPage(page);
  if (!header) throw DaoException("The file is not a Microsoft Access database.");
  if (header->databaseKey != 0) throw DaoException("Encrypted databases are not supported.");
  return header->format;
}

}  // namespace tarvex::dao
