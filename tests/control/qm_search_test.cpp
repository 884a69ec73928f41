// The control driven as a host drives it, on SQLite tables: searching, walking the
// result, cancelling, recoding and stopping, the recode question, messages, and a host
// that deletes the control while work is under way.
#include <QGroupBox>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "quarrymink/qm.h"
#include "test_support.h"

using namespace quarrymink;
using qmtest::Row;

namespace {

const std::vector<Row> kNames = {
    {u"Adams", 1},     {u"Black", 2},  {u"Brown", 3},   {u"Browne", 4},  {u"Clark", 5},
    {u"Clarke", 6},    {u"Jones", 7},  {u"Johnson", 8}, {u"Schmidt", 9}, {u"Smith", 10},
    {u"Smithson", 11}, {u"Smyth", 12}, {u"Smythe", 13}, {u"Taylor", 14}, {u"Wilson", 15},
};

std::vector<Row> ManyNames(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) rows.push_back({kNames[std::size_t(i) % kNames.size()].name, i + 1});
    return rows;
}

void Configure(QM& qm) {
    qm.setTableName(QStringLiteral("Names"));
    qm.setTextFieldName(QStringLiteral("Name"));
    qm.setKeyFieldName(QStringLiteral("Key"));
    qm.setIDFieldName(QStringLiteral("ID"));
}

// Searches text (by default "smith") the way a host does, with a text of its own.
void Search(QM& qm, Connection* db, const QString& text = QStringLiteral("smith")) {
    QString own = text;
    qm.BestMatchSearch(db, own);
}

// A configured control in the host's window, shown.
QM* ShownControl(QWidget* window) {
    auto* qm = new QM(window);
    Configure(*qm);
    window->show();
    return qm;
}

// Answers every message box with OK while the returned timer lives, keeping their texts;
// critical stays true while every box had the stop icon and one button.
std::unique_ptr<QTimer> AnswerMessages(QStringList& texts, bool& critical) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [&texts, &critical] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        texts << box->text();
        critical = critical && box->icon() == QMessageBox::Critical && box->buttons().size() == 1;
        box->button(QMessageBox::Ok)->click();
    });
    timer->start(5);
    return timer;
}

// The control at rest after a recode: its own title, the list back, no stop button, no busy
// pointer and no recoding note.
void CheckAtRest(QM& qm) {
    QCOMPARE(qmtest::Child<QGroupBox>(qm, "Frame1")->title(), QStringLiteral("Quarrymink"));
    QVERIFY(qmtest::Child<QToolButton>(qm, "cmdStop")->isHidden());
    QVERIFY(!qmtest::Child<QListWidget>(qm, "List1")->isHidden());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!qm.findChild<QWidget*>(QStringLiteral("frmRecodeMsg")));
}

}  // namespace

class QMSearchTest : public QObject {
    Q_OBJECT

    QString DbPath() const { return dir_.filePath(QStringLiteral("names.db")); }
    QTemporaryDir dir_;

private Q_SLOTS:
    void searchFillsTheListAndRaisesBothEvents() {
        auto db = qmtest::MakeNamesDatabase(DbPath(), kNames);
        QWidget window;
        auto* qm = ShownControl(&window);
        (new QVBoxLayout(&window))->addWidget(qm);
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QSignalSpy found(qm, &QM::MatchFound);
        Search(*qm, db.get(), QStringLiteral("smyth"));
        // Smith and Smyth sound alike and score alike: the query's order (by name) decides.
        auto* list = qmtest::Child<QListWidget>(*qm, "List1");
        QCOMPARE(list->item(0)->text() + ' ' + list->item(1)->text(), QStringLiteral("Smith Smyth"));
        QMap<QString, QVariant> ids;  // by the names MatchFound told
        for (const QList<QVariant>& args : found) ids[args[0].toString()] = args[1];
        for (int i = 0; i < list->count(); ++i)
            QCOMPARE(list->item(i)->data(Qt::UserRole), ids.value(list->item(i)->text()));
        QCOMPARE(qmtest::Child<QProgressBar>(*qm, "ProgressBar1")->value(), 100);
        window.grab().save(qmtest::ScreenshotPath(QStringLiteral("control_after_search.png")));

        QSignalSpy selected(qm, &QM::ListItemSelected);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        const QList<QList<QVariant>> smyth = {{QStringLiteral("Smyth"), 12}};
        QCOMPARE(selected, smyth);
        QCOMPARE(qm->IDValue(), 12);
        // The next search rebuilds the list: its own changes are no choice of the user.
        Search(*qm, db.get(), QStringLiteral("jonez"));
        QCOMPARE(selected, smyth);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Jones"));
    }

