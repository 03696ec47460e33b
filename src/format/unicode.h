#pragma once
// Conversions between the UTF-16 text the model holds and the UTF-8 of paths,
// terminals and reports. Invalid input becomes U+FFFD; nothing throws.
#include <string>
#include <string_view>

namespace tarvex::format {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace tarvex::format
