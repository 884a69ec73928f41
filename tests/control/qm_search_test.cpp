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

class QMSearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchFillsTheListAndRaisesBothEvents();
    void messagesNameTheControlAndAFailedRecodeRestoresIt();
    void recodeStoppedHalfWay();
    void oldKeysAskBeforeSearching();
    void deletedWhileSearchingOrRecoding();
    void deletedWhileTheRecodeQuestionIsUp();

private:
    QString DbPath() const { return dir_.filePath(QStringLiteral("names.db")); }
    QTemporaryDir dir_;
};

namespace {

const std::vector<Row> kNames = {
    {u"Adams", 1},     {u"Black", 2},  {u"Brown", 3},   {u"Browne", 4},  {u"Clark", 5},
    {u"Clarke", 6},    {u"Jones", 7},  {u"Johnson", 8}, {u"Schmidt", 9}, {u"Smith", 10},
    {u"Smithson", 11}, {u"Smyth", 12}, {u"Smythe", 13}, {u"Taylor", 14}, {u"Wilson", 15},
};

std::vector<Row> ManyNames(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({kNames[static_cast<std::size_t>(i) % kNames.size()].name, i + 1});
    return rows;
}

void Configure(QM& qm) {
    qm.setTableName(QStringLiteral("Names"));
    qm.setTextFieldName(QStringLiteral("Name"));
    qm.setKeyFieldName(QStringLiteral("Key"));
    qm.setIDFieldName(QStringLiteral("ID"));
}

// Sleeps past the engine's event interval, so that the next row lets events through.
void LetTheNextRowYield() {
    QTest::qSleep(15);
}

// Answers every message box that comes up while it lives with OK, keeping its text.
class MessageAnswerer {
public:
    MessageAnswerer() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            texts << box->text();
            critical = critical && box->icon() == QMessageBox::Critical && box->buttons().size() == 1;
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start();
    }
    QStringList texts;
    bool critical = true;  // every box so far had the stop icon and one button

private:
    QTimer timer_;
};

// The control at rest after a recode: its own title, the list back, no stop button, no busy
// pointer and no recoding note.
void CheckAtRest(QM& qm) {
    QCOMPARE(qm.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(), QStringLiteral("Quarrymink"));
    QVERIFY(qm.findChild<QToolButton*>(QStringLiteral("cmdStop"))->isHidden());
    QVERIFY(!qm.findChild<QListWidget*>(QStringLiteral("List1"))->isHidden());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!qm.findChild<QWidget*>(QStringLiteral("frmRecodeMsg")));
}

}  // namespace

void QMSearchTest::searchFillsTheListAndRaisesBothEvents() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames);
    QWidget window;
    auto* qm = new QM(&window);
    (new QVBoxLayout(&window))->addWidget(qm);
    window.resize(260, 220);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Configure(*qm);

    QSignalSpy found(qm, &QM::MatchFound);
    QString text = QStringLiteral(" smyth  ");
    qm->BestMatchSearch(db.get(), text);
    QCOMPARE(text, QStringLiteral("smyth"));  // the host's text comes back normalised
    // Smith and Smyth sound alike and score alike: the query's order (by name) decides.
    auto* list = qm->findChild<QListWidget*>(QStringLiteral("List1"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("Smith"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Smyth"));
    QMap<QString, QVariant> ids;  // by the names MatchFound told
    for (const QList<QVariant>& args : found) ids[args[0].toString()] = args[1];
    QVERIFY(ids.contains(QStringLiteral("Smythe")) && !ids.contains(QStringLiteral("Jones")));
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->item(i)->data(Qt::UserRole), ids.value(list->item(i)->text()));
    QCOMPARE(qm->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), 100);
    window.grab().save(qmtest::ScreenshotPath(QStringLiteral("control_after_search.png")));

    QVERIFY(qm->SetToBestMatch());
    QCOMPARE(qm->TextValue(), QStringLiteral("Smith"));

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

void QMSearchTest::messagesNameTheControlAndAFailedRecodeRestoresIt() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
    QM qm;  // never shown: hidden by its host
    qm.setObjectName(QStringLiteral("QM1"));
    MessageAnswerer messages;
    QString text = QStringLiteral("smith");
    qm.BestMatchSearch(db.get(), text);
    Configure(qm);
    qm.BestMatchSearch(nullptr, text);
    QM unnamed;
    unnamed.Recode(db.get());
    qm.setTextFieldName(QStringLiteral("Surname"));
    qm.Recode(db.get());
    QCOMPARE(messages.texts.mid(0, 3), (QStringList{"QM1 Property Error:\nTablename is not initialized",
                                                    "Database/Connection must be specified",
                                                    "QM Property Error:\nTablename is not initialized"}));
    QCOMPARE(messages.texts.size(), 4);
    QVERIFY(messages.texts[3].startsWith(QStringLiteral("QM1Error:\n")));
    QVERIFY(messages.critical);
    CheckAtRest(qm);

    // A hidden control shows a note while it recodes.
    qm.setTextFieldName(QStringLiteral("Name"));
    bool noteShown = false;
    connect(qm.findChild<QProgressBar*>(QStringLiteral("ProgressBar1")), &QProgressBar::valueChanged, &qm,
            [&] {
                auto* note = qm.findChild<QWidget*>(QStringLiteral("frmRecodeMsg"));
                noteShown = noteShown || (note && note->isVisible());
            });
    qm.Recode(db.get());
    QVERIFY(noteShown);
    CheckAtRest(qm);
}

