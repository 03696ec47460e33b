#include "dao/header_page.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

#include "dao/dao_exception.h"
#include "dao/security_ids.h"
#include "format/data_reader.h"
#include "format/database_header.h"
#include "format/header_mask.h"
#include "format/jet_layout.h"
#include "format/page_type.h"

namespace tarvex::dao {
namespace {

using format::kJet3Layout;
using format::kJet4Layout;

// Constant in every Jet header: the start of the masked region; in Jet 4 also
// the bytes after it.
constexpr std::array<uint8_t, 24> kMaskedPrologue{0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                  0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                  0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
// Access 97 files hold 1 in the word before the sort order, and a word of
// unknown meaning after the password; one observed value of it is copied.
constexpr uint16_t kJet3HeaderWord38 = 1;
constexpr uint16_t kJet3ReferenceHeaderWord56 = 0x251E;
constexpr std::array<uint8_t, 8> kHeaderTrailer{0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};

size_t MaskLength(const format::JetLayout& layout) {
  return layout.version == format::JetVersion::kJet3 ? format::kJet3HeaderMaskLength
                                                     : format::kHeaderMaskLength;
}

// XOR with the key stream both masks and unmasks.
void ApplyMask(std::span<uint8_t> page, const format::JetLayout& layout) {
  const auto& stream = format::HeaderKeyStream();
  for (size_t i = 0; i < MaskLength(layout); ++i) page[format::kHeaderMaskOffset + i] ^= stream[i];
}

void TailPairs(std::span<uint8_t> page) {
  size_t tail = page.size() - format::kHeaderTailPairsLength;
  for (size_t i = tail; i < page.size(); i += 2) page[i + 1] = 0x01;
  page[tail] = 0x01;
}

void WritePasswordArea(std::span<uint8_t> page) {
  // An empty password is stored as the creation date's integer part repeated.
  for (size_t i = 0; i < format::kPasswordLength; i += 4)
    format::PutU32(page, format::kPasswordOffset + i,
                   static_cast<uint32_t>(kReferenceCreationDate));
}

bool HasEngineName(std::span<const uint8_t> page, std::string_view name) {
  return page.size() >= format::kEngineNameOffset + name.size() &&
         std::equal(name.begin(), name.end(), page.begin() + format::kEngineNameOffset);
}

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

std::vector<uint8_t> BuildHeaderPage(const format::JetLayout& layout, uint16_t codePage) {
  std::vector<uint8_t> page(layout.pageSize, 0);
  format::PutPageType(page, format::PageType::kHeader);
  std::copy(format::kJetEngineName.begin(), format::kJetEngineName.end(),
            page.begin() + format::kEngineNameOffset);
  std::copy(kMaskedPrologue.begin(), kMaskedPrologue.end(),
            page.begin() + format::kHeaderMaskOffset);
  format::PutU16(page, format::kHeaderCodePageOffset, codePage);
  if (layout.version == format::JetVersion::kJet3) {
    // An empty Jet 3 password is zeros; there is no creation date to mask it with.
    page[format::kVersionOffset] = format::kJet3VersionByte;
    format::PutU16(page, format::kJet3HeaderWord38Offset, kJet3HeaderWord38);
    format::PutU16(page, format::kJet3SortOrderOffset, format::kGeneralSortOrder);
    format::PutU16(page, format::kJet3HeaderWord56Offset, kJet3ReferenceHeaderWord56);
    ApplyMask(page, layout);
    TailPairs(page);
    return page;
  }
  page[format::kVersionOffset] = format::kJet4VersionByte;
  WritePasswordArea(page);
  format::PutU32(page, format::kHeaderWord6AOffset, kReferenceHeaderWord);
  format::PutU16(page, format::kSortOrderOffset, format::kGeneralSortOrder);
  page[format::kSortOrderVersionOffset] = format::kGeneralLegacySortVersion;
  uint64_t dateBits = 0;
  static_assert(sizeof(dateBits) == sizeof(kReferenceCreationDate));
  std::memcpy(&dateBits, &kReferenceCreationDate, sizeof(dateBits));
  format::PutU64(page, format::kCreationDateOffset, dateBits);
  ApplyMask(page, layout);
  std::copy(kHeaderTrailer.begin(), kHeaderTrailer.end(),
            page.begin() + format::kHeaderTrailerOffset);
  TailPairs(page);
  return page;
}

const format::JetLayout& CheckHeaderPage(std::span<const uint8_t> page) {
  if (page.size() < format::kHeaderMaskOffset + format::kHeaderMaskLength ||
      !format::IsPageOfType(page, format::PageType::kHeader) ||
      !HasEngineName(page, format::kJetEngineName)) {
    if (HasEngineName(page, format::kAceEngineName))
      throw DaoException("Access 2007 and later files (.accdb) are not supported.");
    throw DaoException("The file is not a Microsoft Access database.");
  }
  uint8_t version = page[format::kVersionOffset];
  if (version != format::kJet3VersionByte && version != format::kJet4VersionByte)
    throw DaoException("Unknown database format version.");
  const auto& layout = version == format::kJet3VersionByte ? kJet3Layout : kJet4Layout;
  std::vector<uint8_t> unmasked(page.begin(), page.end());
  ApplyMask(unmasked, layout);
  if (format::CDataReader::U32(unmasked, format::kDatabaseKeyOffset).value_or(1) != 0)
    throw DaoException("Encrypted databases are not supported.");
  return layout;
}

}  // namespace tarvex::dao
