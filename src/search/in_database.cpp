// The search scored in a PostgreSQL server by the extension quarrymink: one query scores the
// candidate rows where they are and sends back only the ranked rows and the identifier of the
// last accepted row, which the engine then lists as its own search would have.
#include <string>

#include "candidate_score_p.h"
#include "postgres_order_p.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "sql_dialect.h"

namespace quarrymink {
namespace {

using sqldialect::Backend;

std::u16string Number(long long value) {
    return Widen(std::to_string(value));
}

std::u16string Literal(const std::string& utf8) {
    std::u16string text;
    AppendUtf8(text, sqldialect::QuoteLiteral(utf8));
    return text;
}

// A name as PostgreSQL keeps it, as the engine's statements name it: a "quoted" name with its
// case, a plain or [bracketed] one folded to lower case.
std::string PostgresName(std::u16string_view name) {
    std::string kept = Utf16ToUtf8(sqldialect::UnquotedName(name));
    if (!name.starts_with(u'"'))
        for (char& c : kept)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return kept;
}

// The schema of the extension, quoted for a qualified name; empty when the database has
// no extension quarrymink.
std::u16string ExtensionSchema(Connection& db) {
    auto set = db.OpenRecordset(
        u"SELECT quote_ident(n.nspname) FROM pg_catalog.pg_extension e JOIN pg_catalog.pg_namespace n "
        u"ON n.oid = e.extnamespace WHERE e.extname = 'quarrymink'");
    const std::u16string schema = set->Eof() ? std::u16string() : set->FieldAt(0).ToText();
    set->Close();
    return schema;
}

// The declared size of the key field (0 when it has none): the search key is cut to it, as
// the stored keys were.
std::int32_t KeyFieldSize(Connection& db, std::u16string_view table, std::u16string_view keyField) {
    std::u16string sql = u"SELECT ";
    sql.append(keyField).append(u" FROM ").append(table).append(u" WHERE 1 = 0");
    auto set = db.OpenRecordset(sql);
    const std::int32_t size = set->DefinedSize(keyField);
    set->Close();
    return size;
}

// The table's name as a literal for to_regclass and regclass, quoted so that it keeps its case.
std::u16string TableLiteral(std::u16string_view table) {
    std::string quoted = "\"";
    for (const char c : PostgresName(table)) quoted.append(c == '"' ? 2 : 1, c);
    return Literal(quoted + "\"");
}

}  // namespace

bool PostgresOrdersByCodePoint(Connection& db, std::u16string_view table, std::u16string_view textField) {
    // The column's collation, or the database's for the default one (its provider read through
    // to_jsonb, as servers before version 15 have no such column and no other provider).
    std::u16string sql =
        u"SELECT a.atttypid IN ('text'::regtype, 'varchar'::regtype) "
        u"AND pg_catalog.getdatabaseencoding() = 'UTF8' AND CASE WHEN a.attcollation = 100 THEN "
        u"(SELECT coalesce(to_jsonb(d) ->> 'datlocprovider', 'c') = 'c' AND d.datcollate IN ('C', 'POSIX') "
        u"FROM pg_catalog.pg_database d WHERE d.datname = current_database()) ELSE "
        u"(SELECT c.collprovider = 'c' AND c.collcollate IN ('C', 'POSIX') FROM pg_catalog.pg_collation c "
        u"WHERE c.oid = a.attcollation) END "
        u"FROM pg_catalog.pg_attribute a WHERE a.attrelid = to_regclass(";
    sql.append(TableLiteral(table)).append(u") AND a.attname = ");
    sql.append(Literal(PostgresName(textField))).append(u" AND a.attnum > 0 AND NOT a.attisdropped");
    try {
        auto set = db.OpenRecordset(sql);
        const bool bytes = !set->Eof() && set->FieldAt(0).ToInt32() != 0;
        set->Close();
        return bytes;
    } catch (const DbError&) {
        return false;
    }
}

bool MatchEngine::SearchInDatabase(Connection& db, const std::u16string& searchText) {
    // An unknown Compare is corrected, with its message, by the search on the client.
    if (db.Kind() != ConnectionKind::Postgres || compare < CompareAll || compare > CompareAuto) return false;
    const std::u16string schema = ExtensionSchema(db);
    if (schema.empty()) return false;
    maxKeyLength = KeyFieldSize(db, tableName, keyFieldName);
    searchCode = MakeCode(searchText);
    threshold_ = KeyLengthGrade(searchCode);
    host_->SetProgress(0);
    if (scoring::SplitKeyParts(searchCode).count < 0) {
        host_->SetProgress(100);
        return true;
    }

    // One call of qm_search, which runs its query as a plain statement: unlike a cursor's, it
    // may use parallel workers. The key is the client's, so that a table searched with its
    // own key version ranks as the client would rank it; the filter goes as the database will
    // read it, LIKE patterns translated.
    std::u16string sql = u"SELECT match, id, score, last_id FROM " + schema + u".qm_search(";
    sql.append(TableLiteral(tableName));
    for (const std::u16string* field : {&keyFieldName, &textFieldName, &idFieldName})
        sql.append(u", ").append(Literal(PostgresName(*field)));
    sql.append(u", ").append(sqldialect::QuoteLiteral(searchText)).append(u", ").append(Number(compare));
    sql.append(u", ").append(sqldialect::QuoteLiteral(searchCode)).append(u", ");
    sql.append(sqlFilterString.empty()
                   ? u"NULL"
                   : Literal(sqldialect::TranslateSql(sqlFilterString, Backend::Postgres)));
    sql.append(u")");

    auto set = db.OpenRecordset(sql);
    std::u16string text;
    std::int32_t lastId = 0;
    bool any = false;
    for (; !set->Eof(); set->MoveNext()) {
        set->FieldTextAt(0, text);
        const std::int32_t id = set->FieldAt(1).ToInt32();
        lastId = set->FieldAt(3).ToInt32();
        any = true;
        UpdateMatchList(ListMode::Add, text, set->FieldAt(2).ToInt32(), id);
        idValue = id;  // as while the client search reports a match
        host_->MatchFound(text, id);
        if (!host_) return true;
    }
    set->Close();
    if (any) idValue = lastId;
    host_->SetProgress(100);
    return true;
}

}  // namespace quarrymink
