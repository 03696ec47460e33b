#include "dao/header_page.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "dao/dao_exception.h"
#include "dao/jet4_constants.h"
#include "dao/security_ids.h"
#include "format/data_reader.h"
#include "format/header_mask.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

using format::kJet4Layout;

constexpr char kEngineName[] = "Standard Jet DB";
constexpr size_t kEngineNameLength = 15;
// Constant in every Jet 4 header: the start of the masked region and the
// bytes after it.
constexpr std::array<uint8_t, 24> kMaskedPrologue{0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                  0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                  0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr std::array<uint8_t, 8> kHeaderTrailer{0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};

// XOR with the key stream both masks and unmasks.
void ApplyMask(std::span<uint8_t> page) {
  const auto& stream = format::HeaderKeyStream();
  for (size_t i = 0; i < stream.size(); ++i) page[format::kHeaderMaskOffset + i] ^= stream[i];
}

void WritePasswordArea(std::span<uint8_t> page) {
  // An empty password is stored as the creation date's integer part repeated.
  for (size_t i = 0; i < jet4::kPasswordLength; i += 4)
    format::PutU32(page, jet4::kPasswordOffset + i, static_cast<uint32_t>(kReferenceCreationDate));
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

std::vector<uint8_t> BuildHeaderPage(uint16_t codePage) {
  std::vector<uint8_t> page(kJet4Layout.pageSize, 0);
  page[1] = 0x01;
  std::memcpy(page.data() + jet4::kEngineNameOffset, kEngineName, kEngineNameLength);
  page[jet4::kVersionOffset] = jet4::kVersionByte;
  std::copy(kMaskedPrologue.begin(), kMaskedPrologue.end(),
            page.begin() + format::kHeaderMaskOffset);
  format::PutU16(page, format::kHeaderCodePageOffset, codePage);
  WritePasswordArea(page);
  format::PutU32(page, jet4::kHeaderUnknown6AOffset, kReferenceHeaderWord);
  format::PutU16(page, jet4::kSortOrderOffset, jet4::kGeneralSortOrder);
  page[jet4::kSortOrderOffset + 3] = jet4::kGeneralLegacySortVersion;
  uint64_t dateBits = 0;
  static_assert(sizeof(dateBits) == sizeof(kReferenceCreationDate));
  std::memcpy(&dateBits, &kReferenceCreationDate, sizeof(dateBits));
  format::PutU64(page, jet4::kCreationDateOffset, dateBits);
  ApplyMask(page);
  std::copy(kHeaderTrailer.begin(), kHeaderTrailer.end(),
            page.begin() + jet4::kHeaderTrailerOffset);
  size_t tail = page.size() - jet4::kHeaderTailPairsLength;
  for (size_t i = tail; i < page.size(); i += 2) page[i + 1] = 0x01;
  page[tail] = 0x01;
  return page;
}

void CheckHeaderPage(std::span<const uint8_t> page) {
  if (page.size() < format::kHeaderMaskOffset + format::kHeaderMaskLength ||
      page[0] != jet4::kHeaderPageType ||
      std::memcmp(page.data() + jet4::kEngineNameOffset, kEngineName, kEngineNameLength) != 0) {
    if (page.size() > jet4::kEngineNameOffset + kEngineNameLength &&
        std::memcmp(page.data() + jet4::kEngineNameOffset, "Standard ACE DB", kEngineNameLength) ==
            0)
      throw DaoException("Access 2007 and later files (.accdb) are not supported.");
    throw DaoException("The file is not a Microsoft Access database.");
  }
  uint8_t version = page[jet4::kVersionOffset];
  if (version == 0x00) throw DaoException("Jet 3 (Access 97) databases are not supported.");
  if (version != jet4::kVersionByte) throw DaoException("Unknown database format version.");
  std::vector<uint8_t> unmasked(page.begin(), page.end());
  ApplyMask(unmasked);
  if (format::CDataReader::U32(unmasked, jet4::kDatabaseKeyOffset).value_or(1) != 0)
    throw DaoException("Encrypted databases are not supported.");
}

}  // namespace tarvex::dao
