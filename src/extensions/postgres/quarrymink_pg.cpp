// The PostgreSQL extension "quarrymink": key coding and candidate scoring as SQL functions,
// computed by the library's own code.
//
// PostgreSQL reports errors with longjmp, which skips C++ destructors, and must never see a
// C++ exception. So every entry point reads its arguments, lets the shared functions (which
// catch everything) do the C++ work into buffers of static lifetime, and only then, with no
// C++ object alive in its frame, allocates its result with palloc or raises the error.
extern "C" {
// The server's headers need postgres.h first.
// clang-format off
#include "postgres.h"
// clang-format on

#include "catalog/pg_type.h"
#include "fmgr.h"
#include "mb/pg_wchar.h"
#include "utils/array.h"
#include "utils/builtins.h"
#include "utils/varlena.h"
}

#include <string>
#include <string_view>

#include "../scalar_functions.h"

namespace ext = quarrymink::extension;

namespace {

// Results of the running call; a backend runs one call at a time.
std::string& Result() {
    static std::string result;
    return result;
}

// A text argument as UTF-8: as it is in a UTF-8 (or SQL_ASCII) database, converted otherwise.
std::string_view Utf8Argument(FunctionCallInfo fcinfo, int n) {
    text* value = PG_GETARG_TEXT_PP(n);
    const char* data = VARDATA_ANY(value);
    const int length = VARSIZE_ANY_EXHDR(value);
    const int encoding = GetDatabaseEncoding();
    if (encoding == PG_UTF8 || encoding == PG_SQL_ASCII) return {data, static_cast<std::size_t>(length)};
    const char* converted = pg_server_to_any(data, length, PG_UTF8);
    return {converted, converted == data ? static_cast<std::size_t>(length) : strlen(converted)};
}

// The UTF-8 result as a text datum of the database's encoding.
text* TextResult(const std::string& utf8) {
    const char* server = pg_any_to_server(utf8.data(), static_cast<int>(utf8.size()), PG_UTF8);
    return server == utf8.data() ? cstring_to_text_with_len(utf8.data(), static_cast<int>(utf8.size()))
                                 : cstring_to_text(server);
}

[[noreturn]] void RaiseError(const char* function, const char* message) {
    ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE), errmsg("%s: %s", function, message)));
    pg_unreachable();
}

constexpr int kRanked = 21;  // the places of the ranked list

// What one scan of qm_search keeps between its rows, in the memory of its call: the best
// scores so far, best first, and the accepted row that comes last in text order.
struct SearchScan {
    int32 best[kRanked];
    int ranked;
    bool anyLast;
    char* lastText;
    int lastLength, lastCapacity;
    int32 lastId;
};

SearchScan& ScanOf(FunctionCallInfo fcinfo) {
    if (!fcinfo->flinfo->fn_extra)
        fcinfo->flinfo->fn_extra = MemoryContextAllocZero(fcinfo->flinfo->fn_mcxt, sizeof(SearchScan));
    return *static_cast<SearchScan*>(fcinfo->flinfo->fn_extra);
}

// Whether a row comes before the last accepted one in the order of the query's ORDER BY
// (the text in its column's collation, then the identifier).
bool BeforeLast(const SearchScan& scan, const text* match, int32 id, Oid collation) {
    if (!scan.anyLast) return false;
    const int order =
        varstr_cmp(VARDATA_ANY(match), VARSIZE_ANY_EXHDR(match), scan.lastText, scan.lastLength, collation);
    return order < 0 || (order == 0 && id < scan.lastId);
}

void Rank(SearchScan& scan, int32 score) {
    int place = kRanked - 1;
    if (scan.ranked < kRanked)
        place = scan.ranked++;
    else if (scan.best[place] >= score)
        return;
    for (; place > 0 && scan.best[place - 1] < score; --place) scan.best[place] = scan.best[place - 1];
    scan.best[place] = score;
}

void SetLast(SearchScan& scan, MemoryContext memory, const text* match, int32 id) {
    const int length = VARSIZE_ANY_EXHDR(match);
    if (length > scan.lastCapacity) {
        scan.lastText = static_cast<char*>(scan.lastText ? repalloc(scan.lastText, length)
                                                         : MemoryContextAlloc(memory, length));
        scan.lastCapacity = length;
    }
    memcpy(scan.lastText, VARDATA_ANY(match), length);
    scan.lastLength = length;
    scan.lastId = id;
    scan.anyLast = true;
}

}  // namespace

