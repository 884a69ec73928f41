// The control without a database: property notices, saving and restoring, the
// container's font and colours, the children's look and place, the published
// description, the about box and the recode question.
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "qm_properties_p.h"
#include "quarrymink/qm.h"
#include "quarrymink/widgets/about_dialog.h"
#include "quarrymink/widgets/twips.h"
#include "recode_dialogs_p.h"
#include "system_info_p.h"
#include "test_support.h"
#include "ui_designer_form.h"

using namespace quarrymink;

static QStringList Names(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& args : spy) names << args.at(0).toString();
    return names;
}

// A value of each kind; 7 is no value of the enumerations, which only the search checks.
static QVariant SampleOf(PropertyKind kind) {
    return kind == PropertyKind::Text      ? QVariant(QStringLiteral("x"))
           : kind == PropertyKind::Boolean ? QVariant(true)
           : kind == PropertyKind::Single  ? QVariant(2.5f)
           : kind == PropertyKind::Colour  ? QVariant(QColor(Qt::yellow))
           : kind == PropertyKind::Font    ? QVariant(QFont(QStringLiteral("Sans"), 11))
                                           : QVariant(7);
}

class QMControlTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void savedSettingsComeBackEachUnderItsOwnKey() {
        QWidget window;
        QM qm(&window);
        qm.setTableName(QStringLiteral("Names"));
        qm.setCompare(QM::qmCompareAuto);
        qm.setShowProgressBar(false);
        qm.setCancel(true);
        qm.setBackColor(QColor(0x12, 0x34, 0x56));
        MemoryPropertyBag bag;
        qm.WriteProperties(bag);
        QStringList keys;
        for (const auto& [key, value] : bag.Entries()) keys << key;
        // Saved order, lower-case keys, defaults left out, the font always present.
        QCOMPARE(keys,
                 (QStringList{"showprogressbar", "tablename", "compare", "cancel", "backcolor", "font"}));
        QCOMPARE(bag.ReadProperty(QStringLiteral("BACKCOLOR"), 0).toLongLong(), 0x563412);

        // Back at its default, a value leaves the bag: an older one must not come back.
        qm.setTableName(QString());
        qm.WriteProperties(bag);
        QVERIFY(!bag.Contains(QStringLiteral("TableName")));

        // An empty bag restores the initial values, the container's font among them, but not the
        // filter, which is never saved.
        window.setFont(QFont(QStringLiteral("Serif"), 13));
        qm.setSQLFilterString(QStringLiteral("ID > 1"));
        qm.ReadProperties(MemoryPropertyBag());
        QCOMPARE(qm.property("Compare").toInt(), 0);
        QCOMPARE(qm.BackColor(), QColor(15, 0, 0));  // the colour value 15, not a system colour
        QCOMPARE(qm.Font(), window.font());
        QCOMPARE(qm.SQLFilterString(), QStringLiteral("ID > 1"));

        // An unreadable value stops the restore where it stands.
        bag.WriteProperty(QStringLiteral("TableName"), QStringLiteral("Names"), QString());
        bag.WriteProperty(QStringLiteral("IDValue"), QStringLiteral("not a number"), QString());
        bag.WriteProperty(QStringLiteral("KeyFieldName"), QStringLiteral("Key"), QString());
        QVERIFY_THROWS_EXCEPTION(PropertyBagError, qm.ReadProperties(bag));
        QCOMPARE(qm.TableName(), QStringLiteral("Names"));  // read before the failure
        QCOMPARE(qm.KeyFieldName(), QString());             // not reached

