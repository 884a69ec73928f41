// Statement translation for the two backends; see sql_dialect.h for the dialect.
#include "sql_dialect.h"

#include <type_traits>
#include <utility>
#include <vector>

#include "quarrymink/database.h"
#include "quarrymink/unicode.h"

namespace quarrymink::sqldialect {
namespace {

enum class Tok { Space, Comment, Word, Number, String, Quoted, Bracket, Punct };

template <class Ch>
bool IsSpace(Ch c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
template <class Ch>
bool IsDigit(Ch c) {
    return c >= '0' && c <= '9';
}
template <class Ch>
bool IsWordStart(Ch c) {
    const auto u = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Ch>>(c));
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80;
}
template <class Ch>
bool IsWordChar(Ch c) {
    return IsWordStart(c) || IsDigit(c) || c == '$';
}
template <class Ch>
Ch AsciiUpper(Ch c) {
    return (c >= 'a' && c <= 'z') ? static_cast<Ch>(c - 'a' + 'A') : c;
}

// A lexer just fine enough to tell literals, names, comments and keywords apart.
template <class Ch>
struct Lexer {
    std::basic_string_view<Ch> s;
    bool backslashStrings = false;  // PostgreSQL's E'...' literals
    std::size_t pos = 0;
    Tok kind = Tok::Punct;
    std::size_t begin = 0, end = 0;
    bool unclosed = false;  // the token is a literal, quoted name or bracket that runs to the end

    bool Next() {
        if (pos >= s.size()) return false;
        begin = pos;
        unclosed = false;
        const Ch c = s[pos];
        if (IsSpace(c)) {
            while (pos < s.size() && IsSpace(s[pos])) ++pos;
            kind = Tok::Space;
        } else if (c == '-' && pos + 1 < s.size() && s[pos + 1] == '-') {
            while (pos < s.size() && s[pos] != '\n') ++pos;
            kind = Tok::Comment;
        } else if (c == '/' && pos + 1 < s.size() && s[pos + 1] == '*') {
            const auto close = s.find(std::basic_string_view<Ch>(StarSlash()), pos + 2);
            unclosed = close == std::basic_string_view<Ch>::npos;
            pos = unclosed ? s.size() : close + 2;
            kind = Tok::Comment;
        } else if (c == '\'') {
            ScanQuoted('\'', false);
            kind = Tok::String;
        } else if (c == '"') {
            ScanQuoted('"', false);
            kind = Tok::Quoted;
        } else if (c == '[') {
            const auto close = s.find(Ch(']'), pos + 1);
            unclosed = close == std::basic_string_view<Ch>::npos;
            pos = unclosed ? s.size() : close + 1;
            kind = Tok::Bracket;
        } else if (IsWordStart(c)) {
            if (backslashStrings && (c == 'E' || c == 'e') && pos + 1 < s.size() && s[pos + 1] == '\'') {
                ++pos;
                ScanQuoted('\'', true);
                kind = Tok::String;
                end = pos;
                return true;
            }
            while (pos < s.size() && IsWordChar(s[pos])) ++pos;
            kind = Tok::Word;
        } else if (IsDigit(c)) {
            while (pos < s.size() && (IsWordChar(s[pos]) || s[pos] == '.')) ++pos;
            kind = Tok::Number;
        } else {
            ++pos;
            kind = Tok::Punct;
        }
        end = pos;
        return true;
    }

    std::basic_string_view<Ch> Text() const { return s.substr(begin, end - begin); }
    bool IsWord(std::string_view upper) const {
        if (kind != Tok::Word || end - begin != upper.size()) return false;
        for (std::size_t i = 0; i < upper.size(); ++i)
            if (AsciiUpper(s[begin + i]) != static_cast<Ch>(upper[i])) return false;
        return true;
    }
    bool IsPunct(char c) const { return kind == Tok::Punct && s[begin] == static_cast<Ch>(c); }
    // The next token that is neither space nor comment, without consuming anything.
    Lexer Peek() const {
        Lexer l = *this;
        while (l.Next())
            if (l.kind != Tok::Space && l.kind != Tok::Comment) return l;
        l.kind = Tok::Space;
        l.begin = l.end = s.size();
        return l;
    }

private:
    static constexpr Ch kStarSlash[3] = {'*', '/', 0};
    static const Ch* StarSlash() { return kStarSlash; }

