// The SQLite loadable extension "quarrymink": the scalar functions of the PostgreSQL
// extension, for any program that reaches SQLite (SELECT load_extension('.../quarrymink')).
//
// qm_code(text [, compare [, max_length]]), qm_soundex(text), qm_align(a, b, max_score),
// qm_score(stored_key, search_key [, compare [, spaces]]), qm_accepts (the same arguments),
// qm_threshold(search_key), qm_class_prefix(search_key). A NULL argument gives NULL, as the
// PostgreSQL functions do.
#include <sqlite3ext.h>

#include <string>
#include <string_view>

#include "../scalar_functions.h"

SQLITE_EXTENSION_INIT1

namespace {

namespace ext = quarrymink::extension;

bool AnyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

std::string_view Text(sqlite3_value* value) {
    const auto* data = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return {data ? data : "", static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

std::int64_t IntArgument(int argc, sqlite3_value** argv, int n) {
    return n < argc ? sqlite3_value_int64(argv[n]) : 0;
}

void Finish(sqlite3_context* context, const char* function, const char* error) {
    const std::string message = std::string(function) + ": " + error;
    sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

void SetText(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Each function: NULL in, NULL out; otherwise the shared function's result or its error.
void Code(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    std::string key;
    if (const char* error =
            ext::Code(Text(argv[0]), IntArgument(argc, argv, 1), IntArgument(argc, argv, 2), key))
        return Finish(context, "qm_code", error);
    SetText(context, key);
}

void Soundex(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    std::string digits;
    if (const char* error = ext::Soundex(Text(argv[0]), digits)) return Finish(context, "qm_soundex", error);
    SetText(context, digits);
}

void Align(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    const std::string a(Text(argv[0]));  // the second text may invalidate the first's buffer
    int score = 0;
    if (const char* error = ext::Align(a, Text(argv[1]), IntArgument(argc, argv, 2), score))
        return Finish(context, "qm_align", error);
    sqlite3_result_int(context, score);
}

void Score(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    const std::string stored(Text(argv[0]));
    int score = 0;
    if (const char* error =
            ext::Score(stored, Text(argv[1]), IntArgument(argc, argv, 2), IntArgument(argc, argv, 3), score))
        return Finish(context, "qm_score", error);
    sqlite3_result_int(context, score);
}

void Accepts(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    const std::string stored(Text(argv[0]));
    bool accepted = false;
    if (const char* error = ext::Accepts(stored, Text(argv[1]), IntArgument(argc, argv, 2),
                                         IntArgument(argc, argv, 3), accepted))
        return Finish(context, "qm_accepts", error);
    sqlite3_result_int(context, accepted ? 1 : 0);
}

void Threshold(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    int threshold = 0;
    if (const char* error = ext::Threshold(Text(argv[0]), threshold))
        return Finish(context, "qm_threshold", error);
    sqlite3_result_int(context, threshold);
}

// SQLite's LIKE ignores the case of ASCII letters, which would let other classes in: the
// prefix comes as it is, to compare with substr(key, 1, 2). NULL when the key finds nothing.
void ClassPrefix(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(context);
    std::string prefix;
    bool found = false;
    if (const char* error = ext::ClassPrefix(Text(argv[0]), false, prefix, found))
        return Finish(context, "qm_class_prefix", error);
    if (!found) return sqlite3_result_null(context);
    SetText(context, prefix);
}

struct Function {
    const char* name;
    int argc;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
};

constexpr Function kFunctions[] = {
    {"qm_code", 1, Code},
    {"qm_code", 2, Code},
    {"qm_code", 3, Code},
    {"qm_soundex", 1, Soundex},
    {"qm_align", 3, Align},
    {"qm_score", 2, Score},
    {"qm_score", 3, Score},
    {"qm_score", 4, Score},
    {"qm_accepts", 2, Accepts},
    {"qm_accepts", 3, Accepts},
    {"qm_accepts", 4, Accepts},
    {"qm_threshold", 1, Threshold},
    {"qm_class_prefix", 1, ClassPrefix},
};

}  // namespace

extern "C" int sqlite3_quarrymink_init(sqlite3* db, char** errorMessage, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    for (const Function& f : kFunctions) {
        const int rc =
            sqlite3_create_function(db, f.name, f.argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                    nullptr, f.call, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            if (errorMessage) *errorMessage = sqlite3_mprintf("quarrymink: cannot register %s", f.name);
            return rc;
        }
    }
    return SQLITE_OK;
}
