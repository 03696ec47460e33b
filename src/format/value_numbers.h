#pragma once
// Texts of single (code 6) and double (code 7) values. Each format has its
// customary text (Jet 4: five decimals; Jet 3: singles as whole numbers rounded
// to seven significant digits, doubles in "%G" form); that text is used when it
// reads back to the same bits, otherwise the shortest text that does, for
// example "1.2345678901234567" or "1E-10". Not-a-number and the infinities are
// "NaN", "Infinity" and "-Infinity".
#include <optional>
#include <string>
#include <string_view>

#include "format/jet_layout.h"

namespace tarvex::format {

std::u16string SingleText(JetVersion version, float value);
std::u16string DoubleText(JetVersion version, double value);
// The same into `text`, whose storage is reused from value to value.
void SingleTextInto(JetVersion version, float value, std::u16string& text);
void DoubleTextInto(JetVersion version, double value, std::u16string& text);

// The value of "NaN", "Infinity" or "-Infinity", the texts above for values
// that are not finite; nothing for any other text.
std::optional<double> NonFiniteValue(std::u16string_view text);

// The shortest text that reads back to the same value ("E" exponents, as above).
std::string ShortestText(float value);
std::string ShortestText(double value);

// Jet 3's customary single text: "%.0f", then every digit from the eighth
// character on is rounded away (a digit above 5 carries into the one before it)
// and set to 0. A carry runs on through nines and may add a leading 1.
std::string RoundToSevenCharacters(std::string digits);

}  // namespace tarvex::format
