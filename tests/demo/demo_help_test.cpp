// The help viewer: caption, content, Esc, and a help file that cannot be read.
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include "DemoMain.h"
#include "demo_test_support.h"
#include "frmHelp.h"

using namespace quarrymink::demo;

class HelpTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;

private Q_SLOTS:
    void showsEitherHelpUnderOneCaption_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("tells");  // of the commands as they are
        QTest::newRow("database") << "qmDbaseDemoHelp.htf"
                                  << "Quarrymink Database Demo Help" << QStringList{"Names.mdb"};
        QTest::newRow("document") << "qmDocDemoHelp.htf"
                                  << "Quarrymink" << QStringList{"Save As (Ctrl+Shift+S)", "Discard"};
    }
    void showsEitherHelpUnderOneCaption() {
        QFETCH(QString, file);
        QFETCH(QString, heading);
        QFETCH(QStringList, tells);
        demotest::ScriptedPrompts prompts;
        SetHelpFile(QStringLiteral(QM_SOURCE_DATA_DIR) + u'/' + file);
        frmHelp help;
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.windowTitle(), QString("Quarrymink Demo Help"));
        auto* box = help.findChild<QTextEdit*>("RichTextBox1");
        const QString text = box->toPlainText();
        QVERIFY(text.startsWith(heading));
        for (const QString& words : tells) QVERIFY2(text.contains(words), qPrintable(words));
        // Formatting arrived, not the RTF source.
        QVERIFY(!text.contains("\\par"));
        if (file.startsWith("qmDbase")) {
            demotest::Screenshot(&help, "help_window");
            // A term list hangs: a description's wrapped lines start where its first line's
            // text does, after the term.
            const QTextBlock names = box->document()->find("Names.mdb").block();
            const QTextLayout* layout = names.layout();
            QVERIFY(layout->lineCount() >= 2);
            const int description = int(names.text().indexOf(u'\t', 1)) + 1;
            QCOMPARE(qRound(layout->lineAt(0).cursorToX(description)), qRound(layout->lineAt(1).x()));
        }
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(!help.isVisible());
        QVERIFY(prompts.messages.isEmpty());
    }

    void missingFileIsTold() {
        demotest::ScriptedPrompts prompts;
        QTemporaryDir dir;
        SetHelpFile(dir.filePath("qmDbaseDemoHelp.htf"));
        frmHelp help;
        help.show();
        QTRY_COMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages[0].contains("qmDbaseDemoHelp.htf"));
        help.close();
    }
};

QTEST_MAIN(HelpTest)
#include "demo_help_test.moc"