extern "C" {

PG_MODULE_MAGIC;

PG_FUNCTION_INFO_V1(qm_code);
PG_FUNCTION_INFO_V1(qm_soundex);
PG_FUNCTION_INFO_V1(qm_align);
PG_FUNCTION_INFO_V1(qm_score);
PG_FUNCTION_INFO_V1(qm_accepts);
PG_FUNCTION_INFO_V1(qm_search_matters);
PG_FUNCTION_INFO_V1(qm_threshold);
PG_FUNCTION_INFO_V1(qm_class_prefix);
PG_FUNCTION_INFO_V1(qm_final_cut);

Datum qm_code(PG_FUNCTION_ARGS) {
    const std::string_view text = Utf8Argument(fcinfo, 0);
    if (const char* error = ext::Code(text, PG_GETARG_INT32(1), PG_GETARG_INT32(2), Result()))
        RaiseError("qm_code", error);
    PG_RETURN_TEXT_P(TextResult(Result()));
}

Datum qm_soundex(PG_FUNCTION_ARGS) {
    if (const char* error = ext::Soundex(Utf8Argument(fcinfo, 0), Result())) RaiseError("qm_soundex", error);
    PG_RETURN_TEXT_P(TextResult(Result()));
}

Datum qm_align(PG_FUNCTION_ARGS) {
    const std::string_view a = Utf8Argument(fcinfo, 0);
    const std::string_view b = Utf8Argument(fcinfo, 1);
    int score = 0;
    if (const char* error = ext::Align(a, b, PG_GETARG_INT32(2), score)) RaiseError("qm_align", error);
    PG_RETURN_INT32(score);
}

Datum qm_score(PG_FUNCTION_ARGS) {
    const std::string_view stored = Utf8Argument(fcinfo, 0);
    const std::string_view search = Utf8Argument(fcinfo, 1);
    int score = 0;
    if (const char* error = ext::Score(stored, search, PG_GETARG_INT32(2), PG_GETARG_INT32(3), score))
        RaiseError("qm_score", error);
    PG_RETURN_INT32(score);
}

Datum qm_accepts(PG_FUNCTION_ARGS) {
    const std::string_view stored = Utf8Argument(fcinfo, 0);
    const std::string_view search = Utf8Argument(fcinfo, 1);
    bool accepted = false;
    if (const char* error = ext::Accepts(stored, search, PG_GETARG_INT32(2), PG_GETARG_INT32(3), accepted))
        RaiseError("qm_accepts", error);
    PG_RETURN_BOOL(accepted);
}

// Whether an accepted row can still change the result of qm_search: a row before the last
// accepted one in text order matters only when it can enter the ranked list, so its pairings
// that cannot reach the list's last score are not aligned. Each scan (and each parallel
// worker) keeps its own best scores, which the whole result's can only exceed.
Datum qm_search_matters(PG_FUNCTION_ARGS) {
    if (PG_ARGISNULL(0) || PG_ARGISNULL(1) || PG_ARGISNULL(2) || PG_ARGISNULL(3) || PG_ARGISNULL(6))
        PG_RETURN_NULL();
    SearchScan& scan = ScanOf(fcinfo);
    const text* match = PG_ARGISNULL(4) ? nullptr : PG_GETARG_TEXT_PP(4);
    const bool known = match && !PG_ARGISNULL(5);
    const int32 id = known ? PG_GETARG_INT32(5) : 0;
    const bool before = known && BeforeLast(scan, match, id, PG_GETARG_OID(6));
    const int floor = before && scan.ranked == kRanked ? scan.best[kRanked - 1] - 1 : 0;
    const std::string_view stored = Utf8Argument(fcinfo, 0);
    const std::string_view search = Utf8Argument(fcinfo, 1);
    int score = -1;
    if (const char* error =
            ext::AcceptedAbove(stored, search, PG_GETARG_INT32(2), PG_GETARG_INT32(3), floor, score))
        RaiseError("qm_search", error);
    if (score < 0) PG_RETURN_BOOL(false);
    Rank(scan, score);
    // A row without text or identifier sorts where the query puts NULLs: it is kept, and
    // no row is left out for it.
    if (known && !before) SetLast(scan, fcinfo->flinfo->fn_mcxt, match, id);
    PG_RETURN_BOOL(true);
}

Datum qm_threshold(PG_FUNCTION_ARGS) {
    int threshold = 0;
    if (const char* error = ext::Threshold(Utf8Argument(fcinfo, 0), threshold))
        RaiseError("qm_threshold", error);
    PG_RETURN_INT32(threshold);
}

Datum qm_class_prefix(PG_FUNCTION_ARGS) {
    bool found = false;
    if (const char* error = ext::ClassPrefix(Utf8Argument(fcinfo, 0), true, Result(), found))
        RaiseError("qm_class_prefix", error);
    if (!found) PG_RETURN_NULL();
    PG_RETURN_TEXT_P(TextResult(Result()));
}

Datum qm_final_cut(PG_FUNCTION_ARGS) {
    ArrayType* array = PG_GETARG_ARRAYTYPE_P(0);
    if (ARR_ELEMTYPE(array) != INT4OID) RaiseError("qm_final_cut", "the scores must be an int[]");
    Datum* values = nullptr;
    bool* nulls = nullptr;
    int count = 0;
    deconstruct_array(array, INT4OID, sizeof(int32), true, TYPALIGN_INT, &values, &nulls, &count);
    int32 scores[21] = {};
    for (int i = 0; i < count && i < 21; ++i) scores[i] = nulls[i] ? 0 : DatumGetInt32(values[i]);
    PG_RETURN_INT32(ext::FinalCut(scores, 21));
}

}  // extern "C"
