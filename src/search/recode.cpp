// Recoding: every row's key field rewritten with a fresh key code of its text.
#include <cmath>

#include "busy_scope_p.h"
#include "quarrymink/search.h"
#include "sql_dialect.h"

namespace quarrymink {

void MatchEngine::Recode(Connection* db) {
    if (busy_ || !host_) return;  // a recode started from an event of a running one changes nothing
    BusyScope busy(*this);
    if (!db) {
        Message(messages::kConnectionMissing, MessageIcon::Critical);
        return;
    }
    if (RequireProperties()) return;
    RunRecode(*db);
}

void MatchEngine::RunRecode(Connection& db) {
    // A stop pressed while no recode ran must not stop this one.
    stopRequested_ = false;
    // Keys are written with the library's own version, also after a Continue Search on an
    // old table; the instance uses that version from then on.
    coder_.LoadKeyVersion();
    host_->BeginRecode();
    Yield(true);
    if (!host_) return;
    try {
        if (connectionType != qmDAO && connectionType != qmADO)
            throw DbError(dberr::kInvalidArgument, "Invalid argument");
        if (!ConnectionFits(db)) throw DbError(dberr::kInvalidArgument, "Invalid argument");
        sqldialect::RequireName(tableName, "table");
        sqldialect::RequireName(keyFieldName, "key field");
        sqldialect::RequireName(textFieldName, "text field");
        RecordsetOptions options;
        options.updatable = true;
        std::unique_ptr<Recordset> set = db.OpenRecordset(
            u"SELECT " + textFieldName + u"," + keyFieldName + u" FROM " + tableName, options);
        maxKeyLength = set->DefinedSize(keyFieldName);
        RecodeRows(*set, maxKeyLength);
    } catch (...) {
        ReportCurrentException(FailedStep::Recode);
    }
    // Whether it finished, stopped or failed, the control looks as before.
    if (!host_) return;
    host_->SetProgress(0);
    host_->EndRecode();
    Yield(true);
}

void MatchEngine::RecodeRows(Recordset& set, std::int32_t keySize) {
    if (set.Bof() && set.Eof()) {
        set.Close();
        return;
    }
    set.MoveLast();
    const std::int64_t rowCount = set.RecordCount();
    set.MoveLast();
    std::int64_t done = 0;
    int lastProgress = -1;
    while (!set.Bof()) {
        set.Edit();
        std::u16string key = MakeCode(set.Field(textFieldName).ToText());
        // Never more than the field holds, even where the key head is longer.
        if (keySize > 0 && key.size() > static_cast<std::size_t>(keySize))
            key.resize(static_cast<std::size_t>(keySize));
        set.SetField(keyFieldName, Value(std::move(key)));
        set.Update();
        set.MovePrevious();
        ++done;
        const int progress =
            static_cast<int>(std::lrint(100.0 * static_cast<double>(done) / static_cast<double>(rowCount)));
        if (progress != lastProgress) host_->SetProgress(lastProgress = progress);
        if (!Yield() || stopRequested_) {
            stopRequested_ = false;
            break;
        }
    }
    set.Close();
}

}  // namespace quarrymink
