#pragma once
// Conversions between the UTF-16 text the model holds and the UTF-8 of paths,
// terminals and reports. Invalid input becomes U+FFFD; nothing throws.
#include <string>
#include <string_view>

namespace tarvex::format {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Appends a code point (at most U+10FFFF) as one or two UTF-16 units.
void AppendUtf16(std::u16string& out, char32_t codePoint);

}  // namespace tarvex::format
