// What the two database backends share in speaking SQL: the translation of the statements
// callers write (the DAO/ADO dialect) into SQLite's and PostgreSQL's own, identifier quoting,
// the small scans of a statement the record sets need, and UTF-8 text from the databases.
//
// The dialect callers write
// -------------------------
// * "SELECT TOP n ..." (also after DISTINCT or ALL, also in a parenthesised subquery) becomes
//   "SELECT ... LIMIT n", the LIMIT placed at the end of that SELECT's statement or parentheses.
// * [Bracketed Name] becomes a quoted identifier. On PostgreSQL the name is lower-cased first,
//   as PostgreSQL folds unquoted names, so that [Key] and Key name the same column (and the
//   tables AppendTableDef creates use lower-case names). "Quoted" names pass unchanged.
// * Single-quoted literals pass unchanged, with every character they hold (doubled quotes '',
//   control characters such as the key version character U+0002).
// * The pattern literal right after LIKE (also NOT LIKE) is translated, unless an ESCAPE clause
//   follows it (then the caller wrote the backend's own syntax). LIKE is case-sensitive on both
//   backends.
//
// LIKE patterns
// -------------
// A SQLite connection stands for DAO, so its patterns are DAO patterns:
//     *  any run of characters      ?  any one character      #  any one digit
//     [abc] [a-z] one of the listed characters; [!abc] one character not listed
//     [*] [?] [#] [[] [%] [_] ... a bracketed single character is that character, literally
//     %  _  ]  and every other character stand for themselves
// A PostgreSQL connection stands for ADO, so its patterns are ADO patterns:
//     %  any run of characters      _  any one character
//     [abc] [a-z] [!abc] as above; [%] [_] [[] [*] ... a bracketed single character is literal
//     *  ?  #  ]  and every other character stand for themselves
// In both, "[]" matches nothing (it is dropped), "[!]" is a literal "!", a "-" first or last in
// brackets is literal, and a "[" without its "]" is an error (DbError kGeneral).
//
// The search engine relies on this: it writes the key version and class characters of the key
// with any of the special characters of its dialect in brackets, then the wildcard of its dialect
// ("*" on SQLite, "%" on PostgreSQL).
//
// On SQLite a translated pattern runs as GLOB (case-sensitive, and it uses an index of the field
// for a fixed prefix). On PostgreSQL it runs as LIKE ... ESCAPE '\' with a backslash before
// each literal %, _ and backslash, or as SIMILAR TO ... ESCAPE '\' when it holds a digit
// wildcard or a character list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "quarrymink/database.h"

namespace quarrymink::sqldialect {

/// The dialect is the connection's: one kind names both.
using Backend = ConnectionKind;

/// The statement in the backend's own SQL, as UTF-8.
std::string TranslateSql(std::u16string_view sql, Backend backend);

/// One translated LIKE pattern: the operator to use, the pattern text (not yet quoted) and
/// whether ESCAPE '\' must follow it.
struct LikePattern {
    std::u16string op;
    std::u16string pattern;
    bool escape = false;
};
LikePattern TranslateLikePattern(std::u16string_view pattern, Backend backend);

/// A quoted identifier (lower-cased for PostgreSQL, see above).
std::string QuoteIdentifier(std::u16string_view name, Backend backend);
std::string QuoteIdentifier(std::string_view utf8Name, Backend backend);
/// A single-quoted SQL literal of the text.
std::string QuoteLiteral(std::string_view utf8Text);
std::u16string QuoteLiteral(std::u16string_view text);

/// When the text names a table rather than holding a statement (no leading SELECT, WITH,
/// VALUES or parenthesis), the table's name without brackets; empty otherwise.
std::u16string BareTableName(std::u16string_view sqlOrTable);

/// The translated statement without its last top-level ORDER BY clause (for counting rows);
/// unchanged when a LIMIT or OFFSET follows that clause.
std::string WithoutTrailingOrderBy(std::string_view sql);

/// Where a column can be put in front of the select list of the statement's main SELECT so that
/// each row of the result still is one row of one table: the offset just after "SELECT" (or
/// "SELECT ALL"); npos when the main SELECT has DISTINCT, GROUP BY, HAVING, a set operation,
/// or cannot be found.
std::size_t RowSelectListStart(std::string_view sql);

/// The declared size of a text column type ("VARCHAR(50)", "TEXT(50)", "character(8)" give 50,
/// 50, 8); 0 for a type without a size or a type that is not text.
std::int32_t DeclaredTextSize(std::string_view declaredType);

/// Field names compare without regard to case.
bool NamesEqual(std::u16string_view a, std::u16string_view b) noexcept;

/// DbError unless name is one identifier: a plain name (letters, digits, "_", "$"; not
/// starting with a digit), one [bracketed] name without "]" inside, or one "quoted" name
/// whose inner quotes are doubled. what names the role in the message ("table", "key field").
void RequireName(std::u16string_view name, std::string_view what);
/// The name as the database knows it: brackets or quotes taken off (inner "" made single).
std::u16string UnquotedName(std::u16string_view name);
/// The name in the form that goes after "WHERE ": a plain name in brackets, a bracketed or
/// quoted one as it is.
std::u16string DelimitedName(std::u16string_view name);

/// DbError unless filter is one SQL condition that stays inside the parentheses put
/// around it: every literal and quoted name closed, its parentheses never closing more
/// than they opened and balanced at the end, no ";" and no comment. The lexer is the
/// backend's (PostgreSQL's E'...' literals; its $-quoted strings are refused).
void RequireCondition(std::u16string_view filter, Backend backend);

}  // namespace quarrymink::sqldialect
