#include "format/header_mask.h"

#include <numeric>
#include <utility>

namespace tarvex::format {

const std::array<uint8_t, kHeaderMaskLength>& HeaderKeyStream() {
  static const std::array<uint8_t, kHeaderMaskLength> stream = [] {
    constexpr std::array<uint8_t, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<uint8_t, 256> state{};
    std::iota(state.begin(), state.end(), 0);
    for (size_t i = 0, j = 0; i < state.size(); ++i) {
      j = (j + state[i] + key[i % key.size()]) & 0xFF;
      std::swap(state[i], state[j]);
    }
    std::array<uint8_t, kHeaderMaskLength> out{};
    for (size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
      i = (i + 1) & 0xFF;
      j = (j + state[i]) & 0xFF;
      std::swap(state[i], state[j]);
      out[n] = state[(state[i] + state[j]) & 0xFF];
    }
    return out;
  }();
  return stream;
}

std::optional<uint16_t> HeaderCodePage(Bytes page0) {
  auto masked = CDataReader::U16(page0, kHeaderCodePageOffset);
  if (!masked) return std::nullopt;
  const auto& stream = HeaderKeyStream();
  const size_t at = kHeaderCodePageOffset - kHeaderMaskOffset;
  return static_cast<uint16_t>(*masked ^ (stream[at] | stream[at + 1] << 8));
}

}  // namespace tarvex::format