    void messagesNameTheControlAndAFailedRecodeRestoresIt() {
        auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
        QM qm;  // never shown: hidden by its host
        qm.setObjectName(QStringLiteral("QM1"));
        QStringList messages;
        bool critical = true;
        const auto answerer = AnswerMessages(messages, critical);
        Search(qm, db.get());
        Configure(qm);
        Search(qm, nullptr);
        QM unnamed;
        unnamed.Recode(db.get());
        qm.setTextFieldName(QStringLiteral("Surname"));
        qm.Recode(db.get());
        QCOMPARE(messages.mid(0, 3), (QStringList{"QM1 Property Error:\nTablename is not initialized",
                                                  "Database/Connection must be specified",
                                                  "QM Property Error:\nTablename is not initialized"}));
        QCOMPARE(messages.size(), 4);
        QVERIFY(messages[3].startsWith(QStringLiteral("QM1Error:\n")));
        QVERIFY(critical);
        CheckAtRest(qm);
    }

    void recodeStoppedHalfWay() {
        auto db = qmtest::MakeNamesDatabase(DbPath(), ManyNames(20), u'\x01');
        QWidget window;
        window.resize(200, 160);
        auto* qm = ShownControl(&window);
        auto* bar = qmtest::Child<QProgressBar>(*qm, "ProgressBar1");
        auto* stop = qmtest::Child<QToolButton>(*qm, "cmdStop");
        connect(bar, &QProgressBar::valueChanged, qm, [&](int value) {
            if (value != 50) return;
            QVERIFY(qmtest::Child<QListWidget>(*qm, "List1")->isHidden() && stop->isVisible() &&
                    stop->isEnabled());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            window.grab().save(qmtest::ScreenshotPath(QStringLiteral("control_recoding.png")));
            QTest::mouseClick(stop, Qt::LeftButton);
        });
        qm->Recode(db.get());

        QCOMPARE(qmtest::KeysOfVersion(*db, u'\x01'), 10);  // the rows not reached keep their old keys
        CheckAtRest(*qm);
    }

    // The host's window, and the control with it, goes away in a MatchFound handler, or in an event
    // that a search or a recode lets through.
    void deletedWhileSearchingOrRecoding() {
        for (const int way : {0, 1, 2}) {
            const bool recode = way == 2;
            auto db = qmtest::MakeNamesDatabase(DbPath(), ManyNames(40), recode ? u'\x01' : 0);
            QPointer<QWidget> window = new QWidget;
            QM* qm = ShownControl(window);
            int rows = 0;
            const auto closeSoon = [&] {
                if (++rows == 1 && way == 0) return delete window.data();
                if (rows != 3) return;
                QTimer::singleShot(0, [window] { delete window.data(); });
                QTest::qSleep(15);  // past the engine's event interval: the next row lets events through
            };
            recode ? connect(qmtest::Child<QProgressBar>(*qm, "ProgressBar1"), &QProgressBar::valueChanged,
                             qm, closeSoon)
                   : connect(qm, &QM::MatchFound, qm, closeSoon);
            recode ? qm->Recode(db.get()) : Search(*qm, db.get());
            QVERIFY(window.isNull());
            QVERIFY(way != 0 || rows == 1);
            QVERIFY(!QGuiApplication::overrideCursor());  // the busy pointer does not outlive the control
            const int fresh = qmtest::KeysOfVersion(*db, LibraryKeyVersion());
            QVERIFY(!recode || (fresh >= 3 && fresh < 40));
        }
    }

    void oldKeysAskBeforeSearching() {
        // A table coded by another version: the control asks. A host that deletes its window
        // meanwhile loses nothing; Recode Table recodes before the search (the other answers are
        // the engine's and the dialog's own tests').
        auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
        QPointer<QWidget> window = new QWidget;
        QM* qm = ShownControl(window);
        qmtest::WhenModal([&](QWidget*) { delete window.data(); });
        Search(*qm, db.get());
        QVERIFY(window.isNull());
        QCOMPARE(qmtest::KeysOfVersion(*db, u'\x01'), int(kNames.size()));

        QM other;
        Configure(other);
        QSignalSpy found(&other, &QM::MatchFound);
        qmtest::WhenModal([](QWidget* dialog) { qmtest::Child<QPushButton>(*dialog, "cmdRecode")->click(); });
        Search(other, db.get());
        QVERIFY(!found.isEmpty());
        QCOMPARE(qmtest::KeysOfVersion(*db, LibraryKeyVersion()), int(kNames.size()));
    }
};

QTEST_MAIN(QMSearchTest)
#include "qm_search_test.moc"
