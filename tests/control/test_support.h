// Helpers of the control's tests: answering modal windows, small SQLite tables of names,
// and screenshots.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quarrymink/database.h"
#include "quarrymink/keycoding.h"

namespace qmtest {

/// Calls act with the next modal window once it is up (polling from the event loop that
/// the modal window runs). Returns the timer, so that a test can see whether it fired.
inline QPointer<QTimer> WhenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, notThis] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == notThis || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
    return timer;
}

struct Row {
    std::u16string name;
    std::int32_t id;
};

/// A table Names(ID, Name, Key) in a new SQLite file, keys made by a KeyCoder cut to the
/// key field's size. A version character other than 0 replaces the keys' first character,
/// as a table coded by another version would have it.
inline std::unique_ptr<quarrymink::Connection> MakeNamesDatabase(const QString& path,
                                                                 const std::vector<Row>& rows,
                                                                 char16_t version = 0, int keySize = 40) {
    using namespace quarrymink;
    QFile::remove(path);
    std::unique_ptr<Connection> db = CreateSqlite(path.toStdString());
    TableDef table;
    table.name = u"Names";
    table.CreateField(u"ID", FieldDef::Type::Long);
    table.CreateField(u"Name", FieldDef::Type::Text, 50);
    table.CreateField(u"Key", FieldDef::Type::Text, keySize);
    db->AppendTableDef(table);
    KeyCoder coder;
    coder.SetMaxKeyLength(keySize);
    RecordsetOptions options;
    options.updatable = true;
    std::unique_ptr<Recordset> set = db->OpenRecordset(u"Names", options);
    for (const Row& row : rows) {
        std::u16string key = coder.MakeCode(row.name);
        if (key.size() > static_cast<std::size_t>(keySize)) key.resize(static_cast<std::size_t>(keySize));
        if (version != 0 && !key.empty()) key[0] = version;
        set->AddNew();
        set->SetField(u"ID", Value(row.id));
        set->SetField(u"Name", Value(row.name));
        set->SetField(u"Key", Value(key));
        set->Update();
    }
    set->Close();
    return db;
}

/// The stored keys by identifier.
inline std::vector<std::pair<std::int32_t, std::u16string>> StoredKeys(quarrymink::Connection& db) {
    std::vector<std::pair<std::int32_t, std::u16string>> keys;
    std::unique_ptr<quarrymink::Recordset> set = db.OpenRecordset(u"SELECT ID, Key FROM Names ORDER BY ID");
    while (!set->Eof()) {
        keys.emplace_back(set->Field(u"ID").ToInt32(), set->Field(u"Key").ToText());
        set->MoveNext();
    }
    set->Close();
    return keys;
}

inline QString ScreenshotPath(const QString& name) {
    QDir().mkpath(QStringLiteral(QM_SCREENSHOT_DIR));
    return QStringLiteral(QM_SCREENSHOT_DIR "/") + name;
}

}  // namespace qmtest
