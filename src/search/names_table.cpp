// A names database opened for browsing and editing.
#include "quarrymink/names_table.h"

#include "quarrymink/database.h"

namespace quarrymink {

NamesTable::NamesTable(const std::string& path) {
    db_ = OpenSqlite(path);
    RecordsetOptions updatable;
    updatable.updatable = true;
    names_ = db_->OpenRecordset(kNamesTable, updatable);
    names_->SetIndex(u"ndxName");
}

// The record set goes before the connection it reads.
NamesTable::~NamesTable() {
    names_.reset();
}

std::int32_t NamesTable::NameFieldSize() const {
    const std::int32_t size = names_->DefinedSize(kNamesTextField);
    return size > 0 ? size : 0;
}

std::int64_t NamesTable::RowCount() {
    return names_->RecordCount();
}

void NamesTable::VisitNamedRows(const std::function<void(const Row&)>& visit) {
    if (names_->RecordCount() <= 0) return;
    Row row;
    for (names_->MoveFirst(); !names_->Eof(); names_->MoveNext()) {
        const Value name = names_->Field(kNamesTextField);
        if (name.IsNull()) continue;
        row.name = name.ToText();
        row.ident = names_->Field(kNamesIDField).ToInt32();
        row.bookmark = names_->Bookmark();
        visit(row);
    }
}

std::u16string NamesTable::NameAt(const std::string& bookmark) {
    names_->SetBookmark(bookmark);
    const Value name = names_->Field(kNamesTextField);
    return name.IsNull() ? std::u16string() : name.ToText();
}

void NamesTable::Add(std::u16string_view name, std::u16string_view key) {
    names_->AddNew();
    WriteNameAndKey(name, key);
}

void NamesTable::Replace(const std::string& bookmark, std::u16string_view name, std::u16string_view key) {
    names_->SetBookmark(bookmark);
    names_->Edit();
    WriteNameAndKey(name, key);
}

void NamesTable::Remove(const std::string& bookmark) {
    names_->SetBookmark(bookmark);
    names_->Delete();
}

void NamesTable::WriteNameAndKey(std::u16string_view name, std::u16string_view key) {
    names_->SetField(kNamesTextField, Value(std::u16string(name)));
    const std::int32_t keySize = names_->DefinedSize(kNamesKeyField);
    if (keySize > 0 && key.size() > static_cast<std::size_t>(keySize)) key = key.substr(0, keySize);
    names_->SetField(kNamesKeyField, Value(std::u16string(key)));
    names_->Update();
}

}  // namespace quarrymink
