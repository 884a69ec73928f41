// The Designer plugin as Designer uses it: loaded from its file, asked for its entry in
// the widget box, and made to build a control.
#include <QListWidget>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class DesignerPluginTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pluginOffersTheControl() {
        QPluginLoader loader(QStringLiteral(QM_DESIGNER_PLUGIN));
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
        auto* widget = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
        QVERIFY(widget);
        QCOMPARE(widget->name(), QStringLiteral("QM"));
        QCOMPARE(widget->includeFile(), QStringLiteral("quarrymink/qm.h"));
        QVERIFY(!widget->icon().isNull());
        QVERIFY(!widget->isContainer());
        QVERIFY(widget->domXml().contains(QStringLiteral("class=\"QM\"")));

        QWidget form;
        QWidget* qm = widget->createWidget(&form);
        QVERIFY(qm);
        QCOMPARE(qm->metaObject()->className(), "QM");
        QCOMPARE(qm->parentWidget(), &form);
        QVERIFY(qm->findChild<QListWidget*>(QStringLiteral("List1")));

        // Compare offered as a choice (what Designer leaves to the program is checked against the
        // control's property table in its own test).
        const QMetaObject* meta = qm->metaObject();
        const QMetaProperty compare = meta->property(meta->indexOfProperty("Compare"));
        QVERIFY(compare.isEnumType() && compare.isDesignable());
    }
};

QTEST_MAIN(DesignerPluginTest)
#include "designer_plugin_test.moc"