    void ScanQuoted(Ch quote, bool backslash) {
        ++pos;
        while (pos < s.size()) {
            if (backslash && s[pos] == '\\') {
                pos += 2;
            } else if (s[pos] == quote) {
                if (pos + 1 < s.size() && s[pos + 1] == quote) {
                    pos += 2;
                } else {
                    ++pos;
                    return;
                }
            } else {
                ++pos;
            }
        }
        pos = s.size();
        unclosed = true;
    }
};

// ---- LIKE patterns ----

struct PatternItem {
    enum Kind { AnyRun, AnyOne, Digit, Literal, Set } kind = Literal;
    char16_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char16_t, char16_t>> ranges;  // Set members, single ones as (c, c)
};

PatternItem Item(PatternItem::Kind kind, char16_t ch = 0) {
    PatternItem item;
    item.kind = kind;
    item.ch = ch;
    return item;
}

std::vector<PatternItem> ParsePattern(std::u16string_view p, bool dao) {
    std::vector<PatternItem> items;
    for (std::size_t i = 0; i < p.size();) {
        const char16_t c = p[i];
        if (dao && c == u'*') {
            items.push_back(Item(PatternItem::AnyRun));
        } else if (dao && c == u'?') {
            items.push_back(Item(PatternItem::AnyOne));
        } else if (dao && c == u'#') {
            items.push_back(Item(PatternItem::Digit));
        } else if (!dao && c == u'%') {
            items.push_back(Item(PatternItem::AnyRun));
        } else if (!dao && c == u'_') {
            items.push_back(Item(PatternItem::AnyOne));
        } else if (c == u'[') {
            std::size_t j = i + 1;
            if (j < p.size() && p[j] == u']') {  // "[]": nothing
                i = j + 1;
                continue;
            }
            bool negated = false;
            if (j < p.size() && p[j] == u'!') {
                if (j + 1 < p.size() && p[j + 1] == u']') {  // "[!]": a literal "!"
                    items.push_back(Item(PatternItem::Literal, u'!'));
                    i = j + 2;
                    continue;
                }
                negated = true;
                ++j;
            }
            const std::size_t close = p.find(u']', j);
            if (close == std::u16string_view::npos)
                throw DbError(dberr::kGeneral,
                              "Invalid pattern string: a '[' without its ']' in a LIKE pattern");
            PatternItem set = Item(PatternItem::Set);
            set.negated = negated;
            for (std::size_t m = j; m < close;) {
                if (m + 2 < close && p[m + 1] == u'-') {
                    set.ranges.emplace_back(p[m], p[m + 2]);
                    m += 3;
                } else {
                    set.ranges.emplace_back(p[m], p[m]);
                    ++m;
                }
            }
            if (!negated && set.ranges.size() == 1 && set.ranges[0].first == set.ranges[0].second)
                items.push_back(Item(PatternItem::Literal, set.ranges[0].first));
            else
                items.push_back(std::move(set));
            i = close + 1;
            continue;
        } else {
            items.push_back(Item(PatternItem::Literal, c));
        }
        ++i;
    }
    return items;
}

bool IsAsciiPunct(char16_t c) {
    return c < 0x80 && c > 0x20 && !(c >= u'0' && c <= u'9') && !(c >= u'a' && c <= u'z') &&
           !(c >= u'A' && c <= u'Z');
}

// A character list in SQLite's GLOB syntax, or in PostgreSQL's SIMILAR TO (escaped) syntax.
void AppendSet(std::u16string& out, const PatternItem& set, bool similar) {
    std::u16string body;
    bool hasClose = false, hasDash = false, hasCaret = false;
    const auto member = [&](char16_t c) {
        if (similar && IsAsciiPunct(c) && c != u'-') body.push_back(u'\\');
        body.push_back(c);
    };
    for (const auto& [lo, hi] : set.ranges) {
        if (lo == hi) {
            if (lo == u']' && !similar)
                hasClose = true;
            else if (lo == u'-')
                hasDash = true;
            else if (lo == u'^' && !similar)
                hasCaret = true;
            else
                member(lo);
        } else {
            member(lo);
            body.push_back(u'-');
            member(hi);
        }
    }
    out.push_back(u'[');
    if (set.negated) out.push_back(u'^');
    if (hasClose) out.push_back(u']');
    if (hasCaret && !set.negated && !hasClose && body.empty()) {
        // "^" may not come first; with nothing else, a leading "-" is literal too.
        if (hasDash)
            out.append(u"-^");
        else
            out.push_back(u'^');
        out.push_back(u']');
        return;
    }
    out.append(body);
    if (hasCaret) out.push_back(u'^');
    if (hasDash) out.push_back(u'-');
    out.push_back(u']');
}

}  // namespace

LikePattern TranslateLikePattern(std::u16string_view pattern, Backend backend) {
    const bool sqlite = backend == Backend::Sqlite;
    const std::vector<PatternItem> items = ParsePattern(pattern, sqlite);
    LikePattern result;
    if (sqlite) {
        result.op = u"GLOB";
        for (const PatternItem& item : items) {
            switch (item.kind) {
                case PatternItem::AnyRun:
                    result.pattern.push_back(u'*');
                    break;
                case PatternItem::AnyOne:
                    result.pattern.push_back(u'?');
                    break;
                case PatternItem::Digit:
                    result.pattern.append(u"[0-9]");
                    break;
                case PatternItem::Set:
                    AppendSet(result.pattern, item, false);
                    break;
                case PatternItem::Literal:
                    if (item.ch == u'*' || item.ch == u'?' || item.ch == u'[') {
                        result.pattern.push_back(u'[');
                        result.pattern.push_back(item.ch);
                        result.pattern.push_back(u']');
                    } else {
                        result.pattern.push_back(item.ch);
                    }
                    break;
            }
        }
        return result;
    }
    bool similar = false;
    for (const PatternItem& item : items)
        if (item.kind == PatternItem::Digit || item.kind == PatternItem::Set) similar = true;
    result.op = similar ? u"SIMILAR TO" : u"LIKE";
    result.escape = true;
    for (const PatternItem& item : items) {
        switch (item.kind) {
            case PatternItem::AnyRun:
                result.pattern.push_back(u'%');
                break;
            case PatternItem::AnyOne:
                result.pattern.push_back(u'_');
                break;
            case PatternItem::Digit:
                result.pattern.append(u"[0-9]");
                break;
            case PatternItem::Set:
                AppendSet(result.pattern, item, true);
                break;
            case PatternItem::Literal: {
                const bool special = similar ? IsAsciiPunct(item.ch)
                                             : (item.ch == u'%' || item.ch == u'_' || item.ch == u'\\');
                if (special) result.pattern.push_back(u'\\');
                result.pattern.push_back(item.ch);
                break;
            }
        }
    }
    return result;
}

namespace {

std::u16string QuoteIdentifier16(std::u16string_view name, Backend backend) {
    std::u16string out = u"\"";
    for (char16_t c : name) {
        if (backend == Backend::Postgres && c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c == u'"') out.push_back(u'"');
        out.push_back(c);
    }
    out.push_back(u'"');
    return out;
}

// Puts " LIMIT n" at the end of out, before trailing blanks.
void InsertLimit(std::u16string& out, const std::u16string& count) {
    std::size_t at = out.size();
    while (at > 0 && IsSpace(out[at - 1])) --at;
    out.insert(at, u" LIMIT " + count);
}

std::u16string UndoubleQuotes(std::u16string_view literal) {
    std::u16string text;
    // literal includes its quotes
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        text.push_back(literal[i]);
        if (literal[i] == u'\'' && i + 2 < literal.size() && literal[i + 1] == u'\'') ++i;
    }
    return text;
}

std::u16string DoubleQuotes(std::u16string_view text) {
    std::u16string out = u"'";
    for (char16_t c : text) {
        if (c == u'\'') out.push_back(u'\'');
        out.push_back(c);
    }
    out.push_back(u'\'');
    return out;
}

}  // namespace

