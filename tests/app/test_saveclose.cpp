#include "app/Main.h"

#include "support/GuiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

// The change flag, the two ways to save, the close question and saves that fail: what each leaves on disk.
class TestSaveClose : public QObject, WindowTest {
    Q_OBJECT

    // glym30.ini names three rule files of their own.
    static constexpr char kServerFile[] = "; the proxy's settings\r\n"
                                          "[Server]\r\n"
                                          "Port=3128\r\n"
                                          "[Check]\r\n"
                                          "File Name=access.txt\r\n"
                                          "[Cache Skip]\r\n"
                                          "File Name=skip.txt\r\n"
                                          "[Router]\r\n"
                                          "File Name=router.txt\r\n";
    static constexpr char kAccessFile[] =
        "GN:0:AllUsers:\r\nGN:1:Office:first floor\r\nGD:1:10.0.0.0:255.0.0.0:lan\r\n";
    static constexpr char kSkipFile[] = "SA:www.example.com:\r\n";
    static constexpr char kRouterFile[] = "CS:192.168.1.25:\r\n";

    QLineEdit* portField() const { return child<QLineEdit>("EditProxyPort"); }

    QByteArray serverFile() const { return dir->read(QStringLiteral("glym30.ini")); }
    bool hasBackups() const {
        return dir->exists(QStringLiteral("access.txt.bak")) || dir->exists(QStringLiteral("skip.txt.bak")) ||
               dir->exists(QStringLiteral("router.txt.bak"));
    }
    // The rule files hold what the test wrote and no backup was made.
    void verifyRuleFilesUntouched() const {
        QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray(kAccessFile));
        QCOMPARE(dir->read(QStringLiteral("skip.txt")), QByteArray(kSkipFile));
        QCOMPARE(dir->read(QStringLiteral("router.txt")), QByteArray(kRouterFile));
        QVERIFY(!hasBackups());
    }
    // A save has written the changed port and the keys the file lacked; the rule files, whose rules did not change,
    // are left as they are and keep their backups.
    void verifySaved(const QByteArray& port) const {
        QVERIFY(serverFile().contains("\r\nPort=" + port + "\r\n"));
        QVERIFY(serverFile().contains("\r\n[File Cache]\r\nEnable=1\r\n"));
        verifyRuleFilesUntouched();
    }
    void makeServerFileReadOnly() const {
        QVERIFY(QFile::setPermissions(dir->path(QStringLiteral("glym30.ini")),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        begin();
        dir->write(QStringLiteral("access.txt"), kAccessFile);
        dir->write(QStringLiteral("skip.txt"), kSkipFile);
        dir->write(QStringLiteral("router.txt"), kRouterFile);
        start(kServerFile);
    }
    void cleanup() { verifyNoProblems(finish()); }

    void loadingClearsTheFlag() {
        QCOMPARE(portField()->text(), QStringLiteral("3128"));
        QVERIFY(!window->ConfigChanged);
    }

    // Every kind of settings control sets the flag; putting the old value back does not clear it.
    void changeSetsTheFlag_data() {
        QTest::addColumn<QString>("control");
        QTest::newRow("edit field") << "EditProxyPort";
        QTest::newRow("parent port") << "EditParentPort";
        QTest::newRow("file name") << "CheckFile";
        QTest::newRow("check box") << "UsersEnabled";
        QTest::newRow("check box set at load") << "DNSEnable";
        QTest::newRow("cache type") << "FileCache";
        QTest::newRow("memory page count") << "EditMemoryPageCount";
        QTest::newRow("balancer interval") << "BalancerInterval";
    }
    void changeSetsTheFlag() {
        QFETCH(QString, control);
        QWidget* widget = window->findChild<QWidget*>(control);
        QVERIFY(widget);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            const QString old = edit->text();
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_1);
            QVERIFY(window->ConfigChanged);
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCOMPARE(edit->text(), old);
        } else {
            auto* button = qobject_cast<QAbstractButton*>(widget);
            QVERIFY(button);
            button->click();
            QVERIFY(window->ConfigChanged);
            if (!qobject_cast<QRadioButton*>(button))
                button->click();
        }
        QVERIFY(window->ConfigChanged);
    }

    void unitSwitchIsNoChange() {
        child<QRadioButton>("SwitchMB")->click();
        child<QRadioButton>("SwitchB")->click();
        QVERIFY(!window->ConfigChanged);
    }

    void save_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("ButtonSave") << false;
        QTest::newRow("Save1") << true;
    }
    void save() {
        QFETCH(bool, byMenu);
        portField()->setText(QStringLiteral("8080"));
        if (byMenu)
            child<QAction>("Save1")->trigger();
        else
            child<QToolButton>("ButtonSave")->click();
        QVERIFY(answers->seen().empty()); // saving asks nothing
        QVERIFY(!window->ConfigChanged);
        verifySaved("8080");
        QVERIFY(serverFile().startsWith("; the proxy's settings\r\n[Server]\r\nPort=8080\r\n"));
        // A saved window closes without a question.
        QVERIFY(window->close());
    }

    // With nothing changed, Save (button, menu entry, shortcut) is disabled, so a stray save rotates no backup
    // away. The handler itself still writes the controls again and rewrites the rule files.
    void saveWithoutChanges() {
        QVERIFY(!child<QToolButton>("ButtonSave")->isEnabled());
        QVERIFY(!child<QAction>("Save1")->isEnabled());
        child<QToolButton>("ButtonSave")->click();
        child<QAction>("Save1")->trigger();
        verifyRuleFilesUntouched();
        window->ButtonSaveClick();
        verifySaved("3128");
        QVERIFY(!window->ConfigChanged);
    }

    void closeQuestion_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << true << true;
        QTest::newRow("No") << int(QMessageBox::No) << true << false;
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false << false;
    }
    void closeQuestion() {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        window->show();
        portField()->setText(QStringLiteral("8080"));
        window->move(120, 90);
        answers->pushBox(QMessageBox::StandardButton(answer));
        QCOMPARE(window->close(), closes);
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].caption, QStringLiteral("Confirm"));
        QCOMPARE(answers->seen()[0].text, QStringLiteral("Save changes to config?"));
        QCOMPARE(answers->seen()[0].icon, QMessageBox::Question);

        if (saved) {
            verifySaved("8080");
        } else {
            QCOMPARE(serverFile(), QByteArray(kServerFile));
            verifyRuleFilesUntouched();
        }
        QCOMPARE(window->ConfigChanged, !saved);
        QCOMPARE(portField()->text(), QStringLiteral("8080"));
        // Every answer writes the preferences, with the window's state of the moment.
        const QByteArray preferences = dir->read(QStringLiteral("glymconf.ini"));
        QVERIFY2(preferences.startsWith("[Form]\r\nTop=90\r\nLeft=120\r\n"), preferences.constData());
    }

    // Cancel keeps the window and its change: the next close asks again.
    void cancelThenNo() {
        portField()->setText(QStringLiteral("8080"));
        answers->pushBox(QMessageBox::Cancel);
        QVERIFY(!window->close());
        answers->pushBox(QMessageBox::No);
        QVERIFY(window->close());
        QCOMPARE(answers->seen().size(), std::size_t(2));
        QCOMPARE(serverFile(), QByteArray(kServerFile));
    }

    void exitButtonCloses() {
        window->show();
        child<QToolButton>("ButtonExit")->click();
        QVERIFY(!window->isVisible());
        QVERIFY(dir->exists(QStringLiteral("glymconf.ini")));

        // The menu entry closes too, after the question when something changed.
        window->show();
        portField()->setText(QStringLiteral("8080"));
        answers->pushBox(QMessageBox::Cancel);
        child<QAction>("Exit1")->trigger();
        QVERIFY(window->isVisible());
        answers->pushBox(QMessageBox::No);
        child<QAction>("Exit1")->trigger();
        QVERIFY(!window->isVisible());
        QCOMPARE(answers->seen().size(), std::size_t(2));
    }

    // A read-only glym30.ini: the save stops at its first key with the INI layer's message; nothing is written,
    // not even the rule files, and the change flag stays set.
    void failedSave_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("ButtonSave") << false;
        QTest::newRow("Save1") << true;
    }
    void failedSave() {
        QFETCH(bool, byMenu);
        makeServerFileReadOnly();
        portField()->setText(QStringLiteral("8080"));
        answers->pushBox(QMessageBox::Ok);
        if (byMenu)
            child<QAction>("Save1")->trigger();
        else
            child<QToolButton>("ButtonSave")->click();
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].caption, QStringLiteral("Error"));
        QVERIFY2(
            answers->seen()[0].text.startsWith(QStringLiteral("Unable to write to ./glym30.ini: Permission denied")),
            qPrintable(answers->seen()[0].text));
        QCOMPARE(answers->seen()[0].icon, QMessageBox::Critical);
        QCOMPARE(serverFile(), QByteArray(kServerFile));
        verifyRuleFilesUntouched();
        QVERIFY(window->ConfigChanged);
        QCOMPARE(QDir(dir->path(QString())).entryList(QDir::Files).size(), 4); // no temporary file left behind
    }

    // Yes in the close question with a save that fails: the window stays open with its change, and this close
    // attempt writes no preferences. Once the file may be written again, Yes saves and closes.
    void failedSaveKeepsTheWindowOpen() {
        makeServerFileReadOnly();
        portField()->setText(QStringLiteral("8080"));
        answers->pushBox(QMessageBox::Yes);
        answers->pushBox(QMessageBox::Ok);
        QVERIFY(!window->close());
        QCOMPARE(answers->seen().size(), std::size_t(2));
        QVERIFY2(
            answers->seen()[1].text.startsWith(QStringLiteral("Unable to write to ./glym30.ini: Permission denied")),
            qPrintable(answers->seen()[1].text));
        QVERIFY(window->ConfigChanged);
        QCOMPARE(portField()->text(), QStringLiteral("8080"));
        QVERIFY(!dir->exists(QStringLiteral("glymconf.ini")));
        verifyRuleFilesUntouched();

        QVERIFY(QFile::setPermissions(dir->path(QStringLiteral("glym30.ini")), QFile::ReadOwner | QFile::WriteOwner));
        answers->pushBox(QMessageBox::Yes);
        QVERIFY(window->close());
        verifySaved("8080");
        QVERIFY(dir->exists(QStringLiteral("glymconf.ini")));
    }

    // A rule file that cannot be written stops the save before any file changes: glym30.ini and the rule files keep
    // their content, the message says so, and the change flag stays set.
    void failedRuleFileSave() {
        QVERIFY(QDir(dir->path(QString())).mkdir(QStringLiteral("access.txt.bak"))); // the backup cannot be made
        portField()->setText(QStringLiteral("8080"));
        window->Groups.find(1)->SetGroupLine("GN:1:Office:second floor");
        answers->pushBox(QMessageBox::Ok);
        child<QToolButton>("ButtonSave")->click();
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].caption, QStringLiteral("Error"));
        QVERIFY2(answers->seen()[0].text.startsWith(QStringLiteral("Unable to write to access.txt")),
                 qPrintable(answers->seen()[0].text));
        QVERIFY2(answers->seen()[0].text.endsWith(QStringLiteral("Nothing was saved: no file has been changed.")),
                 qPrintable(answers->seen()[0].text));
        QCOMPARE(serverFile(), QByteArray(kServerFile));
        QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray(kAccessFile));
        QCOMPARE(dir->read(QStringLiteral("skip.txt")), QByteArray(kSkipFile));
        QCOMPARE(dir->read(QStringLiteral("router.txt")), QByteArray(kRouterFile));
        QVERIFY(window->ConfigChanged);
    }

    // Text that Windows-1251 cannot hold is refused before anything is written, instead of being stored as "?".
    void unencodableTextRefusesTheSave_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number"); // a field the proxy reads as a number: the save first asks about it
        QTest::newRow("log file name") << "MainLogFile" << QStringLiteral("/var/log/\u4e2d.log") << false;
        QTest::newRow("parent address") << "EditParentIP" << QStringLiteral("\u0101.example") << false;
        QTest::newRow("last key") << "BalancerInterval" << QStringLiteral("\u20ac\u2603") << true;
    }
    void unencodableTextRefusesTheSave() {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(bool, number);
        child<QLineEdit>("EditParentIP")->setText(QStringLiteral("gate"));
        child<QLineEdit>("EditParentPort")->setText(QStringLiteral("3128"));
        window->findChild<QLineEdit*>(control)->setText(text);
        if (number)
            answers->pushBox(QMessageBox::Save);
        answers->pushBox(QMessageBox::Ok);
        child<QToolButton>("ButtonSave")->click();
        QCOMPARE(answers->seen().size(), std::size_t(number ? 2 : 1));
        const SeenBox& error = answers->seen().back();
        QCOMPARE(error.caption, QStringLiteral("Error"));
        QVERIFY2(error.text.contains(QStringLiteral("Windows-1251")), qPrintable(error.text));
        QCOMPARE(serverFile(), QByteArray(kServerFile));
        verifyRuleFilesUntouched();
        QVERIFY(window->ConfigChanged);
    }

    // Cyrillic text is stored as Windows-1251 bytes and reads back the same.
    void cyrillicTextRoundTrip() {
        const QString name = QStringLiteral("/var/log/журнал.log");
        child<QLineEdit>("MainLogFile")->setText(name);
        child<QToolButton>("ButtonSave")->click();
        QVERIFY(serverFile().contains("File Name=/var/log/\xE6\xF3\xF0\xED\xE0\xEB.log\r\n"));
        restart();
        QCOMPARE(child<QLineEdit>("MainLogFile")->text(), name);
    }
};

QTEST_MAIN(TestSaveClose)
#include "test_saveclose.moc"
