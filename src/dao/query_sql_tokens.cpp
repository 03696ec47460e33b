#include "dao/query_sql_tokens.h"

#include <algorithm>

#include "dao/dao_exception.h"

namespace tarvex::dao {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Characters that end a word: blanks, the ones with a meaning of their own,
// and operators, so that "a.b=c.d" yields its qualifiers.
bool EndsWord(char16_t c) {
  return IsBlank(c) ||
         std::u16string_view(u"()[],;\"'.!=<>+-*/&^\\").find(c) != std::u16string_view::npos;
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c; }

// The end of a quoted string starting at `begin`: a doubled quote stays inside.
size_t StringEnd(std::u16string_view sql, size_t begin) {
  const char16_t quote = sql[begin];
  for (size_t i = begin + 1; i < sql.size(); ++i) {
    if (sql[i] != quote) continue;
    if (i + 1 < sql.size() && sql[i + 1] == quote) {
      ++i;
      continue;
    }
    return i + 1;
  }
  throw DaoException("The SQL text has a string without its closing quote.");
}

size_t ClosingCharacter(std::u16string_view sql, size_t begin, char16_t close, const char* what) {
  const size_t end = sql.find(close, begin + 1);
  if (end == std::u16string_view::npos)
    throw DaoException(std::string("The SQL text has ") + what + " without its closing " +
                       static_cast<char>(close) + ".");
  return end + 1;
}

// Access writes a derived table as "[SELECT …]. AS alias", brackets of the
// SELECT's own names nested inside: such a bracket ends at its partner, and
// its strings hold no brackets.
size_t DerivedTableEnd(std::u16string_view sql, size_t begin) {
  size_t depth = 0;
  for (size_t i = begin; i < sql.size(); ++i) {
    if (depth == 1 && (sql[i] == u'"' || sql[i] == u'\'')) {
      i = StringEnd(sql, i) - 1;
    } else if (sql[i] == u'[') {
      ++depth;
    } else if (sql[i] == u']' && --depth == 0) {
      return i + 1;
    }
  }
  throw DaoException("The SQL text has a [ without its closing ].");
}

}  // namespace

bool StartsWithSelect(std::u16string_view text) {
  static constexpr std::u16string_view kSelect = u"SELECT";
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  if (text.size() <= kSelect.size()) return false;
  for (size_t i = 0; i < kSelect.size(); ++i)
    if (FoldAscii(text[i]) != kSelect[i]) return false;
  return IsBlank(text[kSelect.size()]);
}

void CheckQueryText(std::u16string_view sql) {
  if (std::all_of(sql.begin(), sql.end(), IsBlank)) throw DaoException("The SQL text is empty.");
  if (sql.size() > kMaxQuerySqlLength)
    throw DaoException("The SQL text is longer than " + std::to_string(kMaxQuerySqlLength) +
                       " characters.");
  for (char16_t c : sql)
    if (c < 0x20 && !IsBlank(c))
      throw DaoException("The SQL text holds the control character " + std::to_string(c) + ".");
}