std::string TranslateSql(std::u16string_view sql, Backend backend) {
    Lexer<char16_t> lex{sql, backend == Backend::Postgres};
    std::u16string out;
    out.reserve(sql.size() + 16);
    int depth = 0;
    std::vector<std::pair<int, std::u16string>> limits;  // pending LIMIT per parenthesis depth
    const auto flushLimit = [&] {
        if (!limits.empty() && limits.back().first == depth) {
            InsertLimit(out, limits.back().second);
            limits.pop_back();
        }
    };
    while (lex.Next()) {
        switch (lex.kind) {
            case Tok::Bracket: {
                const auto text = lex.Text();
                if (text.size() < 2 || text.back() != u']')
                    throw DbError(dberr::kGeneral, "Syntax error: a '[' without its ']' in the statement");
                out.append(QuoteIdentifier16(text.substr(1, text.size() - 2), backend));
                break;
            }
            case Tok::Punct:
                if (lex.IsPunct('(')) {
                    ++depth;
                } else if (lex.IsPunct(')')) {
                    flushLimit();
                    --depth;
                } else if (lex.IsPunct(';')) {
                    flushLimit();
                }
                out.append(lex.Text());
                break;
            case Tok::Word:
                if (lex.IsWord("SELECT")) {
                    out.append(lex.Text());
                    Lexer<char16_t> next = lex.Peek();
                    if (next.IsWord("DISTINCT") || next.IsWord("DISTINCTROW") || next.IsWord("ALL")) {
                        out.append(sql.substr(lex.end, next.end - lex.end));
                        lex = next;
                        next = lex.Peek();
                    }
                    const Lexer<char16_t> count = next.Peek();
                    if (next.IsWord("TOP") && count.kind == Tok::Number) {
                        if (count.Peek().IsWord("PERCENT"))
                            throw DbError(dberr::kGeneral, "TOP ... PERCENT is not supported");
                        if (!limits.empty() && limits.back().first == depth)
                            throw DbError(dberr::kGeneral, "TOP may stand in only one SELECT of a statement");
                        limits.emplace_back(depth, std::u16string(count.Text()));
                        lex = count;  // drops "TOP n"; the blank after n stays
                    }
                } else if (lex.IsWord("LIKE")) {
                    const Lexer<char16_t> literal = lex.Peek();
                    const bool isPattern = literal.kind == Tok::String && literal.s[literal.begin] == u'\'' &&
                                           !literal.Peek().IsWord("ESCAPE");
                    if (!isPattern) {
                        // A pattern from a column, or one with the caller's own ESCAPE clause.
                        const bool own = literal.kind == Tok::String && literal.Peek().IsWord("ESCAPE");
                        out.append(backend == Backend::Sqlite && !own ? std::u16string_view(u"GLOB")
                                                                      : lex.Text());
                        break;
                    }
                    const LikePattern like = TranslateLikePattern(UndoubleQuotes(literal.Text()), backend);
                    out.append(like.op);
                    out.append(sql.substr(lex.end, literal.begin - lex.end));
                    out.append(DoubleQuotes(like.pattern));
                    if (like.escape) out.append(u" ESCAPE '\\'");
                    lex = literal;
                } else {
                    out.append(lex.Text());
                }
                break;
            default:
                out.append(lex.Text());
                break;
        }
    }
    while (!limits.empty()) {  // unbalanced parentheses: put what is left at the end
        InsertLimit(out, limits.back().second);
        limits.pop_back();
    }
    return Utf16ToUtf8(out);
}

