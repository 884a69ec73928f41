// Translation of the callers' SQL dialect into SQLite's and PostgreSQL's.
#include "sql_dialect.h"

#include <gtest/gtest.h>

#include "quarrymink/database.h"
#include "quarrymink/unicode.h"

namespace quarrymink::sqldialect {
namespace {

// Statements in the callers' dialect and what each backend runs.
TEST(SqlDialect, Translations) {
    const std::tuple<Backend, std::u16string_view, std::string_view> cases[] = {
        // TOP becomes LIMIT at the end of its own SELECT.
        {Backend::Sqlite, u"SELECT TOP 1 Key FROM NameData", "SELECT Key FROM NameData LIMIT 1"},
        {Backend::Postgres, u"SELECT DISTINCT TOP 2 a FROM t  ", "SELECT DISTINCT a FROM t LIMIT 2  "},
        {Backend::Sqlite, u"SELECT a FROM t WHERE b IN (SELECT TOP 3 b FROM u ORDER BY c) ORDER BY a",
         "SELECT a FROM t WHERE b IN (SELECT b FROM u ORDER BY c LIMIT 3) ORDER BY a"},
        // A column named like the keyword, and TOP in a literal, stay.
        {Backend::Sqlite, u"SELECT top, 'TOP 1' FROM t", "SELECT top, 'TOP 1' FROM t"},
        {Backend::Sqlite, u"SELECT TOP a FROM t", "SELECT TOP a FROM t"},
        // Bracketed names become quoted identifiers; PostgreSQL folds unquoted names to lower
        // case, so brackets do too: [Key] and Key agree.
        {Backend::Sqlite, u"SELECT [Key] FROM [Name Data]", "SELECT \"Key\" FROM \"Name Data\""},
        {Backend::Postgres, u"SELECT [Key], Key FROM [Name Data]", "SELECT \"key\", Key FROM \"name data\""},
        // Brackets inside literals, quoted names and comments are left alone.
        {Backend::Sqlite, u"SELECT \"[x]\" FROM t WHERE a = '[y]' -- [z]\n",
         "SELECT \"[x]\" FROM t WHERE a = '[y]' -- [z]\n"},
        // Literals keep every character; a PostgreSQL E'' literal may hold \' without ending.
        {Backend::Postgres, u"SELECT * FROM t WHERE a = 'it''s \u0002\u00e9' AND b = ''",
         "SELECT * FROM t WHERE a = 'it''s \x02\xc3\xa9' AND b = ''"},
        {Backend::Postgres, u"SELECT E'a\\'[b]' AS x", "SELECT E'a\\'[b]' AS x"},
        // Patterns: DAO's on SQLite run as GLOB, ADO's on PostgreSQL as LIKE with an escape.
        {Backend::Sqlite, u"SELECT a FROM t WHERE [Key] LIKE '\u0002c*' ORDER BY a",
         "SELECT a FROM t WHERE \"Key\" GLOB '\x02"
         "c*' ORDER BY a"},
        {Backend::Sqlite, u"SELECT a FROM t WHERE a NOT like 'it''s*'",
         "SELECT a FROM t WHERE a NOT GLOB 'it''s*'"},
        {Backend::Postgres, u"SELECT a FROM t WHERE [Key] LIKE '\u0002c%' and (b=1)",
         "SELECT a FROM t WHERE \"key\" LIKE '\x02"
         "c%' ESCAPE '\\' and (b=1)"},
        // An ESCAPE clause of the caller's own, or a pattern from a column: left as written.
        {Backend::Postgres, u"SELECT a FROM t WHERE a LIKE 'x!%' ESCAPE '!'",
         "SELECT a FROM t WHERE a LIKE 'x!%' ESCAPE '!'"},
        {Backend::Postgres, u"SELECT a FROM t WHERE a LIKE b", "SELECT a FROM t WHERE a LIKE b"},
    };
    for (const auto& [backend, sql, runs] : cases)
        EXPECT_EQ(TranslateSql(sql, backend), runs) << Utf16ToUtf8(sql);
    for (const std::u16string_view bad : {u"SELECT TOP 10 PERCENT a FROM t", u"SELECT [Key FROM t"})
        EXPECT_THROW(TranslateSql(bad, Backend::Sqlite), DbError) << Utf16ToUtf8(bad);
}

// Patterns: DAO's on SQLite run as GLOB, ADO's on PostgreSQL as LIKE with an escape (or as
// SIMILAR TO where they hold a character class).
TEST(SqlDialect, LikePatterns) {
    constexpr Backend dao = Backend::Sqlite, ado = Backend::Postgres;
    // The pattern, and the operator and the pattern it runs.
    const std::tuple<Backend, std::u16string_view, std::u16string_view> cases[] = {
        {dao, u"[*][?][#][[]x*", u"GLOB [*][?]#[[]x*"},  // bracketed specials are literal
        {dao, u"50%_*", u"GLOB 50%_*"},                  // % and _ are plain characters in DAO
        {dao, u"#", u"GLOB [0-9]"},
        {dao, u"[!a-c]", u"GLOB [^a-c]"},
        {dao, u"[]]", u"GLOB ]"},  // "[]" is nothing, then a plain "]"
        {dao, u"[!]", u"GLOB !"},
        {dao, u"[^a]", u"GLOB [a^]"},  // "^" first would negate in GLOB
        {dao, u"[-^]", u"GLOB [-^]"},
        {ado, u"[%][_][[]x%", u"LIKE \\%\\_[x%"},  // bracketed specials are literal
        {ado, u"a*b?#", u"LIKE a*b?#"},            // DAO wildcards are plain characters in ADO
        {ado, u"a\\b%", u"LIKE a\\\\b%"},          // the escape character itself
        {ado, u"[!x.]%", u"SIMILAR TO [^x\\.]%"},
        {ado, u"[ab]a.b|c", u"SIMILAR TO [ab]a\\.b\\|c"},
    };
    for (const auto& [backend, pattern, runs] : cases) {
        const LikePattern like = TranslateLikePattern(pattern, backend);
        EXPECT_EQ(like.op + u" " + like.pattern, runs) << Utf16ToUtf8(pattern);
        EXPECT_EQ(like.escape, backend == ado);
    }
    EXPECT_THROW(TranslateLikePattern(u"ab[c", dao), DbError);
}

TEST(SqlDialect, StatementScans) {
    const std::pair<std::u16string_view, std::u16string_view> bareNames[] = {
        {u" [Name Data] ", u"Name Data"},       {u"\"Odd\"\"Name\"", u"Odd\"Name"}, {u"(SELECT 1)", u""},
        {u"Selected Names", u"Selected Names"}, {u"select\n* from t", u""},         {u"  ", u""}};
    for (const auto& [name, bare] : bareNames) EXPECT_EQ(BareTableName(name), bare) << Utf16ToUtf8(name);

    EXPECT_EQ(WithoutTrailingOrderBy("SELECT a FROM t WHERE b = 'ORDER BY' ORDER BY a, b"),
              "SELECT a FROM t WHERE b = 'ORDER BY'");
    EXPECT_EQ(WithoutTrailingOrderBy("SELECT a FROM (SELECT a FROM t ORDER BY a) s"),
              "SELECT a FROM (SELECT a FROM t ORDER BY a) s");

    EXPECT_EQ(RowSelectListStart("select all a from t"), 10u);
    EXPECT_EQ(RowSelectListStart("WITH x AS (SELECT DISTINCT a FROM t) SELECT a FROM x"), 43u);
    for (const char* notRows : {"SELECT DISTINCT a FROM t", "SELECT a, count(*) FROM t GROUP BY a",
                                "SELECT a FROM t UNION SELECT a FROM u"})
        EXPECT_EQ(RowSelectListStart(notRows), std::string::npos) << notRows;

    std::u16string out = u"x";
    EXPECT_TRUE(quarrymink::AppendUtf8(out, "a\xc3\xa9\xf0\x9f\x98\x80"));
    EXPECT_EQ(out, u"xa\u00e9\U0001F600");
    out.clear();
    EXPECT_FALSE(quarrymink::AppendUtf8(out, "a\xff\x62\xc3"));  // a stray byte, "b" and a cut sequence
    EXPECT_EQ(out, u"a\ufffdb\ufffd");
}

TEST(SqlDialect, NamesAreOneIdentifier) {
    for (const std::u16string_view name :
         {u"NameData", u"_x1", u"Stra\u00dfe", u"[Name Data]", u"\"Name \"\"Data\"\"\""})
        EXPECT_NO_THROW(RequireName(name, "table")) << Utf16ToUtf8(name);
    for (const std::u16string_view name :
         {u"", u"1x", u"NameData; DROP TABLE canary; --", u"Name Data", u"[a]b]", u"[a] OR [b]",
          u"\"a\" \"b\"", u"\"a\"b\"", u"[]", u"a\u0002", u"t.x"})
        EXPECT_THROW(RequireName(name, "table"), DbError) << Utf16ToUtf8(name);
    EXPECT_EQ(UnquotedName(u"\"say \"\"hi\"\"\""), u"say \"hi\"");
    EXPECT_TRUE(NamesEqual(u"\u00c9t\u00e9", u"\u00e9T\u00c9"));
    EXPECT_FALSE(NamesEqual(u"Key", u"Keys"));
}

// The filter goes inside parentheses of the search's own statement: it may not leave them.
TEST(SqlDialect, FilterIsOneConditionThatStaysInItsParentheses) {
    for (const auto backend : {Backend::Sqlite, Backend::Postgres}) {
        for (const std::u16string_view good :
             {u"Active=1 OR Archived=1", u"(a = 1) AND (b = ')(' OR c = \"x)\")", u"Name LIKE 'O''Br*'",
              u"[Full Name] <> '--;/*'", u"a IN (1, 2, (3))"})
            EXPECT_NO_THROW(RequireCondition(good, backend)) << Utf16ToUtf8(good);
        for (const std::u16string_view bad :
             {u"1=1) OR (1=1", u"1=1) ORDER BY name; DELETE FROM canary; SELECT 1 WHERE (1=1",
              u"1=1; DELETE FROM x", u"(1=1", u"1=1 -- rest", u"1=1 /* c */", u"Name = 'x", u"\"Name = 1",
              u"[Name = 1", u"Name = `x`"})
            EXPECT_THROW(RequireCondition(bad, backend), DbError) << Utf16ToUtf8(bad);
    }
    // PostgreSQL's own literals: $-quoting and backslash escapes are refused, not guessed at.
    for (const std::u16string_view bad :
         {u"name = $$x) OR (1=1$$", u"name = E'\\' ) OR (1=1 -- '", u"1E'\\' ) OR (1=1 -- '"})
        EXPECT_THROW(RequireCondition(bad, Backend::Postgres), DbError) << Utf16ToUtf8(bad);
}

}  // namespace
}  // namespace quarrymink::sqldialect
