// Helpers of the control's tests: small SQLite tables of names, and those of every Qt test.
#pragma once

#include <QFile>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "../qt_test_support.h"
#include "quarrymink/database.h"
#include "quarrymink/keycoding.h"

namespace qmtest {

using namespace qttest;  // Screenshot, ScreenshotPath, WhenModal

/// The child of that object name, which the test needs to exist.
template <class T>
T* Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

struct Row {
    std::u16string name;
    std::int32_t id;
};

/// A table Names(ID, Name, Key) in a new SQLite file, keys made by a KeyCoder. A version
/// character other than 0 replaces the keys' first character, as a table coded by another
/// version would have it.
inline std::unique_ptr<quarrymink::Connection> MakeNamesDatabase(const QString& path,
                                                                 const std::vector<Row>& rows,
                                                                 char16_t version = 0) {
    using namespace quarrymink;
    QFile::remove(path);
    std::unique_ptr<Connection> db = CreateSqlite(path.toStdString());
    TableDef table;
    table.name = u"Names";
    table.CreateField(u"ID", FieldDef::Type::Long);
    table.CreateField(u"Name", FieldDef::Type::Text, 50);
    table.CreateField(u"Key", FieldDef::Type::Text, 40);
    db->AppendTableDef(table);
    KeyCoder coder;
    RecordsetOptions options;
    options.updatable = true;
    std::unique_ptr<Recordset> set = db->OpenRecordset(u"Names", options);
    for (const Row& row : rows) {
        std::u16string key = coder.MakeCode(row.name);
        if (version != 0 && !key.empty()) key[0] = version;
        set->AddNew();
        set->SetField(u"ID", Value(row.id));
        set->SetField(u"Name", Value(row.name));
        set->SetField(u"Key", Value(key));
        set->Update();
    }
    return db;
}

/// How many stored keys begin with that version character.
inline int KeysOfVersion(quarrymink::Connection& db, char16_t version) {
    int count = 0;
    std::unique_ptr<quarrymink::Recordset> set = db.OpenRecordset(u"SELECT Key FROM Names");
    for (; !set->Eof(); set->MoveNext()) count += set->Field(u"Key").ToText().starts_with(version);
    return count;
}

}  // namespace qmtest
