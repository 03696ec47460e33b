#pragma once
// Access SQL cut into tokens: names in brackets, quoted strings and #date#
// literals are single tokens, so that keywords, commas and parentheses are
// only ever found outside them. Blanks (also CR, LF and tab) separate tokens
// and belong to none; a token's text is read back from the statement by its
// position, so clauses keep their spelling and inner spacing.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::dao {

enum class SqlTokenKind {
  kWord,
  kBracketed,
  kString,
  kDate,
  kOpen,
  kClose,
  kComma,
  kSemicolon,
  kSymbol
};

struct SqlToken {
  SqlTokenKind kind;
  size_t begin;  // position in the statement
  size_t end;
  size_t depth;  // parentheses open around the token; an opening or closing one counts outside
};

// Throws DaoException for text no query takes: empty, longer than Access's
// limit, or with control characters other than tab, CR and LF.
void CheckQueryText(std::u16string_view sql);

// Throws DaoException for text CheckQueryText refuses, or with brackets,
// quotes or parentheses that do not pair up.
std::vector<SqlToken> TokenizeSql(std::u16string_view sql);

// Whether the text, leading blanks skipped, starts with the word SELECT.
bool StartsWithSelect(std::u16string_view text);

// The longest SQL text a saved query takes, in characters.
inline constexpr size_t kMaxQuerySqlLength = 64 * 1024;

// A run of tokens of one statement, [first, last).
struct SqlRange {
  size_t first = 0;
  size_t last = 0;
  bool empty() const { return first >= last; }
  size_t size() const { return empty() ? 0 : last - first; }
};

// The statement and its tokens, with the look-ups the clause readers share.
class SqlText {
 public:
  explicit SqlText(std::u16string_view sql);

  std::u16string_view sql() const { return sql_; }
  const std::vector<SqlToken>& tokens() const { return tokens_; }
  const SqlToken& at(size_t i) const { return tokens_.at(i); }
  SqlRange all() const { return {0, tokens_.size()}; }

  // The statement's text from the range's first token to its last, as written.
  std::u16string Text(SqlRange range) const;
  // A token's text; a bracketed name without its brackets.
  std::u16string Name(size_t i) const;
  // Whether token i is the word `keyword` (ASCII, any case).
  bool IsWord(size_t i, std::string_view keyword) const;
  // Whether the words of `keywords` (blank-separated) start at token i.
  bool AreWords(size_t i, std::string_view keywords) const;
  // The index of the parenthesis closing the one opened at i.
  size_t Closing(size_t open) const;
  // The range split at the commas at its own nesting depth.
  std::vector<SqlRange> SplitAtCommas(SqlRange range) const;
  // The first token of `range` at its own depth that starts the keywords, or range.last.
  size_t Find(SqlRange range, std::string_view keywords) const;
  // Whether the range is one pair of parentheses around the rest.
  bool IsParenthesised(SqlRange range) const;
  // Whether token i directly follows token i - 1, no blank between.
  bool Adjacent(size_t i) const;

 private:
  std::u16string_view sql_;
  std::vector<SqlToken> tokens_;
  std::vector<size_t> closing_;  // per opening parenthesis, the index of its closing one
};

}  // namespace tarvex::dao
