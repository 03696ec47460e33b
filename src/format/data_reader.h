#pragma once
// Little-endian field reads over bytes already in memory. Every read names the
// buffer it may not leave: a field that does not lie wholly inside it yields
// nothing, so file data can never make us read past a buffer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvex::format {

using Bytes = std::span<const uint8_t>;

class CDataReader {
 public:
  // True when [offset, offset + length) lies inside the buffer (overflow-safe).
  static bool Fits(Bytes buffer, size_t offset, size_t length) {
    return offset <= buffer.size() && length <= buffer.size() - offset;
  }
  // The sub-range [offset, offset + length), or nothing when it does not fit.
  static std::optional<Bytes> Slice(Bytes buffer, size_t offset, size_t length) {
    if (!Fits(buffer, offset, length)) return std::nullopt;
    return buffer.subspan(offset, length);
  }

  static std::optional<uint8_t> U8(Bytes buffer, size_t offset) {
    if (!Fits(buffer, offset, 1)) return std::nullopt;
    return buffer[offset];
  }
  static std::optional<uint16_t> U16(Bytes buffer, size_t offset) {
    if (!Fits(buffer, offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(buffer[offset] | buffer[offset + 1] << 8);
  }
  static std::optional<uint32_t> U32(Bytes buffer, size_t offset) {
    if (!Fits(buffer, offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(buffer[offset]) | static_cast<uint32_t>(buffer[offset + 1]) << 8 |
           static_cast<uint32_t>(buffer[offset + 2]) << 16 |
           static_cast<uint32_t>(buffer[offset + 3]) << 24;
  }
  static std::optional<int32_t> I32(Bytes buffer, size_t offset) {
    auto value = U32(buffer, offset);
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
  }
  // The 32-bit field widened with its sign.
  static std::optional<int64_t> I32AsI64(Bytes buffer, size_t offset) {
    auto value = I32(buffer, offset);
    if (!value) return std::nullopt;
    return static_cast<int64_t>(*value);
  }
  static std::optional<uint64_t> U64(Bytes buffer, size_t offset) {
    auto low = U32(buffer, offset);
    auto high = U32(buffer, offset + 4);
    if (!low || !high || offset > SIZE_MAX - 4) return std::nullopt;
    return static_cast<uint64_t>(*high) << 32 | *low;
  }
};

// Little-endian writes into a buffer we own; the caller sizes the buffer.
inline void PutU16(std::span<uint8_t> out, size_t offset, uint16_t value) {
  out[offset] = static_cast<uint8_t>(value);
  out[offset + 1] = static_cast<uint8_t>(value >> 8);
}
inline void PutU32(std::span<uint8_t> out, size_t offset, uint32_t value) {
  PutU16(out, offset, static_cast<uint16_t>(value));
  PutU16(out, offset + 2, static_cast<uint16_t>(value >> 16));
}
inline void PutU64(std::span<uint8_t> out, size_t offset, uint64_t value) {
  PutU32(out, offset, static_cast<uint32_t>(value));
  PutU32(out, offset + 4, static_cast<uint32_t>(value >> 32));
}

}  // namespace tarvex::format