        // A value unlike every other and unlike the default, for each saved property: two
        // properties on one field, or one read into another's, cannot both come back. They come
        // back from a settings file, which gives texts back ("false", "25"): each must read as
        // what was written.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("host.ini")), group = QStringLiteral("frmMain/QM1");
        const QFont font(QStringLiteral("Serif"), 12, QFont::Bold, true);
        MemoryPropertyBag expected;
        {
            QSettings file(path, QSettings::IniFormat);
            SettingsPropertyBag saved(file, group);
            int n = 1;
            for (const ControlProperty& p : ControlProperties()) {
                if (!p.persisted) continue;
                const QString key = QString::fromLatin1(p.name);
                const QVariant value = p.kind == PropertyKind::Text      ? QVariant(key + QStringLiteral("!"))
                                       : p.kind == PropertyKind::Boolean ? QVariant(p.initial == 0)
                                       : p.kind == PropertyKind::Single  ? QVariant(++n + 0.5)
                                       : p.kind == PropertyKind::Colour  ? QVariant(++n * 0x10101)
                                       : p.kind == PropertyKind::Font    ? QVariant(font)
                                                                         : QVariant(++n * 101);
                saved.WriteProperty(key, value, QVariant());
                expected.WriteProperty(key, value, QVariant());
            }
        }
        QSettings file(path, QSettings::IniFormat);
        QM back;
        back.ReadProperties(SettingsPropertyBag(file, group));
        MemoryPropertyBag written;
        back.WriteProperties(written);
        QVERIFY(written.Entries() == expected.Entries());
    }

    void containerFontAndColoursReachTheControl() {
        QWidget window;
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(200, 220, 240));
        window.setPalette(palette);
        QM qm(&window);
        QCOMPARE(qm.BackColor(), QColor(200, 220, 240));

        // A colour of the designer's gives way to the container's on any ambient change.
        qm.setBackColor(Qt::red);
        QSignalSpy spy(&qm, &QM::PropertyChanged);
        const QFont bigger(QStringLiteral("Serif"), window.font().pointSize() + 5);
        window.setFont(bigger);
        QCOMPARE(qm.Font(), bigger);
        QCOMPARE(qm.BackColor(), QColor(200, 220, 240));
        QCOMPARE(Names(spy),
                 (QStringList{"Font", "BackColor", "ForeColor", "BackColor", "ForeColor", "Font"}));

        // A new container is the new source; the old one is no longer heard.
        QWidget newContainer;
        qm.setParent(&newContainer);
        window.setFont(QFont(QStringLiteral("Sans"), 7));
        QCOMPARE(qm.Font(), newContainer.font());
        qm.setParent(&window);

        // Each reaches only the children that show it.
        auto* list = qmtest::Child<QListWidget>(qm, "List1");
        auto* bar = qmtest::Child<QProgressBar>(qm, "ProgressBar1");
        const QColor listBase = list->palette().color(QPalette::Base);
        const QFont barFont = bar->font();

        qm.setBackColor(QColor(250, 240, 200));
        QCOMPARE(qmtest::Child<QGroupBox>(qm, "Frame1")->palette().color(QPalette::Window),
                 QColor(250, 240, 200));
        QCOMPARE(list->palette().color(QPalette::Base), listBase);

        // Also through QWidget's own font property, which uic sets.
        const QFont font(QStringLiteral("Serif"), 15, QFont::Bold), other(QStringLiteral("Sans"), 9);
        qm.setFont(font);
        QVERIFY(list->font() == font && bar->font() == barFont);
        static_cast<QWidget&>(qm).setFont(other);
        QVERIFY(list->font() == other && bar->font() == barFont);
    }

    void childrenArePlacedInPixelsFromTwipsAndADesignerFormSetsTheProperties() {
        QWidget window;
        QM qm(&window);
        window.show();  // a hidden widget hears of a resize only when it is shown
        auto* list = qmtest::Child<QListWidget>(qm, "List1");
        // The list reaches down to the control's bottom in whole rows.
        list->addItem(QStringLiteral("Smith"));
        const int row = list->sizeHintForRow(0);
        QCOMPARE((list->height() - 2 * list->frameWidth()) % row, 0);
        QVERIFY(qm.height() - (list->geometry().bottom() + 1) < row);

        // A change of what shows is laid out before its notice, also when the value is unchanged.
        bool listHidden = false;
        int height = 0;
        connect(&qm, &QM::PropertyChanged, &qm, [&] {
            listHidden = list->isHidden();
            height = qm.height();
        });
        for (int i = 0; i < 2; ++i) {
            qm.resize(qm.width(), 200);
            qm.setShowListBox(false);
            QVERIFY(listHidden);
            QCOMPARE(height, TwipsToPixelsY(qm, 510));  // snapped to the progress bar and its margin
        }

        // A form as Designer saves it, compiled by uic: the setter names must be what uic calls.
        QWidget form;
        Ui::HostForm ui;
        ui.setupUi(&form);
        QCOMPARE(ui.QM1->TableName(), QStringLiteral("Names"));
        QCOMPARE(ui.QM1->property("Compare").toInt(), int(QM::qmCompareLastWord));
        QCOMPARE(ui.QM1->BackColor(), QColor(255, 255, 200));
    }

    // The table of properties agrees with the meta-object and the published description, and every
    // setter tells of its property, also without a change.
    void propertiesAndPublishedDescriptionMatchTheControlAndEverySetterNotifies() {
        using namespace typelib;
        QM qm;
        const QMetaObject* meta = &QM::staticMetaObject;
        const std::span<const ControlProperty> table = ControlProperties();
        const std::span<const Member> members = Members();
        QCOMPARE(int(table.size()), meta->propertyCount() - meta->propertyOffset());  // no property left out
        for (const ControlProperty& p : table) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(p.name));
            QVERIFY2(property.isValid() && property.enclosingMetaObject() == meta, p.name);
            const QMetaType type = property.metaType();
            const bool integer = p.kind == PropertyKind::Int16 || p.kind == PropertyKind::Int32;
            QVERIFY2(integer ? type == QMetaType::fromType<int>() || (type.flags() & QMetaType::IsEnumeration)
                             : type == SampleOf(p.kind).metaType(),
                     p.name);
            QCOMPARE(property.notifySignal(), QMetaMethod::fromSignal(p.notify));
            QCOMPARE(property.isDesignable(), p.designable);
            QCOMPARE(property.isStored(), p.persisted);
            // Published in its own slot, writable exactly when clients may set it.
            QVERIFY2(p.published.slot >= 1 && std::size_t(p.published.slot) <= members.size(), p.name);
            QCOMPARE(members[std::size_t(p.published.slot - 1)].name, p.name);
            QCOMPARE(property.isWritable(), (p.published.access & (Put | PutRef)) != 0);
            if (!property.isWritable()) continue;
            const QVariant value = SampleOf(p.kind);
            QSignalSpy own(&qm, property.notifySignal());
            QSignalSpy notices(&qm, &QM::PropertyChanged);
            QVERIFY2(property.write(&qm, value) && property.write(&qm, value), p.name);
            QCOMPARE(Names(notices), (QStringList{p.name, p.name}));
            QCOMPARE(own.count(), 2);
        }
        QCOMPARE(qm.property("Compare").toInt(), 7);

        // Every method is one of the control's (the two that take a connection are not invokable
        // through the meta-object).
        QSet<QByteArray> methods = {"BestMatchSearch", "Recode"};
        for (int k = meta->methodOffset(); k < meta->methodCount(); ++k) methods << meta->method(k).name();
        std::set<std::int32_t> dispatchIds;
        for (const Member& m : members) {
            QVERIFY2(dispatchIds.insert(m.dispatchId).second, m.name);
            QCOMPARE(FindMember(m.name), &m);
            QVERIFY2(m.kind != MemberKind::Method || methods.contains(m.name), m.name);
        }
        // The default member first; every published event is a signal of the control.
        QCOMPARE(meta->classInfo(meta->indexOfClassInfo("DefaultMember")).value(), members.front().name);
        for (const auto& event : Events())
            QVERIFY2(meta->indexOfSignal(QByteArray(event.name) + "(QString,int)") >= 0, event.name);
    }

    void aboutBoxSystemInfoAndTheRecodeQuestion() {
        QM qm;
        bool fits = false;
        qmtest::WhenModal([&](QWidget* box) {
            auto* description = qmtest::Child<QLabel>(*box, "lblDescription");
            const QWidget* place = qmtest::Child<QScrollArea>(*box, "descriptionArea")->viewport();
            fits = description->heightForWidth(place->width()) <= place->height();
            qmtest::Screenshot(box, QStringLiteral("about_box"));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        qm.ShowAboutBox();
        QVERIFY(fits);  // every line shows: the description's place is as high as its text
        QVERIFY(qm.findChildren<AboutDialog*>().isEmpty());  // released after each showing

        // System Info: the text for a bug report, copied as shown.
        AboutDialog box(QStringLiteral("Quarrymink"), 1, 0, 5);
        QString text, copied;
        qmtest::WhenModal([&](QWidget* modal) {
            qmtest::Screenshot(modal, QStringLiteral("system_info"));
            text = qmtest::Child<QPlainTextEdit>(*modal, "txtInfo")->toPlainText();
            qmtest::Child<QPushButton>(*modal, "cmdCopy")->click();
            copied = QGuiApplication::clipboard()->text();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        qmtest::Child<QPushButton>(box, "cmdSysInfo")->click();
        QVERIFY(text.contains(QStringLiteral("\nSQLite: 3.")));  // the libraries' own versions
        QCOMPARE(copied, text);
        QVERIFY(box.findChildren<platform::SystemInfoDialog*>().isEmpty());  // released when closed

        // The recode question's answers.
        const auto answer = [](std::function<void(QWidget*)> act) {
            RecodeWarningDialog dialog;
            qmtest::WhenModal(std::move(act));
            dialog.exec();
            return dialog.UserChoice();
        };
        // Recode Table's own button is pressed in the control's search test.
        QCOMPARE(answer([](QWidget* d) { qmtest::Child<QPushButton>(*d, "cmdContinue")->click(); }),
                 RecodeChoice::ContinueSearch);
        QCOMPARE(answer([](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); }), RecodeChoice::Cancel);
        QCOMPARE(answer([](QWidget* d) { QTest::keyClick(d->focusWidget(), Qt::Key_Return); }),
                 RecodeChoice::RecodeTable);  // Recode Table is first in the tab order and the default
        // Closed by its frame: no answer, whatever an earlier showing was answered with.
        QCOMPARE(answer([](QWidget* d) { d->close(); }), RecodeChoice::None);
    }
};

QTEST_MAIN(QMControlTest)
#include "qm_control_test.moc"
