#include "writer/object_names.h"

#include <algorithm>

#include "dao/table_def.h"
#include "format/table_definition.h"

namespace tarvex::writer {

bool IsSystemObjectName(std::u16string_view name) { return name.starts_with(u"MSys"); }

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return folded;
}

std::u16string UniqueObjectName(std::u16string_view name, std::u16string_view fallback,
                                std::unordered_set<std::u16string>& used) {
  std::u16string base = dao::AcceptableObjectName(name);
  if (base.empty()) base = fallback;
  std::u16string candidate = base;
  for (unsigned number = 1; used.contains(FoldName(candidate)); ++number) {
    const std::string digits = std::to_string(number);
    // Cut the base so that the numbered name still fits, never inside a surrogate pair.
    size_t keep = std::min(base.size(), format::kMaxNameCharacters - digits.size());
    if (keep < base.size() && keep > 0 && base[keep - 1] >= 0xD800 && base[keep - 1] <= 0xDBFF)
      --keep;
    candidate = base.substr(0, keep);
    candidate.append(digits.begin(), digits.end());
  }
  used.insert(FoldName(candidate));
  return candidate;
}

}  // namespace tarvex::writer
