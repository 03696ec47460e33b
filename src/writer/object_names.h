#pragma once
// Names for the tables and fields of the repaired database. A recovered name
// the engine would refuse (characters Access forbids, too long, empty, taken)
// is changed as little as possible rather than losing its table or column.
#include <string>
#include <string_view>
#include <unordered_set>

namespace tarvex::writer {

// True for the names of the system tables ("MSys" first, case as written):
// the new database has its own, and they are not copied.
bool IsSystemObjectName(std::u16string_view name);

// The name as Access compares names: ASCII letters in upper case.
std::u16string FoldName(std::u16string_view name);

// A name the engine takes and that `used` (folded names) does not hold yet:
// refused characters replaced, `fallback` for a name with nothing left, a
// number appended while it is taken. The name is added to `used`.
std::u16string UniqueObjectName(std::u16string_view name, std::u16string_view fallback,
                                std::unordered_set<std::u16string>& used);

}  // namespace tarvex::writer
