#pragma once
// Small text helpers shared by the query builders. Every value of a saved
// query's rows arrives as text, so numbers are parsed leniently and names are
// bracketed by the same few rules everywhere.
#include <cstdint>
#include <string>

namespace tarvex::query {

inline constexpr char16_t kNewLine[] = u"\n";

// Parses like the C runtime's wide `atoi`: leading white space and one sign are
// skipped, digits are read up to the first non-digit, text without digits gives 0.
// Values beyond the 32-bit range are clamped instead of overflowing.
int32_t ParseNumber(const std::u16string& text);

// "[" + text + "]".
std::u16string Bracket(const std::u16string& text);

// Brackets only names a reader could not take bare: those that begin with a
// digit or hold anything but letters, digits and "_"; other names pass unchanged.
std::u16string BracketIfNeeded(const std::u16string& text);

// Appends `item` to a comma-separated list: ", " goes between items.
void AppendListItem(std::u16string& list, const std::u16string& item);

}  // namespace tarvex::query
