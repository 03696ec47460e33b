#pragma once
// The small text tests shared by the readers of values given as text (numbers,
// Booleans, dates): blank trimming and case-blind word matching.
#include <string_view>

namespace tarvex::dao {

// `text` without leading and trailing blanks and tabs.
std::u16string_view TrimBlanks(std::u16string_view text);

// Whether `text` equals `word`, ASCII letters compared without regard to case.
// `word` is lower-case ASCII.
bool EqualsNoCase(std::u16string_view text, const char* word);

}  // namespace tarvex::dao
