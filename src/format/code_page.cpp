#include "format/code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
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

void AppendUtf16Le(std::u16string& text, const char* bytes, size_t count) {
  text += Utf16LeToText(Bytes(reinterpret_cast<const uint8_t*>(bytes), count));
}

}  // namespace

std::u16string DecodeCodePage(Bytes raw, uint16_t codePage) {
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
