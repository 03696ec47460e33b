#pragma once
// Conversions between stored bytes and value texts that do not depend on a
// column's type: UTF-16LE, UTF-8 and the Jet 4 text encoding.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/data_reader.h"

namespace tarvex::format {

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Every complete byte pair as one UTF-16 code unit, low byte first; an odd last
// byte is ignored.
std::u16string Utf16LeToText(Bytes raw);
// The same into `text`, whose storage is reused from value to value.
void Utf16LeToTextInto(Bytes raw, std::u16string& text);

// The text as UTF-16LE followed by one zero byte: the payload of a value record.
std::vector<uint8_t> TextToUtf16LeBytes(std::u16string_view text);

// UTF-8 up to the first zero byte or the end. Each ill-formed sequence (overlong
// forms, surrogates and code points above U+10FFFF included) becomes one U+FFFD,
// so the result never has more characters than there were bytes.
std::u16string Utf8ToText(Bytes raw);

// The whole of raw as UTF-8 when every byte belongs to a well-formed sequence
// and none is zero; otherwise nothing.
std::optional<std::u16string> Utf8ToTextExactly(Bytes raw);

// Text and memo values of Jet 4 files: plain UTF-16LE, or, after the marker
// FF FE, the compressed form in which a zero byte switches between one byte per
// character (the starting mode) and UTF-16LE code units.
std::u16string DecodeJet4Text(Bytes raw);
void DecodeJet4TextInto(Bytes raw, std::u16string& text);

// The compressed form holds 3 to 1024 characters, each in U+0001..U+00FF.
inline constexpr size_t kCompressedTextMinCharacters = 3;
inline constexpr size_t kCompressedTextMaxCharacters = 1024;

// The stored bytes of `text` in a Jet 4 file: compressed when allowed and
// possible, else UTF-16LE.
std::vector<uint8_t> EncodeJet4Text(std::u16string_view text, bool allowCompression);
// As EncodeJet4Text, into `out`, whose storage is reused.
void EncodeJet4TextInto(std::u16string_view text, bool allowCompression, std::vector<uint8_t>& out);

// A Text column holds at most this many characters.
inline constexpr size_t kMaxTextCharacters = 255;

// An ASCII text (numbers, dates) as a value text.
std::u16string AsciiToText(std::string_view ascii);
void AsciiToTextInto(std::string_view ascii, std::u16string& text);

}  // namespace tarvex::format
