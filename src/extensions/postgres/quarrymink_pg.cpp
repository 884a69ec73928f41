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

}  // namespace

extern "C" {

PG_MODULE_MAGIC;

PG_FUNCTION_INFO_V1(qm_code);
PG_FUNCTION_INFO_V1(qm_soundex);
PG_FUNCTION_INFO_V1(qm_align);
PG_FUNCTION_INFO_V1(qm_score);
PG_FUNCTION_INFO_V1(qm_accepts);
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
