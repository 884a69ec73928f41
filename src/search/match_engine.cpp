// The search driver: checks, normalises the search text, codes it, checks the table's key
// version, queries the candidate rows and hands them to the scoring.
#include <algorithm>
#include <exception>
#include <utility>

#include "busy_scope_p.h"
#include "candidate_score_p.h"
#include "postgres_order_p.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "sql_dialect.h"
#include "textutil.h"

namespace quarrymink {

namespace {

// A character of a LIKE pattern that must match itself: wildcard and bracket characters
// go in brackets, a quote is doubled. Both dialects read "[c]" as the literal c.
void AppendLikeLiteral(std::u16string& sql, std::u16string_view text) {
    for (const char16_t ch : text) {
        switch (ch) {
            case u'*':
            case u'?':
            case u'#':
            case u'%':
            case u'_':
            case u'[':
                sql.push_back(u'[');
                sql.push_back(ch);
                sql.push_back(u']');
                break;
            case u'\'':
                sql.append(u"''");
                break;
            default:
                sql.push_back(ch);
                break;
        }
    }
}

// The search text trimmed, with runs of blanks made single.
void NormaliseSearchText(std::u16string& text) {
    const std::u16string_view trimmed = TrimBlanks(text);
    std::u16string out;
    out.reserve(trimmed.size());
    for (const char16_t ch : trimmed)
        if (ch != u' ' || out.empty() || out.back() != u' ') out.push_back(ch);
    text.swap(out);
}

// A name without the brackets or double quotes around it, lower-cased (ASCII letters), as
// SQLite compares names.
std::u16string PlainName(std::u16string_view name) {
    if (name.size() >= 2 &&
        ((name.front() == u'[' && name.back() == u']') || (name.front() == u'"' && name.back() == u'"')))
        name = name.substr(1, name.size() - 2);
    std::u16string out(name);
    for (char16_t& ch : out)
        if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch + 32);
    return out;
}

}  // namespace

MatchEngine::MatchEngine(SearchHost& host, SearchSettings settings)
    : SearchSettings(std::move(settings)), host_(&host) {}

MatchEngine::~MatchEngine() = default;

bool MatchEngine::Detach() {
    host_ = nullptr;
    cancel = true;
    stopRequested_ = true;
    if (busy_) orphaned_ = true;
    return busy_;
}

std::u16string MatchEngine::MakeCode(std::u16string_view text) {
    coder_.SetCompare(compare);
    coder_.SetMaxKeyLength(maxKeyLength);
    return coder_.MakeCode(text);
}

std::u16string MatchEngine::SimpleSoundex(std::u16string_view text) const {
    return quarrymink::SimpleSoundex(text);
}

void MatchEngine::Message(std::u16string_view text, MessageIcon icon) {
    if (host_) host_->ShowMessage(text, icon);
}

bool MatchEngine::RequireProperty(std::u16string_view value, std::u16string_view shownName) {
    if (!value.empty()) return false;
    if (host_)
        Message(messages::PropertyNotInitialized(host_->DisplayName(), shownName), MessageIcon::Critical);
    return true;
}

bool MatchEngine::RequireProperties() {
    return RequireProperty(tableName, u"Tablename") || RequireProperty(keyFieldName, u"KeyFieldName") ||
           RequireProperty(textFieldName, u"TextFieldName") || RequireProperty(idFieldName, u"IDFieldName");
}

void MatchEngine::ReportDbError(FailedStep step, std::int32_t number, std::u16string_view description) {
    if (!host_) return;
    std::u16string fields;
    switch (step) {
        case FailedStep::KeyVersionCheck:
            fields = keyFieldName;
            break;
        case FailedStep::Search:
            fields.append(textFieldName).append(u"' or '").append(idFieldName);
            break;
        case FailedStep::Recode:
            fields.append(textFieldName).append(u"' or '").append(keyFieldName);
            break;
    }
    Message(messages::DbErrorText(host_->DisplayName(), number, description, tableName, fields),
            MessageIcon::Critical);
}

void MatchEngine::ReportCurrentException(FailedStep step) {
    try {
        throw;
    } catch (const DbError& e) {
        ReportDbError(step, e.Number(), e.Description());
    } catch (const std::exception& e) {
        std::u16string what;
        AppendUtf8(what, e.what());
        ReportDbError(step, dberr::kGeneral, what);
    } catch (...) {
        ReportDbError(step, dberr::kGeneral, u"Unexpected failure");
    }
}

