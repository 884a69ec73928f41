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
    void cancelFromAMatchFoundHandler();
    void messagesNameTheControl();
    void recodeStoppedHalfWay();
    void hiddenControlShowsTheRecodingNote();
    void failedRecodeRestoresTheControl();
    void oldKeysAskBeforeSearching();
    void deletedFromAMatchFoundHandler();
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

QString KeyOf(const std::u16string& name) {
    KeyCoder coder;
    coder.SetMaxKeyLength(40);
    return QString::fromStdU16String(coder.MakeCode(name)).left(40);
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
    QString text = QStringLiteral(" smyth   jr ");
    qm->BestMatchSearch(db.get(), text);
    QCOMPARE(text, QStringLiteral("smyth jr"));  // the host's text comes back normalised
    text = QStringLiteral("smyth");
    found.clear();
    qm->BestMatchSearch(db.get(), text);
    QStringList names;
    for (const QList<QVariant>& args : found) names << args.at(0).toString();
    for (const char* name : {"Smith", "Smyth", "Smythe"}) QVERIFY2(names.contains(QLatin1String(name)), name);
    QVERIFY(!names.contains(QStringLiteral("Jones")));
    QCOMPARE(qm->SearchCode(), KeyOf(u"smyth"));

    // Smith and Smyth sound alike and score alike: the query's order (by name) decides.
    auto* list = qm->findChild<QListWidget*>(QStringLiteral("List1"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("Smith"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Smyth"));
    for (int i = 0; i < list->count(); ++i) {
        const auto row = std::find_if(kNames.begin(), kNames.end(), [&](const Row& r) {
            return QString::fromStdU16String(r.name) == list->item(i)->text();
        });
        QCOMPARE(list->item(i)->data(Qt::UserRole).toInt(), row->id);
    }
    QCOMPARE(qm->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), 100);
    window.grab().save(qmtest::ScreenshotPath(QStringLiteral("control_after_search.png")));

    QVERIFY(qm->SetToBestMatch());
    QCOMPARE(qm->IDValue(), 10);
    QCOMPARE(qm->TextValue(), QStringLiteral("Smith"));
    int steps = 0;
    for (; !qm->FinalMatchItem() && steps < 30; ++steps) qm->SetToNextMatch();
    QCOMPARE(steps, list->count() - 1);

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

void QMSearchTest::cancelFromAMatchFoundHandler() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames);
    QM qm;
    Configure(qm);
    int seen = 0;
    auto stop = connect(&qm, &QM::MatchFound, &qm, [&] {
        ++seen;
        qm.setCancel(true);
    });
    QString text = QStringLiteral("smith");
    qm.BestMatchSearch(db.get(), text);
    QCOMPARE(seen, 1);  // the search stops after the row being handled
    disconnect(stop);
    qm.BestMatchSearch(db.get(), text);  // the next search clears Cancel as it starts
    QVERIFY(!qm.Cancel());
    QVERIFY(qm.findChild<QListWidget*>(QStringLiteral("List1"))->count() >= 3);
}

void QMSearchTest::messagesNameTheControl() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames);
    QM qm;
    qm.setObjectName(QStringLiteral("QM1"));
    MessageAnswerer messages;
    QString text = QStringLiteral("smith");
    qm.BestMatchSearch(db.get(), text);
    Configure(qm);
    qm.BestMatchSearch(nullptr, text);
    QM unnamed;
    unnamed.Recode(db.get());
    QCOMPARE(messages.texts, (QStringList{"QM1 Property Error:\nTablename is not initialized",
                                          "Database/Connection must be specified",
                                          "QM Property Error:\nTablename is not initialized"}));
    QVERIFY(messages.critical);
}

void QMSearchTest::recodeStoppedHalfWay() {
    const std::vector<Row> rows = ManyNames(20);
    auto db = qmtest::MakeNamesDatabase(DbPath(), rows, u'\x01');
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

    // Rows are visited from the last; those not reached keep their old keys.
    int fresh = 0, old = 0;
    for (const auto& [id, key] : qmtest::StoredKeys(*db)) {
        fresh += QString::fromStdU16String(key) == KeyOf(rows[static_cast<std::size_t>(id - 1)].name);
        old += key[0] == u'\x01';
    }
    QCOMPARE(fresh, 10);
    QCOMPARE(old, 10);

    CheckAtRest(*qm);
    QCOMPARE(bar->width(), fullBar);
}

void QMSearchTest::hiddenControlShowsTheRecodingNote() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), ManyNames(4), u'\x01');
    QM qm;  // never shown: hidden by its host
    Configure(qm);
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

void QMSearchTest::failedRecodeRestoresTheControl() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), ManyNames(5), u'\x01');
    QM qm;
    qm.setObjectName(QStringLiteral("QM1"));
    Configure(qm);
    qm.setTextFieldName(QStringLiteral("Surname"));
    MessageAnswerer messages;
    qm.Recode(db.get());
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts.front().startsWith(QStringLiteral("QM1Error:\n")));
    CheckAtRest(qm);
}

void QMSearchTest::oldKeysAskBeforeSearching() {
    // A search on a table coded by another version, the question answered by act.
    const auto search = [this](const std::function<void(QWidget*)>& act, QStringList& names) {
        auto db = qmtest::MakeNamesDatabase(DbPath(), kNames, u'\x01');
        QM qm;
        Configure(qm);
        connect(&qm, &QM::MatchFound, &qm, [&](const QString& name) { names << name; });
        bool asked = false;
        QPointer<QTimer> timer = qmtest::WhenModal([&](QWidget* dialog) {
            asked = dialog->objectName() == QLatin1String("frmRecodeWarn");
            act(dialog);
        });
        QString text = QStringLiteral("smith");
        qm.BestMatchSearch(db.get(), text);
        delete timer;
        return asked ? qmtest::StoredKeys(*db) : decltype(qmtest::StoredKeys(*db)){};
    };
    const auto press = [](const char* name) {
        return [name](QWidget* d) { d->findChild<QPushButton*>(QString::fromLatin1(name))->click(); };
    };
    QStringList continued, cancelled, closed, recoded;
    auto keys = search(press("cmdContinue"), continued);
    QVERIFY(!keys.empty());
    QVERIFY(continued.contains(QStringLiteral("Smith")));  // the table's own version is searched
    QCOMPARE(keys.front().second[0], u'\x01');
    QVERIFY(!search([](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); }, cancelled).empty());
    QVERIFY(cancelled.isEmpty());
    // Closed without an answer: the search goes on with this version, which the old keys lack.
    QVERIFY(!search([](QWidget* d) { d->close(); }, closed).empty());
    QVERIFY(closed.isEmpty());
    keys = search(press("cmdRecode"), recoded);
    QVERIFY(!keys.empty());
    QVERIFY(recoded.contains(QStringLiteral("Smith")));
    for (const auto& [id, key] : keys) QCOMPARE(key[0], LibraryKeyVersion());
}

void QMSearchTest::deletedFromAMatchFoundHandler() {
    auto db = qmtest::MakeNamesDatabase(DbPath(), kNames);
    QPointer<QM> qm = new QM;
    Configure(*qm);
    int seen = 0;
    connect(qm, &QM::MatchFound, qm, [&] {
        ++seen;
        delete qm.data();
    });
    QString text = QStringLiteral("smith");
    qm->BestMatchSearch(db.get(), text);
    QVERIFY(qm.isNull());
    QCOMPARE(seen, 1);
}

void QMSearchTest::deletedWhileSearchingOrRecoding() {
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
