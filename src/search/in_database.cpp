// The search scored in a PostgreSQL server by the extension quarrymink: one query scores the
// candidate rows where they are and sends back only the ranked rows and the identifier of the
// last accepted row, which the engine then lists as its own search would have.
#include <string>

#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "search/candidate_score_p.h"

namespace quarrymink {
namespace {

std::u16string Number(long long value) { return Widen(std::to_string(value)); }

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"'";
    for (const char16_t ch : text) {
        if (ch == u'\'') out += u'\'';
        out += ch;
    }
    return out + u"'";
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

}  // namespace

bool MatchEngine::SearchInDatabase(Connection& db, const std::u16string& searchText, std::size_t spaceCount) {
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

    // The key is the client's, so that a table searched with its own key version ranks as
    // the client would rank it; the score is computed once more only for accepted rows.
    std::u16string score = schema + u".qm_score(";
    score.append(keyFieldName).append(u"::text, ").append(Quoted(searchCode)).append(u", ");
    score.append(Number(compare)).append(u", ").append(Number(static_cast<long long>(spaceCount))).append(u")");
    std::u16string sql = u"WITH accepted AS MATERIALIZED (SELECT ";
    sql.append(textFieldName).append(u" AS qm_text, ").append(idFieldName).append(u" AS qm_id, ");
    sql.append(score).append(u" AS qm_score").append(CandidateSource(searchCode));
    sql.append(u" and ").append(score).append(u" > ").append(Number(threshold_)).append(u") ");
    // Equal scores in text order, as the client's ranked buffer keeps rows read in text order.
    sql.append(u"SELECT qm_text, qm_id, qm_score, (SELECT qm_id FROM accepted ORDER BY qm_text DESC, qm_id DESC "
               u"LIMIT 1) AS qm_last FROM accepted ORDER BY qm_score DESC, qm_text, qm_id LIMIT ");
    sql.append(Number(MatchBuffer::kSize));

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
