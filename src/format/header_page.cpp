#include "format/header_page.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "format/database_header.h"
#include "format/header_mask.h"
#include "format/page_type.h"

namespace tarvex::format {
namespace {

// Constant in every header: the start of the masked region.
constexpr std::array<uint8_t, 24> kMaskedPrologue{0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                  0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                  0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
// Access 97 files hold 1 in the word before the sort order.
constexpr uint16_t kJet3HeaderWord38 = 1;
// After the masked region of every Jet 4 and later file.
constexpr std::array<uint8_t, 8> kHeaderTrailer{0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};
constexpr size_t kVersionFlagsOffset = kVersionOffset + 1;
constexpr size_t kSortOrderPadOffset = kSortOrderOffset + 2;

size_t MaskLength(DatabaseFormat format) {
  return format == DatabaseFormat::kJet3 ? kJet3HeaderMaskLength : kHeaderMaskLength;
}

// XOR with the key stream both masks and unmasks.
void ApplyMask(std::span<uint8_t> page, DatabaseFormat format) {
  const auto& stream = HeaderKeyStream();
  for (size_t i = 0; i < MaskLength(format); ++i) page[kHeaderMaskOffset + i] ^= stream[i];
}

bool HasEngineName(Bytes page, std::string_view name) {
  return page.size() >= kEngineNameOffset + name.size() &&
         std::equal(name.begin(), name.end(), page.begin() + kEngineNameOffset);
}

uint64_t DoubleBits(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  return bits;
}

double BitsDouble(uint64_t bits) {
  double value = 0;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

}  // namespace

std::optional<HeaderPage> ReadHeaderPage(Bytes page) {
  if (page.size() < kHeaderMaskOffset + kHeaderMaskLength ||
      !IsPageOfType(page, PageType::kHeader) ||
      (!HasEngineName(page, kJetEngineName) && !HasEngineName(page, kAceEngineName)))
    return std::nullopt;
  const auto format = FormatOfVersionByte(page[kVersionOffset]);
  if (!format) return std::nullopt;
  std::vector<uint8_t> clear(page.begin(), page.begin() + kHeaderMaskOffset + kHeaderMaskLength);
  ApplyMask(clear, *format);
  HeaderPage header;
  header.format = *format;
  header.versionFlags = clear[kVersionFlagsOffset];
  header.codePage = *CDataReader::U16(clear, kHeaderCodePageOffset);
  header.databaseKey = *CDataReader::U32(clear, kDatabaseKeyOffset);
  if (*format == DatabaseFormat::kJet3) {
    header.sortOrder = *CDataReader::U16(clear, kJet3SortOrderOffset);
    header.jet3Word56 = *CDataReader::U16(clear, kJet3HeaderWord56Offset);
    return header;
  }
  header.engineBuild = *CDataReader::U32(clear, kHeaderWord6AOffset);
  header.sortOrder = *CDataReader::U16(clear, kSortOrderOffset);
  header.sortVersion = clear[kSortOrderVersionOffset];
  header.creationDate = BitsDouble(*CDataReader::U64(clear, kCreationDateOffset));
  return header;
}

std::vector<uint8_t> EncodeHeaderPage(const HeaderPage& header) {
  std::vector<uint8_t> page(LayoutOf(header.format).pageSize, 0);
  PutPageType(page, PageType::kHeader);
  const std::string_view engine = IsAce(header.format) ? kAceEngineName : kJetEngineName;
  std::copy(engine.begin(), engine.end(), page.begin() + kEngineNameOffset);
  page[kVersionOffset] = VersionByteOf(header.format);
  page[kVersionFlagsOffset] = header.versionFlags;
  std::copy(kMaskedPrologue.begin(), kMaskedPrologue.end(), page.begin() + kHeaderMaskOffset);
  PutU16(page, kHeaderCodePageOffset, header.codePage);
  PutU32(page, kDatabaseKeyOffset, header.databaseKey);
  if (header.format == DatabaseFormat::kJet3) {
    // An empty Jet 3 password is zeros; there is no creation date to mask it with.
    PutU16(page, kJet3HeaderWord38Offset, kJet3HeaderWord38);
    PutU16(page, kJet3SortOrderOffset, header.sortOrder);
    PutU16(page, kJet3HeaderWord56Offset, header.jet3Word56);
  } else {
    // An empty password is stored as the creation date's integer part repeated.
    for (size_t i = 0; i < kPasswordLength; i += 4)
      PutU32(page, kPasswordOffset + i, static_cast<uint32_t>(header.creationDate));
    PutU32(page, kHeaderWord6AOffset, header.engineBuild);
    PutU16(page, kSortOrderOffset, header.sortOrder);
    page[kSortOrderPadOffset] = 0;
    page[kSortOrderVersionOffset] = header.sortVersion;
    PutU64(page, kCreationDateOffset, DoubleBits(header.creationDate));
    std::copy(kHeaderTrailer.begin(), kHeaderTrailer.end(), page.begin() + kHeaderTrailerOffset);
  }
  ApplyMask(page, header.format);
  // The page's last bytes, in pairs: 01 01 first, 00 01 in every other, as in a new file.
  const size_t tail = page.size() - kHeaderTailPairsLength;
  for (size_t i = tail; i < page.size(); i += 2) page[i + 1] = 0x01;
  page[tail] = 0x01;
  return page;
}

}  // namespace tarvex::format
