// Helpers of the demonstration's tests: settings and data in scratch folders, dialogs
// answered from a script, and those of every Qt test.
#pragma once

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <deque>

#include "../qt_test_support.h"
#include "demo_prompts.h"
#include "quarrymink/database.h"
#include "quarrymink/qm.h"

namespace demotest {

using qttest::Screenshot;
using qttest::WhenModal;

/// Per-user settings and standard folders of the test process in a scratch folder.
class ScratchSettings {
public:
    ScratchSettings() {
        QStandardPaths::setTestModeEnabled(true);
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, dir_.path());
    }
    /// Forgets every setting written so far.
    void Clear() {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
    }

private:
    QTemporaryDir dir_;
};

/// Copies the data files of the source tree (not any database) into folder.
inline void CopySourceData(const QString& folder, const QStringList& names = {}) {
    QDir().mkpath(folder);
    const QDir source(QStringLiteral(QM_SOURCE_DATA_DIR));
    for (const QString& name : source.entryList(QDir::Files))
        if (!name.endsWith(QLatin1String(".mdb")) && (names.isEmpty() || names.contains(name)))
            QFile::copy(source.filePath(name), QDir(folder).filePath(name));
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

/// The file's bytes; nothing when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The key code that the demonstration's control makes of text.
inline QString MakeCode(const QString& text) {
    return QM().MakeCode(text);
}

/// A row of a names database's NameData table.
struct NameRow {
    int ident = 0;
    QString name;  ///< empty for a row without a name
    QString key;
};

/// The rows of NameData in the database at path, in identifier order.
inline std::vector<NameRow> NameRows(const QString& path) {
    std::vector<NameRow> rows;
    auto db = quarrymink::OpenSqlite(path.toStdString());
    auto set = db->OpenRecordset(u"SELECT Ident, Name, [Key] FROM NameData ORDER BY Ident");
    for (; !set->Eof(); set->MoveNext()) {
        const quarrymink::Value name = set->Field(u"Name");
        rows.push_back({set->Field(u"Ident").ToInt32(),
                        name.IsNull() ? QString() : QString::fromStdU16String(name.ToText()),
                        QString::fromStdU16String(set->Field(u"Key").ToText())});
    }
    return rows;
}

/// The next queued answer; none queued is counted in unexpected and answered with cancel.
template <typename T>
T NextAnswer(std::deque<T>& answers, T cancel, int& unexpected) {
    unexpected += answers.empty();
    if (answers.empty()) return cancel;
    T answer = answers.front();
    answers.pop_front();
    return answer;
}

/// Answers the demonstration's questions from queues, and keeps the file requests and the messages.
class ScriptedPrompts final : public quarrymink::demo::Prompts {
public:
    ScriptedPrompts() { quarrymink::demo::SetPrompts(this); }
    ~ScriptedPrompts() override { quarrymink::demo::SetPrompts(nullptr); }

    std::deque<QString> files;  ///< answers of OpenFile; "" cancels
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<quarrymink::demo::OpenFileRequest> fileRequests;
    QStringList messages;
    int unexpected = 0;  ///< prompts that found no answer queued

    QString OpenFile(QWidget*, const quarrymink::demo::OpenFileRequest& request) override {
        fileRequests.push_back(request);
        return NextAnswer(files, QString(), unexpected);
    }
    QMessageBox::StandardButton Ask(QWidget*, const QString&, const QString&, QMessageBox::StandardButtons,
                                    QMessageBox::Icon) override {
        return NextAnswer(answers, QMessageBox::No, unexpected);
    }
    void Tell(QWidget*, const QString&, const QString& text, QMessageBox::Icon) override { messages << text; }
};

}  // namespace demotest
