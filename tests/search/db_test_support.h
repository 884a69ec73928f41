// Small helpers shared by the database tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "quarrymink/database.h"
#include "quarrymink/unicode.h"

namespace quarrymink::testing {

inline std::u16string Num(long long n) {
    return Widen(std::to_string(n));
}

/// The number and the message of the DbError that f raises; 0 and empty when it raises none.
template <class F>
std::pair<std::int32_t, std::string> Failure(F&& f) {
    try {
        f();
    } catch (const DbError& e) {
        return {e.Number(), e.what()};
    }
    return {};
}
template <class F>
std::int32_t ErrorNumber(F&& f) {
    return Failure(f).first;
}

/// Adds a row to a set, or changes its current one, with a value in one field.
inline void WriteRow(Recordset& set, std::u16string_view field, const Value& value, bool add = true) {
    add ? set.AddNew() : set.Edit();
    set.SetField(field, value);
    set.Update();
}

/// The texts of a field from the set's row to its end, each followed by a blank.
inline std::u16string RestOfColumn(Recordset& set, std::u16string_view field) {
    std::u16string texts;
    for (; !set.Eof(); set.MoveNext()) texts += set.Field(field).ToText() + u" ";
    return texts;
}

/// The path of a SQLite file of its own in the temporary folder, removed again at the end.
class SqliteFile {
public:
    SqliteFile() {
        static int counter = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("qm-db-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".sqlite"))
                    .string();
        std::filesystem::remove(path_);
    }
    ~SqliteFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

/// The sample databases' table: NameData(Key, Ident counting from 1, Name) with ndxName.
inline TableDef NameDataTable() {
    TableDef def;
    def.name = u"NameData";
    FieldDef& key = def.CreateField(u"Key", FieldDef::Type::Text, 50);
    FieldDef& ident = def.CreateField(u"Ident", FieldDef::Type::Long);
    def.CreateField(u"Name", FieldDef::Type::Text, 50);
    // Set after more fields were created: the references must still hold.
    key.allowZeroLength = true;
    ident.attributes = FieldDef::kAutoIncrement;
    def.CreateIndex(u"ndxName").fields.push_back(u"Name");
    return def;
}

}  // namespace quarrymink::testing
