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
    void pluginOffersTheControl();
};

void DesignerPluginTest::pluginOffersTheControl() {
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

    // What Designer leaves to the program, and Compare offered as a choice.
    const QMetaObject* meta = qm->metaObject();
    const auto property = [meta](const char* name) { return meta->property(meta->indexOfProperty(name)); };
    for (const char* name : {"SearchTime", "IDValue", "FinalMatchItem", "SQLFilterString"})
        QVERIFY2(!property(name).isDesignable(), name);
    QVERIFY(property("Compare").isEnumType() && property("Compare").isDesignable());
}

QTEST_MAIN(DesignerPluginTest)
#include "designer_plugin_test.moc"