bool MatchEngine::ConnectionFits(const Connection& db) const {
    return (connectionType == qmDAO && db.Kind() == ConnectionKind::Sqlite) ||
           (connectionType == qmADO && db.Kind() == ConnectionKind::Postgres);
}

bool MatchEngine::Yield(bool now) {
    if (!host_) return false;
    const auto time = std::chrono::steady_clock::now();
    if (now || eventInterval_.count() == 0 || time - lastYield_ >= eventInterval_) {
        lastYield_ = time;
        host_->ProcessEvents();
    }
    return host_ != nullptr;
}

std::u16string MatchEngine::CandidateQuery(std::u16string_view code) const {
    std::u16string sql = u"SELECT ";
    sql.append(keyFieldName).append(u",").append(textFieldName).append(u",").append(idFieldName);
    sql.append(CandidateSource(code));
    sql.append(u" ORDER BY ").append(textFieldName);
    return sql;
}

std::u16string MatchEngine::CandidateSource(std::u16string_view code) const {
    std::u16string sql = u" FROM ";
    sql.append(tableName).append(u" WHERE ").append(sqldialect::DelimitedName(keyFieldName));
    sql.append(u" LIKE '");
    // The version the search key carries: the instance's, or the library's before the first key.
    const std::u16string& version = coder_.KeyVersion();
    AppendLikeLiteral(sql, version.empty() ? std::u16string(1, LibraryKeyVersion()) : version);
    AppendLikeLiteral(sql, code.size() >= 2 ? code.substr(1, 1) : std::u16string_view());
    sql.append(connectionType == qmADO ? u"%" : u"*").append(u"'");
    // In parentheses, so that a filter with OR cannot let rows of other classes through.
    if (!sqlFilterString.empty()) sql.append(u" and (").append(sqlFilterString).append(u")");
    return sql;
}

// Whether the candidates may be read in the database's own order and put in text order on the
// client: no sort in the database, and the rows are scored as they arrive.
bool MatchEngine::ScansUnordered(Connection& db) {
    if (eventInterval_.count() == 0) return false;
    if (db.Kind() == ConnectionKind::Postgres) return PostgresOrdersByCodePoint(db, tableName, textFieldName);
    if (db.Kind() != ConnectionKind::Sqlite) return false;
    // The client orders by code point, as SQLite's BINARY collation orders UTF-8 texts. That
    // is the query's order only for a plain table whose text column holds texts (text
    // affinity) and declares no collation, in a UTF-8 database.
    const std::u16string table = sqldialect::QuoteLiteral(PlainName(tableName));
    try {
        auto definition = db.OpenRecordset(
            u"SELECT sql FROM sqlite_master WHERE type = 'table' AND lower(name) = " + table);
        if (definition->Bof() && definition->Eof()) return false;
        if (PlainName(definition->FieldAt(0).ToText()).find(u"collate") != std::u16string::npos) return false;
        auto columns = db.OpenRecordset(u"SELECT name, type FROM pragma_table_info(" + table + u")");
        bool textColumn = false;
        for (; !columns->Eof(); columns->MoveNext()) {
            if (PlainName(columns->FieldAt(0).ToText()) != PlainName(textFieldName)) continue;
            const std::u16string type = PlainName(columns->FieldAt(1).ToText());
            for (const std::u16string_view affinity : {u"char", u"clob", u"text"})
                textColumn = textColumn || type.find(affinity) != std::u16string::npos;
        }
        if (!textColumn) return false;
        auto encoding = db.OpenRecordset(u"SELECT encoding FROM pragma_encoding");
        return encoding->FieldAt(0).ToText() == u"UTF-8";
    } catch (...) {
        return false;
    }
}

