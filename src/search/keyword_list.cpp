// Building the keyword list of a document.
#include "quarrymink/keyword_list.h"

#include "quarrymink/database.h"

namespace quarrymink {
namespace {

constexpr std::int32_t kWordFieldSize = 50;
constexpr std::int32_t kKeyFieldSize = 50;

TableDef KeyWordTableDef() {
    TableDef table;
    table.name = kKeyWordTable;
    table.CreateField(std::u16string(kKeyWordKeyField), FieldDef::Type::Text, kKeyFieldSize);
    // Positions in the text: 32 bits, so that a document of any length fits.
    table.CreateField(std::u16string(kKeyWordIDField), FieldDef::Type::Long);
    table.CreateField(u"WordLength", FieldDef::Type::Long);
    table.CreateField(std::u16string(kKeyWordTextField), FieldDef::Type::Text, kWordFieldSize);
    table.CreateField(u"qmMatch", FieldDef::Type::Byte);
    table.CreateIndex(u"ndxWord").fields.emplace_back(kKeyWordTextField);
    return table;
}

}  // namespace

KeywordListWriter::KeywordListWriter(const std::string& path, MakeCode makeCode)
    : db_(OpenSqlite(path, /*create=*/true)), makeCode_(std::move(makeCode)) {
    db_->Execute(u"BEGIN");
    inTransaction_ = true;
    // Made anew each time: the list is built from scratch, and a table of an older layout
    // does not survive.
    if (db_->TableExists(kKeyWordTable)) db_->Execute(u"DROP TABLE [" + std::u16string(kKeyWordTable) + u"]");
    db_->AppendTableDef(KeyWordTableDef());
    RecordsetOptions updatable;
    updatable.updatable = true;
    words_ = db_->OpenRecordset(kKeyWordTable, updatable);
    words_->SetIndex(u"ndxWord");
    keySize_ = words_->DefinedSize(kKeyWordKeyField);
    wordSize_ = words_->DefinedSize(kKeyWordTextField);
}

KeywordListWriter::~KeywordListWriter() {
    words_.reset();
    if (!inTransaction_) return;
    try {
        db_->Execute(u"ROLLBACK");
    } catch (const DbError&) {
        // Closing the database drops the transaction all the same.
    }
}

bool KeywordListWriter::Add(std::u16string_view word, std::int32_t start, std::int32_t length) {
    std::u16string key;
    words_->Seek(u"=", {Value(word)});
    if (!words_->NoMatch()) key = words_->Field(kKeyWordKeyField).ToText();
    if (key.empty()) key = makeCode_(word);
    if (key.empty()) return false;
    if (keySize_ > 0 && key.size() > static_cast<std::size_t>(keySize_))
        key.resize(static_cast<std::size_t>(keySize_));
    words_->AddNew();
    words_->SetField(kKeyWordKeyField, Value(std::move(key)));
    words_->SetField(kKeyWordIDField, Value(start));
    words_->SetField(u"WordLength", Value(length));
    words_->SetField(kKeyWordTextField, Value(word));
    words_->SetField(u"qmMatch", Value(0));
    words_->Update();
    return true;
}

void KeywordListWriter::Commit() {
    words_->Close();
    db_->Execute(u"COMMIT");
    inTransaction_ = false;
}

}  // namespace quarrymink
