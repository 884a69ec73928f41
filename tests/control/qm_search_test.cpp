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
    timer->setInterval(5);
    QObject::connect(timer.get(), &QTimer::timeout, [&texts, &critical] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        texts << box->text();
        critical = critical && box->icon() == QMessageBox::Critical && box->buttons().size() == 1;
        box->button(QMessageBox::Ok)->click();
    });
    timer->start();
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
        window.resize(260, 220);
        auto* qm = ShownControl(&window);
        (new QVBoxLayout(&window))->addWidget(qm);
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QSignalSpy found(qm, &QM::MatchFound);
        QString text = QStringLiteral("smyth");
        qm->BestMatchSearch(db.get(), text);
        // Smith and Smyth sound alike and score alike: the query's order (by name) decides.
        auto* list = qmtest::Child<QListWidget>(*qm, "List1");
        QVERIFY(list->item(0)->text() == QStringLiteral("Smith") &&
                list->item(1)->text() == QStringLiteral("Smyth"));
        QMap<QString, QVariant> ids;  // by the names MatchFound told
        for (const QList<QVariant>& args : found) ids[args[0].toString()] = args[1];
        for (int i = 0; i < list->count(); ++i)
            QCOMPARE(list->item(i)->data(Qt::UserRole), ids.value(list->item(i)->text()));
        QCOMPARE(qmtest::Child<QProgressBar>(*qm, "ProgressBar1")->value(), 100);
        window.grab().save(qmtest::ScreenshotPath(QStringLiteral("control_after_search.png")));

        QSignalSpy selected(qm, &QM::ListItemSelected);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0), (QList<QVariant>{QStringLiteral("Smyth"), 12}));
        QCOMPARE(qm->IDValue(), 12);
        // The next search rebuilds the list: its own changes are no choice of the user.
        text = QStringLiteral("jonez");
        qm->BestMatchSearch(db.get(), text);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Jones"));
    }

    void messagesNameTheControlAndAFailedRecodeRestoresIt() {
        auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
        QM qm;  // never shown: hidden by its host
        qm.setObjectName(QStringLiteral("QM1"));
        QStringList messages;
        bool critical = true;
        const auto answerer = AnswerMessages(messages, critical);
        QString text = QStringLiteral("smith");
        qm.BestMatchSearch(db.get(), text);
        Configure(qm);
        qm.BestMatchSearch(nullptr, text);
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
            QCOMPARE(qmtest::Child<QGroupBox>(*qm, "Frame1")->title(),
                     QStringLiteral("Quarrymink Recoding.."));
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

    void deletedWhileSearchingOrRecoding() {
        // The control goes away in a MatchFound handler.
        auto names = qmtest::MakeNamesDatabase(DbPath(), kNames);
        QPointer<QM> deleted = new QM;
        Configure(*deleted);
        int seen = 0;
        connect(deleted, &QM::MatchFound, deleted, [&] {
            ++seen;
            delete deleted.data();
        });
        QString smith = QStringLiteral("smith");
        deleted->BestMatchSearch(names.get(), smith);
        QVERIFY(deleted.isNull());
        QCOMPARE(seen, 1);
        names.reset();

        // The host's window goes away in an event that a search or a recode lets through.
        for (const bool recode : {false, true}) {
            auto db = qmtest::MakeNamesDatabase(DbPath(), ManyNames(40), recode ? u'\x01' : 0);
            QPointer<QWidget> window = new QWidget;
            QM* qm = ShownControl(window);
            int rows = 0;
            const auto closeSoon = [&] {
                if (++rows != 3) return;
                QTimer::singleShot(0, [window] { delete window.data(); });
                QTest::qSleep(15);  // past the engine's event interval: the next row lets events through
            };
            if (recode) {
                connect(qmtest::Child<QProgressBar>(*qm, "ProgressBar1"), &QProgressBar::valueChanged, qm,
                        closeSoon);
                qm->Recode(db.get());
            } else {
                connect(qm, &QM::MatchFound, qm, closeSoon);
                QString text = QStringLiteral("smith");
                qm->BestMatchSearch(db.get(), text);
            }
            QVERIFY(window.isNull());
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
        QString text = QStringLiteral("smith");
        qm->BestMatchSearch(db.get(), text);
        QVERIFY(window.isNull());
        QCOMPARE(qmtest::KeysOfVersion(*db, u'\x01'), int(kNames.size()));

        QM other;
        Configure(other);
        QSignalSpy found(&other, &QM::MatchFound);
        qmtest::WhenModal([](QWidget* dialog) { qmtest::Child<QPushButton>(*dialog, "cmdRecode")->click(); });
        other.BestMatchSearch(db.get(), text);
        QVERIFY(!found.isEmpty());
        QCOMPARE(qmtest::KeysOfVersion(*db, LibraryKeyVersion()), int(kNames.size()));
    }
};

QTEST_MAIN(QMSearchTest)
#include "qm_search_test.moc"
