#include "format/value_decimal.h"

namespace tarvex::format {
namespace {

constexpr uint8_t kNegative = 0x80;
constexpr size_t kMagnitudeOffset = 1;
constexpr size_t kWords = 4;
constexpr size_t kWordSize = 4;
constexpr uint32_t kPrecisionShift = 0;  // extra byte 0: column entry byte 11 in Jet 4
constexpr uint32_t kScaleShift = 8;      // extra byte 1: column entry byte 12

}  // namespace

std::optional<DecimalValue> ReadDecimal(Bytes raw) {
  if (raw.size() < kDecimalSize) return std::nullopt;
  DecimalValue value;
  value.negative = (raw[0] & kNegative) != 0;
  for (size_t word = 0; word < kWords; ++word)
    value.magnitude =
        value.magnitude << 32 | *CDataReader::U32(raw, kMagnitudeOffset + kWordSize * word);
  return value;
}

std::array<uint8_t, kDecimalSize> EncodeDecimal(const DecimalValue& value) {
  std::array<uint8_t, kDecimalSize> out{};
  out[0] = value.negative ? kNegative : 0;
  for (size_t word = 0; word < kWords; ++word)
    PutU32(out, kMagnitudeOffset + kWordSize * word,
           static_cast<uint32_t>(value.magnitude >> (32 * (kWords - 1 - word))));
  return out;
}

uint8_t DecimalPrecision(uint32_t extra) { return static_cast<uint8_t>(extra >> kPrecisionShift); }

uint8_t DecimalScale(uint32_t extra) { return static_cast<uint8_t>(extra >> kScaleShift); }

uint32_t DecimalExtra(uint8_t precision, uint8_t scale) {
  return uint32_t{precision} << kPrecisionShift | uint32_t{scale} << kScaleShift;
}

}  // namespace tarvex::format
