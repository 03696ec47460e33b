#include "format/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "format/value_text.h"

namespace tarvex::format {
namespace {

class Converter {
 public:
  explicit Converter(iconv_t handle) : handle_(handle) {}
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t handle() const { return handle_; }

 private:
  iconv_t handle_;
};

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

std::string IconvName(uint16_t codePage) {
  if (codePage == 65001) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

// The thread's converter for the code page (to UTF-16LE, or from it when
// `encode`), or nullptr when iconv has none.
Converter* OpenConverter(uint16_t codePage, bool encode = false) {
  using Cache = std::unordered_map<uint16_t, std::unique_ptr<Converter>>;
  thread_local Cache decoders;
  thread_local Cache encoders;
  Cache& cache = encode ? encoders : decoders;
  auto found = cache.find(codePage);
  if (found != cache.end()) return found->second.get();
  const std::string name = IconvName(codePage);
  const iconv_t handle =
      encode ? iconv_open(name.c_str(), "UTF-16LE") : iconv_open("UTF-16LE", name.c_str());
  auto& slot = cache[codePage];
  if (handle != kNoConverter) slot = std::make_unique<Converter>(handle);
  return slot.get();
}

Converter* ConverterFor(uint16_t codePage) {
  Converter* converter = codePage == 0 ? nullptr : OpenConverter(codePage);
  return converter != nullptr ? converter : OpenConverter(kDefaultCodePage);
}

// The code pages whose converters map each byte on its own, with no state
// between bytes (Windows-1255 and -1258 combine marks with the letter before).
bool IsPlainSingleByte(uint16_t codePage) {
  constexpr std::array<uint16_t, 8> kPlain{874, 1250, 1251, 1252, 1253, 1254, 1256, 1257};
  return std::find(kPlain.begin(), kPlain.end(), codePage) != kPlain.end();
}

// The character of every byte: one look-up per byte instead of a conversion
// call per value. A byte the code page leaves unmapped is, as Windows reads
// it, the C1 control of the same number when it lies in 0x80..0x9F, so that
// it is kept and written back unchanged; any other is U+FFFD.
using ByteTable = std::array<char16_t, 256>;

bool IsC1Control(char16_t c) { return c >= 0x80 && c <= 0x9F; }

std::optional<ByteTable> ReadByteTable(iconv_t handle) {
  ByteTable table;
  for (size_t byte = 0; byte < table.size(); ++byte) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(byte);
    char* from = &in;
    size_t inLeft = 1;
    std::array<char, 8> out;
    char* to = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(handle, &from, &inLeft, &to, &outLeft);
    if (result == static_cast<size_t>(-1) && errno == EILSEQ) {
      table[byte] = IsC1Control(static_cast<char16_t>(byte)) ? static_cast<char16_t>(byte)
                                                             : kReplacementCharacter;
      continue;
    }
    if (result == static_cast<size_t>(-1) || out.size() - outLeft != 2) return std::nullopt;
    table[byte] =
        static_cast<char16_t>(static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8);
  }
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  return table;
}

// The thread's byte table for the code page, or nullptr when it has none.
const ByteTable* ByteTableFor(uint16_t codePage) {
  const uint16_t page = codePage == 0 ? kDefaultCodePage : codePage;
  if (!IsPlainSingleByte(page)) return nullptr;
  thread_local std::unordered_map<uint16_t, std::optional<ByteTable>> cache;
  auto found = cache.find(page);
  if (found == cache.end()) {
    Converter* converter = OpenConverter(page);
    found =
        cache.emplace(page, converter ? ReadByteTable(converter->handle()) : std::nullopt).first;
  }
  return found->second ? &*found->second : nullptr;
}

void AppendUtf16Le(std::u16string& text, const char* bytes, size_t count) {
  text += Utf16LeToText(Bytes(reinterpret_cast<const uint8_t*>(bytes), count));
}

}  // namespace

uint16_t ReadableCodePage(uint16_t codePage) {
  return codePage != 0 && OpenConverter(codePage) ? codePage : kDefaultCodePage;
}

std::u16string DecodeCodePage(Bytes raw, uint16_t codePage) {
  if (const ByteTable* table = ByteTableFor(codePage)) {
    std::u16string text(raw.size(), u'\0');
    for (size_t i = 0; i < raw.size(); ++i) text[i] = (*table)[raw[i]];
    return text;
  }
  Converter* converter = ConverterFor(codePage);
  if (converter == nullptr) return std::u16string(raw.begin(), raw.end());  // iconv without CP1252
  iconv_t handle = converter->handle();
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  std::u16string text;
  char* in = const_cast<char*>(reinterpret_cast<const char*>(raw.data()));
  size_t inLeft = raw.size();
  std::array<char, 1024> buffer;
  while (inLeft > 0) {
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
    const size_t produced = buffer.size() - outLeft;
    AppendUtf16Le(text, buffer.data(), produced);
    if (result != static_cast<size_t>(-1) || (errno == E2BIG && produced > 0)) continue;
    // The byte at `in` does not begin a character of the code page.
    text.push_back(kReplacementCharacter);
    ++in;
    --inLeft;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
  }
  return text;
}

std::optional<std::vector<uint8_t>> EncodeCodePage(std::u16string_view text, uint16_t codePage) {
  // The C1 controls a byte table reads from unmapped bytes go back to those bytes.
  const ByteTable* table = ByteTableFor(codePage);
  const auto c1 = [&](char16_t c) { return table && IsC1Control(c) && (*table)[c] == c; };
  if (table && std::any_of(text.begin(), text.end(), c1)) {
    std::vector<uint8_t> bytes;
    size_t from = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i < text.size() && !c1(text[i])) continue;
      if (i > from) {
        auto part = EncodeCodePage(text.substr(from, i - from), codePage);
        if (!part) return std::nullopt;
        bytes.insert(bytes.end(), part->begin(), part->end());
      }
      if (i < text.size()) bytes.push_back(static_cast<uint8_t>(text[i]));
      from = i + 1;
    }
    return bytes;
  }
  Converter* converter = OpenConverter(codePage == 0 ? kDefaultCodePage : codePage, true);
  if (converter == nullptr) return std::nullopt;
  iconv_t handle = converter->handle();
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  const std::vector<uint8_t> units = TextToUtf16LeBytes(text);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(units.data()));
  size_t inLeft = text.size() * 2;  // without the zero byte that follows
  std::vector<uint8_t> bytes;
  std::array<char, 1024> buffer;
  while (true) {
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = inLeft > 0 ? iconv(handle, &in, &inLeft, &out, &outLeft)
                                     : iconv(handle, nullptr, nullptr, &out, &outLeft);
    bytes.insert(bytes.end(), buffer.data(), out);
    if (result != static_cast<size_t>(-1)) {
      if (inLeft == 0 && out == buffer.data()) return bytes;
      continue;
    }
    // A character the code page lacks, or a lone surrogate: refused, not replaced.
    if (errno != E2BIG) return std::nullopt;
  }
}

}  // namespace tarvex::format