void QMSearchTest::recodeStoppedHalfWay() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), ManyNames(20), u'\x01');
    QWidget window;
    auto* qm = new QM(&window);
    window.resize(200, 160);
    window.show();
    Configure(*qm);
    auto* frame = qm->findChild<QGroupBox*>(QStringLiteral("Frame1"));
    auto* list = qm->findChild<QListWidget*>(QStringLiteral("List1"));
    auto* bar = qm->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    auto* stop = qm->findChild<QToolButton*>(QStringLiteral("cmdStop"));
    const int fullBar = bar->width();

    QList<int> progress;
    connect(bar, &QProgressBar::valueChanged, qm, [&](int value) {
        progress << value;
        if (value != 50) return;
        QCOMPARE(frame->title(), QStringLiteral("Quarrymink Recoding.."));
        QVERIFY(list->isHidden() && stop->isVisible() && stop->isEnabled());
        QVERIFY(stop->x() > bar->geometry().right());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        window.grab().save(qmtest::ScreenshotPath(QStringLiteral("control_recoding.png")));
        QTest::mouseClick(stop, Qt::LeftButton);
    });
    qm->Recode(db.get());
    QCOMPARE(progress, (QList<int>{5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 0}));

    int old = 0;  // the rows not reached keep their old keys
    for (const auto& [id, key] : qmtest::StoredKeys(*db)) old += key[0] == u'\x01';
    QCOMPARE(old, 10);
    CheckAtRest(*qm);
    QCOMPARE(bar->width(), fullBar);
}

void QMSearchTest::oldKeysAskBeforeSearching() {
    // A table coded by another version: the control asks, and Recode Table recodes before the
    // search (the other answers are the engine's and the dialog's own tests').
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
    QM qm;
    Configure(qm);
    QStringList names;
    connect(&qm, &QM::MatchFound, &qm, [&](const QString& name) { names << name; });
    QString asked;
    QPointer<QTimer> timer = qmtest::WhenModal([&](QWidget* dialog) {
        asked = dialog->objectName();
        dialog->findChild<QPushButton*>(QStringLiteral("cmdRecode"))->click();
    });
    QString text = QStringLiteral("smith");
    qm.BestMatchSearch(db.get(), text);
    delete timer;
    QCOMPARE(asked, QStringLiteral("frmRecodeWarn"));
    QVERIFY(names.contains(QStringLiteral("Smith")));
    for (const auto& [id, key] : qmtest::StoredKeys(*db)) QCOMPARE(key[0], LibraryKeyVersion());
}

void QMSearchTest::deletedWhileSearchingOrRecoding() {
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
        auto* qm = new QM(window);
        window->show();
        Configure(*qm);
        int rows = 0;
        const auto closeSoon = [&] {
            if (++rows != 3) return;
            QTimer::singleShot(0, [window] { delete window.data(); });
            LetTheNextRowYield();
        };
        if (recode) {
            connect(qm->findChild<QProgressBar*>(QStringLiteral("ProgressBar1")), &QProgressBar::valueChanged,
                    qm, closeSoon);
            qm->Recode(db.get());
        } else {
            connect(qm, &QM::MatchFound, qm, closeSoon);
            QString text = QStringLiteral("smith");
            qm->BestMatchSearch(db.get(), text);
        }
        QVERIFY(window.isNull());
        QVERIFY(!QGuiApplication::overrideCursor());  // the busy pointer does not outlive the control
        if (recode) {
            int fresh = 0;
            for (const auto& [id, key] : qmtest::StoredKeys(*db)) fresh += key[0] == LibraryKeyVersion();
            QVERIFY(fresh >= 3 && fresh < 40);
        }
    }
}

void QMSearchTest::deletedWhileTheRecodeQuestionIsUp() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
    QPointer<QWidget> window = new QWidget;
    auto* qm = new QM(window);
    window->show();
    Configure(*qm);
    qmtest::WhenModal([&](QWidget*) { delete window.data(); });
    QString text = QStringLiteral("smith");
    qm->BestMatchSearch(db.get(), text);
    QVERIFY(window.isNull());
    QCOMPARE(qmtest::StoredKeys(*db).front().second[0], u'\x01');
}

QTEST_MAIN(QMSearchTest)
#include "qm_search_test.moc"