std::vector<SqlToken> TokenizeSql(std::u16string_view sql) {
  CheckQueryText(sql);
  std::vector<SqlToken> tokens;
  size_t depth = 0;
  size_t i = 0;
  while (i < sql.size()) {
    const char16_t c = sql[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    SqlToken token{SqlTokenKind::kSymbol, i, i + 1, depth};
    if (c == u'[') {
      const size_t end = StartsWithSelect(sql.substr(i + 1))
                             ? DerivedTableEnd(sql, i)
                             : ClosingCharacter(sql, i, u']', "a [");
      // Access refuses "[a[b]" too: a name with a bracket in it could not be written back.
      if (!StartsWithSelect(sql.substr(i + 1)) &&
          sql.substr(i + 1, end - i - 1).find(u'[') != std::u16string_view::npos)
        throw DaoException("The SQL text has a [ inside a bracketed name.");
      token = {SqlTokenKind::kBracketed, i, end, depth};
    } else if (c == u']') {
      throw DaoException("The SQL text has a ] without its opening [.");
    } else if (c == u'"' || c == u'\'') {
      token = {SqlTokenKind::kString, i, StringEnd(sql, i), depth};
    } else if (c == u'#') {
      token = {SqlTokenKind::kDate, i, ClosingCharacter(sql, i, u'#', "a #date"), depth};
    } else if (c == u'(') {
      token.kind = SqlTokenKind::kOpen;
      ++depth;
    } else if (c == u')') {
      if (depth == 0) throw DaoException("The SQL text has a ) without its opening (.");
      token = {SqlTokenKind::kClose, i, i + 1, --depth};
    } else if (c == u',') {
      token.kind = SqlTokenKind::kComma;
    } else if (c == u';') {
      token.kind = SqlTokenKind::kSemicolon;
    } else if (!EndsWord(c)) {
      size_t end = i + 1;
      while (end < sql.size() && !EndsWord(sql[end])) ++end;
      token = {SqlTokenKind::kWord, i, end, depth};
    }
    tokens.push_back(token);
    i = token.end;
  }
  if (depth != 0) throw DaoException("The SQL text has a ( without its closing ).");
  return tokens;
}

SqlText::SqlText(std::u16string_view sql)
    : sql_(sql), tokens_(TokenizeSql(sql)), closing_(tokens_.size(), 0) {
  std::vector<size_t> open;
  for (size_t i = 0; i < tokens_.size(); ++i) {
    if (tokens_[i].kind == SqlTokenKind::kOpen) open.push_back(i);
    if (tokens_[i].kind == SqlTokenKind::kClose) {
      closing_[open.back()] = i;  // tokenizing has paired every parenthesis
      open.pop_back();
    }
  }
}

std::u16string SqlText::Text(SqlRange range) const {
  if (range.empty()) return {};
  const size_t begin = at(range.first).begin;
  return std::u16string(sql_.substr(begin, at(range.last - 1).end - begin));
}

std::u16string SqlText::Name(size_t i) const {
  const SqlToken& token = at(i);
  if (token.kind == SqlTokenKind::kBracketed)
    return std::u16string(sql_.substr(token.begin + 1, token.end - token.begin - 2));
  return std::u16string(sql_.substr(token.begin, token.end - token.begin));
}

bool SqlText::IsWord(size_t i, std::string_view keyword) const {
  if (i >= tokens_.size() || at(i).kind != SqlTokenKind::kWord) return false;
  const auto word = sql_.substr(at(i).begin, at(i).end - at(i).begin);
  return word.size() == keyword.size() &&
         std::equal(word.begin(), word.end(), keyword.begin(),
                    [](char16_t w, char k) { return FoldAscii(w) == static_cast<char16_t>(k); });
}

bool SqlText::AreWords(size_t i, std::string_view keywords) const {
  size_t start = 0;
  for (size_t at = i;; ++at) {
    const size_t blank = keywords.find(' ', start);
    if (!IsWord(at, keywords.substr(start, blank - start))) return false;
    if (blank == std::string_view::npos) return true;
    start = blank + 1;
  }
}

size_t SqlText::Closing(size_t open) const { return closing_.at(open); }

std::vector<SqlRange> SqlText::SplitAtCommas(SqlRange range) const {
  std::vector<SqlRange> parts;
  if (range.empty()) return parts;
  const size_t depth = at(range.first).depth;
  size_t start = range.first;
  for (size_t i = range.first; i < range.last; ++i)
    if (at(i).kind == SqlTokenKind::kComma && at(i).depth == depth) {
      parts.push_back({start, i});
      start = i + 1;
    }
  parts.push_back({start, range.last});
  return parts;
}

size_t SqlText::Find(SqlRange range, std::string_view keywords) const {
  if (range.empty()) return range.last;
  const size_t depth = at(range.first).depth;
  for (size_t i = range.first; i < range.last; ++i)
    if (at(i).depth == depth && AreWords(i, keywords)) return i;
  return range.last;
}

bool SqlText::IsParenthesised(SqlRange range) const {
  return !range.empty() && at(range.first).kind == SqlTokenKind::kOpen &&
         Closing(range.first) == range.last - 1;
}

bool SqlText::Adjacent(size_t i) const {
  return i > 0 && i < tokens_.size() && at(i - 1).end == at(i).begin;
}

}  // namespace tarvex::dao
