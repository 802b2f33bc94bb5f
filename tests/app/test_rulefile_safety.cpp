#include "app/Main.h"
#include "session/DroppedLines.h"

#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

// The rule files through the window: one file named in two ways, the lines a start-up leaves out, and rule-file
// names that lead to something other than a file.
class TestRuleFileSafety : public QObject, WindowTest {
    Q_OBJECT

    static QByteArray serverFile(const QByteArray& access, const QByteArray& skip, const QByteArray& router) {
        return "[Check]\r\nFile Name=" + access + "\r\n[Cache Skip]\r\nFile Name=" + skip +
               "\r\n[Router]\r\nFile Name=" + router + "\r\n";
    }
    QToolButton* note() const { return window->findChild<QToolButton*>(QStringLiteral("DroppedLinesNote")); }

    // The shared file picker: types the name and presses Open, from the dialog's own event loop.
    void answerPicker(const QString& name) {
        answers->pushDialog<QFileDialog>([name](QFileDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            QTimer::singleShot(0, dialog, [dialog] {
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
            });
        });
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    // The cache-skip file chosen with its picker as the full path of the access rules file, which glym30.ini names
    // relatively: the save appends the cache-skip rules to the access rules, as it does for two equal names,
    // instead of writing the access rules and then replacing them.
    void oneFileChosenUnderTwoNames() {
        const QByteArray access = "GN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:lan\r\nSA:www.example.com:\r\n";
        dir->write(QStringLiteral("access.txt"), access);
        dir->write(QStringLiteral("skip.txt"), "SD:/cgi-bin/:\r\n");
        start(serverFile("access.txt", "skip.txt", "router.txt"));

        const QString fullPath = QFileInfo(dir->path(QStringLiteral("access.txt"))).canonicalFilePath();
        answerPicker(fullPath);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "SpeedButton9Click"));
        QCOMPARE(child<QLineEdit>("CacheSkipFile")->text(), fullPath);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));

        QCOMPARE(dir->read(QStringLiteral("access.txt")),
                 QByteArray("GN:0:AllUsers:\r\nGN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:lan\r\nSD:/cgi-bin/:\r\n"));
        QCOMPARE(dir->read(QStringLiteral("access.txt.bak")), access);
        QCOMPARE(dir->read(QStringLiteral("skip.txt")), QByteArray("SD:/cgi-bin/:\r\n"));
        QVERIFY(!dir->exists(QStringLiteral("skip.txt.bak")));

        // The next start reads both kinds of rules from the one file.
        restart();
        QCOMPARE(listview::rowCount(child<QAbstractItemView>("LNetwork")), 1);
        QCOMPARE(listview::rowCount(child<QAbstractItemView>("CacheSkipRules")), 1);
        QVERIFY(!note());
    }

    void droppedLinesNote_data() {
        QTest::addColumn<QByteArray>("access");
        QTest::addColumn<QByteArray>("skip");
        QTest::addColumn<QString>("noteText");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("all kept") << QByteArray("GN:1:a:\r\n\r\nGD:1:a:b:\r\n") << QByteArray("SD:a:\r\n   \r\n")
                                  << QString() << QStringList();
        QTest::newRow("one file") << QByteArray("GN:1:a:\r\n") << QByteArray("sa:x:y\r\nSD:a:\r\n# note\r\nXX:1\r\n")
                                  << "3 lines of skip.txt will not be kept - details"
                                  << QStringList{"skip.txt|1|lower-case tag \"sa\"|sa:x:y",
                                                 "skip.txt|3|not a rule line|# note",
                                                 "skip.txt|4|unknown tag \"XX\"|XX:1"};
        QTest::newRow("two files, one line each")
            << QByteArray("GN:1:a:\r\nTL:9:100:\r\n") << QByteArray("SA:x:\r\n\xCF\xF0\xEE\xEA\xF1\xE8\r\n")
            << "1 line of skip.txt and 1 line of access.txt will not be kept - details"
            << QStringList{"skip.txt|2|not a rule line|\u041F\u0440\u043E\u043A\u0441\u0438",
                           "access.txt|2|group 9 does not exist (no \"GN\", \"GD\" or \"CD\" line names it)|TL:9:100:"};
    }

    // A start-up that leaves lines out says so once, without a box: a note in the status bar opens the list of
    // them. A save that writes the file drops them.
    void droppedLinesNote() {
        QFETCH(QByteArray, access);
        QFETCH(QByteArray, skip);
        QFETCH(QString, noteText);
        QFETCH(QStringList, rows);
        dir->write(QStringLiteral("access.txt"), access);
        dir->write(QStringLiteral("skip.txt"), skip);
        start(serverFile("access.txt", "skip.txt", "router.txt"));
        if (noteText.isNull()) {
            QVERIFY(!note());
            return;
        }
        QVERIFY(note());
        QCOMPARE(note()->text(), noteText);
        QVERIFY(window->statusBar()->isAncestorOf(note()));

        QStringList shown;
        answers->pushDialog<DroppedLinesDialog>([&shown](DroppedLinesDialog* dialog) {
            auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("DroppedLinesList"));
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                QStringList columns;
                for (int column = 0; column < list->columnCount(); ++column)
                    columns << list->topLevelItem(i)->text(column);
                shown << columns.join(u'|');
            }
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
        });
        note()->click();
        QCOMPARE(shown, rows);

        // A save that writes the files (their rules changed) keeps only what the window holds.
        window->Groups.create(3).SetGroupLine("GN:3:Three:");
        window->CacheSkipLines.push_back("SD:/cgi-bin/:");
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        restart();
        QVERIFY(!note());
    }

    // A rule-file name that leads to a named pipe neither hangs the start-up nor is replaced by a save: each is
    // reported, and everything else loads.
    void namedPipesDoNotHang() {
        for (const char* name : {"access.pipe", "skip.pipe", "router.pipe"})
            QCOMPARE(::mkfifo(QFile::encodeName(dir->path(QLatin1String(name))).constData(), 0600), 0);
        for (int i = 0; i < 3; ++i)
            answers->pushBox(QMessageBox::Ok);
        start(serverFile("access.pipe", "skip.pipe", "router.pipe") + "[Server]\r\nPort=8080\r\n");
        QCOMPARE(answers->seen().size(), std::size_t(3));
        QCOMPARE(answers->seen()[0].text, QStringLiteral("Cannot read file \"skip.pipe\". Not a regular file"));
        QCOMPARE(answers->seen()[1].text, QStringLiteral("Cannot read file \"router.pipe\". Not a regular file"));
        QCOMPARE(answers->seen()[2].text, QStringLiteral("Cannot read file \"access.pipe\". Not a regular file"));
        QCOMPARE(child<QLineEdit>("EditProxyPort")->text(), QStringLiteral("8080"));
        QVERIFY(!window->ConfigChanged);

        answers->pushBox(QMessageBox::Ok);
        window->Groups.create(3).SetGroupLine("GN:3:Three:"); // access rules to write into the pipe's name
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QCOMPARE(answers->seen().size(), std::size_t(4));
        QVERIFY2(
            answers->seen()[3].text.startsWith(QStringLiteral("Unable to write to access.pipe: Not a regular file")),
            qPrintable(answers->seen()[3].text));
        QVERIFY(QFileInfo(dir->path(QStringLiteral("access.pipe"))).exists());
        QVERIFY(!QFileInfo(dir->path(QStringLiteral("access.pipe"))).isFile());
    }
};

QTEST_MAIN(TestRuleFileSafety)
#include "test_rulefile_safety.moc"