std::string QuoteIdentifier(std::u16string_view name, Backend backend) {
    return Utf16ToUtf8(QuoteIdentifier16(name, backend));
}

std::string QuoteIdentifier(std::string_view utf8Name, Backend backend) {
    std::string out = "\"";
    for (char c : utf8Name) {
        if (backend == Backend::Postgres && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

namespace {
template <typename Text>
Text Quote(std::basic_string_view<typename Text::value_type> text) {
    using Char = typename Text::value_type;
    Text out(1, Char('\''));
    for (const Char c : text) {
        if (c == Char('\'')) out.push_back(c);
        out.push_back(c);
    }
    out.push_back(Char('\''));
    return out;
}
}  // namespace

std::string QuoteLiteral(std::string_view utf8Text) {
    return Quote<std::string>(utf8Text);
}

std::u16string QuoteLiteral(std::u16string_view text) {
    return Quote<std::u16string>(text);
}

std::u16string BareTableName(std::u16string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    if (text.empty() || text.front() == u'(') return {};
    if (text.size() >= 2 && text.front() == u'[' && text.back() == u']' && text.find(u']') == text.size() - 1)
        return std::u16string(text.substr(1, text.size() - 2));
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"') {
        std::u16string name;
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            name.push_back(text[i]);
            if (text[i] == u'"' && i + 2 < text.size() && text[i + 1] == u'"') ++i;
        }
        return name;
    }
    Lexer<char16_t> lex{text};
    lex.Next();
    for (const char* keyword :
         {"SELECT", "WITH", "VALUES", "TABLE", "PRAGMA", "EXPLAIN", "SHOW", "TRANSFORM", "PARAMETERS"}) {
        if (lex.IsWord(keyword)) return {};
    }
    return std::u16string(text);
}

std::string WithoutTrailingOrderBy(std::string_view sql) {
    Lexer<char> lex{sql, true};
    int depth = 0;
    std::size_t orderAt = std::string_view::npos;
    while (lex.Next()) {
        if (lex.IsPunct('(')) {
            ++depth;
        } else if (lex.IsPunct(')')) {
            --depth;
        } else if (depth == 0 && lex.IsWord("ORDER") && lex.Peek().IsWord("BY")) {
            orderAt = lex.begin;
        } else if (depth == 0 && orderAt != std::string_view::npos &&
                   (lex.IsWord("LIMIT") || lex.IsWord("OFFSET") || lex.IsWord("FETCH") ||
                    lex.IsWord("UNION") || lex.IsWord("INTERSECT") || lex.IsWord("EXCEPT") ||
                    lex.IsWord("FOR"))) {
            return std::string(sql);
        }
    }
    if (orderAt == std::string_view::npos) return std::string(sql);
    std::size_t end = orderAt;
    while (end > 0 && IsSpace(sql[end - 1])) --end;
    return std::string(sql.substr(0, end));
}

std::size_t RowSelectListStart(std::string_view sql) {
    Lexer<char> lex{sql, true};
    int depth = 0;
    std::size_t start = std::string_view::npos;
    while (lex.Next()) {
        if (lex.IsPunct('(')) {
            ++depth;
        } else if (lex.IsPunct(')')) {
            --depth;
        } else if (depth == 0 && lex.kind == Tok::Word) {
            if (start == std::string_view::npos) {
                if (lex.IsWord("SELECT")) {
                    const Lexer<char> next = lex.Peek();
                    if (next.IsWord("DISTINCT")) return std::string_view::npos;
                    if (next.IsWord("ALL")) lex = next;
                    start = lex.end;
                }
            } else if (lex.IsWord("GROUP") || lex.IsWord("HAVING") || lex.IsWord("UNION") ||
                       lex.IsWord("INTERSECT") || lex.IsWord("EXCEPT") || lex.IsWord("WINDOW")) {
                return std::string_view::npos;
            }
        }
    }
    return start;
}

std::int32_t DeclaredTextSize(std::string_view declaredType) {
    std::string upper;
    for (char c : declaredType) upper.push_back(AsciiUpper(c));
    if (upper.find("CHAR") == std::string::npos && upper.find("TEXT") == std::string::npos &&
        upper.find("CLOB") == std::string::npos && upper.find("STRING") == std::string::npos)
        return 0;
    const std::size_t open = upper.find('(');
    if (open == std::string::npos) return 0;
    std::size_t i = open + 1;
    while (i < upper.size() && IsSpace(upper[i])) ++i;
    std::int64_t size = 0;
    bool any = false;
    while (i < upper.size() && IsDigit(upper[i]) && size < 1000000000) {
        size = size * 10 + (upper[i++] - '0');
        any = true;
    }
    return any ? static_cast<std::int32_t>(size) : 0;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && SimpleLower(a[i]) != SimpleLower(b[i])) return false;
    }
    return true;
}