MatchEngine::KeyCheck MatchEngine::CheckKeyVersion(Connection& db) {
    std::u16string storedKey;
    bool empty = true;
    try {
        if (!ConnectionFits(db)) throw DbError(dberr::kInvalidArgument, "Invalid argument");
        std::u16string sql = u"SELECT TOP 1 ";
        sql.append(keyFieldName).append(u" FROM ").append(tableName);
        std::unique_ptr<Recordset> set = db.OpenRecordset(sql);
        empty = set->Bof() && set->Eof();
        if (!empty) {
            set->MoveFirst();
            const Value key = set->Field(keyFieldName);
            if (!key.IsNull()) storedKey = key.ToText();  // a Null key counts as a different version
        }
        set->Close();
    } catch (...) {
        ReportCurrentException(FailedStep::KeyVersionCheck);
        return KeyCheck::Stop;
    }
    if (empty || (!storedKey.empty() && storedKey.substr(0, 1) == coder_.KeyVersion()))
        return KeyCheck::Proceed;
    if (!host_) return KeyCheck::Stop;
    const RecodeChoice choice = host_->AskRecodeWarning();
    if (!host_) return KeyCheck::Stop;
    switch (choice) {
        case RecodeChoice::ContinueSearch:
            coder_.SetKeyVersion(storedKey.empty() ? std::u16string() : std::u16string(1, storedKey[0]));
            return KeyCheck::KeepTableVersion;
        case RecodeChoice::RecodeTable:
            RunRecode(db);
            return host_ ? KeyCheck::Recoded : KeyCheck::Stop;
        case RecodeChoice::Cancel:
            return KeyCheck::Stop;
        case RecodeChoice::None:
            return KeyCheck::Proceed;
    }
    return KeyCheck::Proceed;
}

const SearchResult& MatchEngine::BestMatchSearch(Connection* db, std::u16string& searchText) {
    if (busy_ || !host_) return Result();  // a search started from an event of a running one changes nothing
    BusyScope busy(*this);
    if (!db) {
        Message(messages::kConnectionMissing, MessageIcon::Critical);
        return Result();
    }
    if (RequireProperties()) return Result();
    UpdateMatchList(ListMode::Start);
    host_->ListCleared();
    const auto start = std::chrono::steady_clock::now();

    NormaliseSearchText(searchText);
    const std::size_t spaceCount = CountOccurrences(searchText, u" ");
    if (coder_.KeyVersion().empty()) coder_.LoadKeyVersion();
    searchCode = MakeCode(searchText);
    const auto finish = [&] {
        searchTime = std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
        UpdateMatchList(ListMode::Finish);
    };
    if (connectionType != qmDAO && connectionType != qmADO) {
        ReportDbError(FailedStep::Search, dberr::kInvalidArgument, {});
        return Result();
    }
    if (scoring::SplitKeyParts(searchCode).count < 0) {  // a key without sounds matches nothing
        finish();
        return Result();
    }
    try {
        // Before any statement runs: names that are one name each, a filter that is one condition.
        sqldialect::RequireName(tableName, "table");
        sqldialect::RequireName(keyFieldName, "key field");
        sqldialect::RequireName(textFieldName, "text field");
        sqldialect::RequireName(idFieldName, "identifier field");
        if (!sqlFilterString.empty()) sqldialect::RequireCondition(sqlFilterString, db->Kind());
    } catch (...) {
        ReportCurrentException(FailedStep::Search);
        return Result();
    }
    if (CheckKeyVersion(*db) == KeyCheck::Stop || !host_) return Result();
    cancel = false;
    try {
        if (scoreInDatabase && SearchInDatabase(*db, searchText)) {
            if (host_) finish();
            return Result();
        }
        std::u16string sql = CandidateQuery(searchCode);
        const std::u16string orderBy = u" ORDER BY " + textFieldName;
        const bool unordered = sql.ends_with(orderBy) && ScansUnordered(*db);
        if (unordered) sql.resize(sql.size() - orderBy.size());
        std::unique_ptr<Recordset> set = db->OpenRecordset(sql);
        // The search key is cut as the stored keys were: to the size of this table's key field.
        maxKeyLength = set->DefinedSize(keyFieldName);
        searchCode = MakeCode(searchText);
        threshold_ = KeyLengthGrade(searchCode);
        const scoring::KeyParts searchParts = scoring::SplitKeyParts(searchCode);
        searchParts_ = &searchParts;
        bool again = false;
        if (unordered) {
            try {
                ScoreUnordered(*set, spaceCount);
            } catch (...) {
                // A bad row: nothing was shown yet, and the search in text order fails at the
                // same row with the rows before it in the list, as it should.
                again = true;
            }
        }
        if (again) {
            if (!host_) return Result();
            set->Close();
            set = db->OpenRecordset(CandidateQuery(searchCode));
        }
        if (!unordered || again) ScoreInTextOrder(*set, spaceCount);
        if (!host_) return Result();
        set->Close();
    } catch (...) {
        ReportCurrentException(FailedStep::Search);
        return Result();
    }
    finish();
    return Result();
}

}  // namespace quarrymink
