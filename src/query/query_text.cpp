#include "query/query_text.h"

#include <algorithm>
#include <limits>

namespace tarvex::query {
namespace {

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

int32_t ParseNumber(const std::u16string& text) {
  size_t pos = 0;
  while (pos < text.size() && IsWhiteSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  // Accumulate the magnitude in 64 bits and stop growing it once it is out of range.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[pos] - u'0');
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

std::u16string Bracket(const std::u16string& text) { return u"[" + text + u"]"; }

std::u16string BracketIfNeeded(const std::u16string& text) {
  const auto plain = [](char16_t c) {
    return c >= 0x80 || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
           (c >= u'A' && c <= u'Z');
  };
  const bool needed = !text.empty() && ((text[0] >= u'0' && text[0] <= u'9') ||
                                        !std::all_of(text.begin(), text.end(), plain));
  return needed ? Bracket(text) : text;
}

void AppendListItem(std::u16string& list, const std::u16string& item) {
  if (!list.empty()) list += u", ";
  list += item;
}

}  // namespace tarvex::query