namespace {

bool IsPlainName(std::u16string_view name) {
    if (name.empty() || !IsWordStart(name.front())) return false;
    for (char16_t c : name)
        if (!IsWordChar(c)) return false;
    return true;
}

// One delimited name: open ... close, with close inside only doubled (quotes) or not at all.
bool IsDelimitedName(std::u16string_view name, char16_t open, char16_t close, bool doubled) {
    if (name.size() < 3 || name.front() != open || name.back() != close) return false;
    const std::u16string_view inner = name.substr(1, name.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] != close) continue;
        if (!doubled || i + 1 >= inner.size() || inner[i + 1] != close) return false;
        ++i;
    }
    return true;
}

bool HasControlCharacter(std::u16string_view text) {
    for (char16_t c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

[[noreturn]] void RefuseCondition(std::u16string_view filter, std::string_view why) {
    throw DbError(dberr::kGeneral,
                  "The filter \"" + Utf16ToUtf8(filter) + "\" is not one SQL condition: " + std::string(why));
}

}  // namespace

void RequireName(std::u16string_view name, std::string_view what) {
    const bool one =
        !HasControlCharacter(name) && (IsPlainName(name) || IsDelimitedName(name, u'[', u']', false) ||
                                       IsDelimitedName(name, u'"', u'"', true));
    if (!one)
        throw DbError(dberr::kGeneral, "The " + std::string(what) + " name '" + Utf16ToUtf8(name) +
                                           "' is not one name (write a name with blanks as [Name])");
}

std::u16string UnquotedName(std::u16string_view name) {
    if (IsDelimitedName(name, u'[', u']', false)) return std::u16string(name.substr(1, name.size() - 2));
    if (!IsDelimitedName(name, u'"', u'"', true)) return std::u16string(name);
    std::u16string out;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        out.push_back(name[i]);
        if (name[i] == u'"') ++i;
    }
    return out;
}

std::u16string DelimitedName(std::u16string_view name) {
    if (!IsPlainName(name)) return std::u16string(name);
    return u"[" + std::u16string(name) + u"]";
}

void RequireCondition(std::u16string_view filter, Backend backend) {
    Lexer<char16_t> lex{filter, backend == Backend::Postgres};
    int depth = 0;
    while (lex.Next()) {
        switch (lex.kind) {
            case Tok::Comment:
                RefuseCondition(filter, "it holds a comment");
            case Tok::String:
            case Tok::Quoted:
                if (lex.unclosed) RefuseCondition(filter, "a quote is not closed");
                // Whether a literal reads backslashes as escapes depends on what stands before
                // it in ways a small lexer can miss; without a backslash it makes no difference.
                if (backend == Backend::Postgres && lex.kind == Tok::String &&
                    lex.Text().find(u'\\') != std::u16string_view::npos)
                    RefuseCondition(filter, "a backslash in a literal is not supported");
                break;
            case Tok::Bracket:
                if (lex.unclosed) RefuseCondition(filter, "a '[' is not closed");
                break;
            case Tok::Punct:
                if (lex.IsPunct(';')) RefuseCondition(filter, "it holds a ';'");
                if (lex.IsPunct('$') && backend == Backend::Postgres)
                    RefuseCondition(filter, "$-quoted strings are not supported");
                if (lex.IsPunct('`')) RefuseCondition(filter, "`quoted` names are not supported");
                if (lex.IsPunct('(')) ++depth;
                if (lex.IsPunct(')') && --depth < 0)
                    RefuseCondition(filter, "a ')' closes more than was opened");
                break;
            default:
                break;
        }
    }
    if (depth != 0) RefuseCondition(filter, "a '(' is not closed");
}

}  // namespace quarrymink::sqldialect
