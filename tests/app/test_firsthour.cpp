#include "app/Main.h"

#include "support/GuiTestSupport.h"
#include "support/PermissionsHold.h"

#include <QInputDialog>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

// What an administrator's first hour with the program must not lose: rules of a new configuration saved into no
// file, a rule-file name that leads to another file, a settings file that cannot be read as settings, and rule
// files rewritten (and their backups rotated away) by a save that did not change them.
class TestFirstHour : public QObject, WindowTest {
    Q_OBJECT

    static QByteArray serverFile(const QByteArray& access) {
        return "[Server]\r\nThreads=32\r\n[Connect Log]\r\nFile Name=connect.log\r\n[Check]\r\nFile Name=" + access +
               "\r\n";
    }
    QLineEdit* accessName() const { return child<QLineEdit>("CheckFile"); }
    QString note() const {
        auto* button = window->findChild<QToolButton*>(QStringLiteral("DroppedLinesNote"));
        return button ? button->text() : QString();
    }
    void save() { QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick")); }
    void enterAccessName(const QString& name) {
        accessName()->setText(name);
        Q_EMIT accessName()->editingFinished();
    }
    // The question about the rules of a new configuration: the name proposed, accepted or cancelled.
    void answerNameDialog(bool accept, QString* proposed) {
        answers->pushDialog<QInputDialog>([accept, proposed](QInputDialog* dialog) {
            *proposed = dialog->textValue();
            accept ? dialog->accept() : dialog->reject();
        });
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    // A new configuration: Yes creates glym30.ini; the rules added go into the file the save asks for
    // ("access.txt" proposed). Cancel there saves nothing and keeps the change mark. No to the creation still
    // leaves Save enabled, and it creates the file.
    void newConfigurationSavesItsRules() {
        answers->pushBox(QMessageBox::Yes);
        start();
        window->Groups.create(1).SetGroupLine("GN:1:Staff:");
        window->Groups.find(1)->NetworkRules.append("GD:1:10.0.0.0:255.0.0.0:lan");
        window->ConfigChanged = true;

        QString proposed;
        answerNameDialog(false, &proposed);
        save();
        QCOMPARE(proposed, QStringLiteral("access.txt"));
        QVERIFY(!dir->exists(QStringLiteral("access.txt")));
        QVERIFY(window->ConfigChanged);

        answerNameDialog(true, &proposed);
        save();
        QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray("GN:1:Staff:\r\nGD:1:10.0.0.0:255.0.0.0:lan\r\n"));
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("[Check]\r\nEnable=0\r\nFile Name=access.txt\r\n"));
        QVERIFY(!window->ConfigChanged);
        restart();
        QCOMPARE(window->Groups.find(1)->NetworkRules.size(), std::size_t(1));
    }

    void declinedCreationCanStillSave() {
        answers->pushBox(QMessageBox::No);
        start();
        QVERIFY(!window->ConfigChanged);
        QVERIFY(child<QAction>("Save1")->isEnabled());
        save();
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("[Server]\r\nPort=3128\r\n"));
        QVERIFY(!child<QAction>("Save1")->isEnabled());
    }

    // A rule-file name typed that is another file of the configuration is refused at once (the old name comes
    // back); one that names a file the window has not read is asked about: Cancel brings the old name back, Keep
    // rules replaces the file at the next save, Read rules shows its rules as one step to undo.
    void changedRuleFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("answer"); // the button pressed; NoButton: an error box is expected
        QTest::addColumn<QString>("nameAfter");
        QTest::addColumn<QByteArray>("otherAfterSave");
        const QByteArray other = "GN:2:Guests:\r\n";
        const QByteArray ours = "GN:0:AllUsers:\r\nGN:1:Office:\r\n";
        QTest::newRow("glym30.ini") << "glym30.ini" << int(QMessageBox::Ok) << "access.txt" << other;
        QTest::newRow("connection log") << "./connect.log" << int(QMessageBox::Ok) << "access.txt" << other;
        QTest::newRow("backup of glym30.ini") << "glym30.ini.bak" << int(QMessageBox::Ok) << "access.txt" << other;
        QTest::newRow("unread file, cancel") << "other.txt" << int(QMessageBox::Cancel) << "access.txt" << other;
        QTest::newRow("unread file, keep rules") << "other.txt" << int(QMessageBox::Save) << "other.txt" << ours;
        QTest::newRow("unread file, read rules")
            << "other.txt" << int(QMessageBox::Open) << "other.txt" << QByteArray("GN:0:AllUsers:\r\nGN:2:Guests:\r\n");
    }
    void changedRuleFileName() {
        QFETCH(QString, name);
        QFETCH(int, answer);
        QFETCH(QString, nameAfter);
        QFETCH(QByteArray, otherAfterSave);
        const QByteArray settings = serverFile("access.txt");
        dir->write(QStringLiteral("access.txt"), "GN:1:Office:\r\n");
        dir->write(QStringLiteral("other.txt"), "GN:2:Guests:\r\n");
        dir->write(QStringLiteral("connect.log"), "log\r\n");
        dir->write(QStringLiteral("glym30.ini.bak"), settings);
        start(settings);

        answers->pushBox(static_cast<QMessageBox::StandardButton>(answer));
        enterAccessName(name);
        QCOMPARE(accessName()->text(), nameAfter);
        if (answer == QMessageBox::Open) {
            QVERIFY(window->Groups.find(2) && !window->Groups.find(1));
            QVERIFY(QMetaObject::invokeMethod(window.get(), "UndoActionExecute"));
            QVERIFY(window->Groups.find(1) && !window->Groups.find(2));
            QVERIFY(QMetaObject::invokeMethod(window.get(), "RedoActionExecute"));
        }
        window->ConfigChanged = true;
        save();
        QCOMPARE(dir->read(QStringLiteral("other.txt")), otherAfterSave);
        QCOMPARE(dir->read(QStringLiteral("connect.log")), QByteArray("log\r\n"));
        QCOMPARE(dir->read(QStringLiteral("glym30.ini.bak")), settings);
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).startsWith("[Server]"));
    }

    // A window that goes while a rule-file name is still being typed asks nothing: there is no window to answer.
    void windowGoesWhileANameIsTyped() {
        dir->write(QStringLiteral("other.txt"), "GN:2:Guests:\r\n");
        start(serverFile("access.txt"));
        QVERIFY(showWindow());
        accessName()->setFocus();
        accessName()->setText(QStringLiteral("other.tx"));
        QTest::keyClicks(accessName(), QStringLiteral("t"));
        window.reset();
        QVERIFY(answers->seen().empty());
    }

    // A glym30.ini in UTF-16 (with or without its byte-order mark), or one that cannot be read, is no settings
    // file the window holds: the start-up says so, and a save asks before replacing it (Cancel keeps it;
    // Overwrite keeps it as the backup).
    void unusableSettingsFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("unreadable");
        QTest::addColumn<QString>("said");
        const QByteArray text = "[Server]\r\nPort=8080\r\n";
        QByteArray utf16;
        for (const char c : text)
            utf16 += QByteArray(1, c) + QByteArray(1, '\0');
        QTest::newRow("UTF-16 with its mark") << QByteArray("\xFF\xFE") + utf16 << false << "is UTF-16 text";
        QTest::newRow("UTF-16 without it") << utf16 << false << "is UTF-16 text";
        QTest::newRow("unreadable") << text << true << "cannot be read: Permission denied";
    }
    void unusableSettingsFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, unreadable);
        QFETCH(QString, said);
        const QString settings = dir->path(QStringLiteral("glym30.ini"));
        dir->write(QStringLiteral("glym30.ini"), bytes);
        if (unreadable)
            QVERIFY(QFile::setPermissions(settings, QFile::WriteOwner));
        {
            const PermissionsHold asUser;
            start();
        }
        QVERIFY(QFile::setPermissions(settings, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY2(note().contains(QStringLiteral("glym30.ini ") + said), qPrintable(note()));
        child<QLineEdit>("EditTreadsCount")->setText(QStringLiteral("16"));

        answers->pushBox(QMessageBox::Cancel);
        save();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), bytes);

        answers->pushBox(QMessageBox::Save);
        save();
        QCOMPARE(dir->read(QStringLiteral("glym30.ini.bak")), bytes);
        const QByteArray saved = dir->read(QStringLiteral("glym30.ini"));
        QVERIFY(saved.startsWith("[Server]\r\nPort=3128\r\n") && saved.contains("Threads=16\r\n") &&
                !saved.contains('\0'));
        QVERIFY(note().isEmpty());
    }

    // A start after a save that was cut short puts a backup moved aside back, offers to remove what is held
    // elsewhere or was never saved, and keeps (and names) a copy that may be the only one of a file's old content.
    void leftoversOfACutSave() {
        dir->write(QStringLiteral("access.txt"), "GN:1:Office:\r\n");
        dir->write(QStringLiteral("access.txt.K3b9Qz.bak"), "GN:1:Older:\r\n"); // and no access.txt.bak
        dir->write(QStringLiteral("skip.txt"), "SD:/a/:\r\n");
        dir->write(QStringLiteral("skip.txt.7hYt2m"), "SD:/b/:\r\n");
        dir->write(QStringLiteral("router.txt"), "CS:p");
        dir->write(QStringLiteral(".router.txt.old-Q2w3e4"), "CS:partial or only copy\r\n");
        dir->write(QStringLiteral("skip.txt.backup"), "the user's own\r\n");
        dir->write(QStringLiteral("glym30.ini"), "[Check]\r\nFile Name=access.txt\r\n[Cache Skip]\r\nFile "
                                                 "Name=skip.txt\r\n[Router]\r\nFile Name=router.txt\r\n");
        answers->pushBox(QMessageBox::Yes);
        start();
        QVERIFY(answers->seen().at(0).text.contains(QStringLiteral("./skip.txt.7hYt2m")));
        QVERIFY(!answers->seen().at(0).text.contains(QStringLiteral("router")));
        QCOMPARE(dir->read(QStringLiteral("access.txt.bak")), QByteArray("GN:1:Older:\r\n"));
        QVERIFY(!dir->exists(QStringLiteral("access.txt.K3b9Qz.bak")));
        QVERIFY(!dir->exists(QStringLiteral("skip.txt.7hYt2m")));
        QVERIFY(dir->exists(QStringLiteral(".router.txt.old-Q2w3e4")));
        QVERIFY(dir->exists(QStringLiteral("skip.txt.backup")));
        QVERIFY2(note().contains(QStringLiteral("access.txt.bak was put back")), qPrintable(note()));
        QVERIFY2(note().contains(QStringLiteral(".router.txt.old-Q2w3e4 is left over")), qPrintable(note()));
    }

    // A save that changes only a setting leaves the rule files as they are: not rewritten (in the window's order),
    // and their backups kept. A rule file the user changed is written, with the previous content as backup.
    void unchangedRuleFilesAreNotWritten() {
        const QByteArray access = "GN:2:Two:\r\nGN:1:One:\r\nXX:not a rule\r\n";
        dir->write(QStringLiteral("access.txt"), access);
        dir->write(QStringLiteral("access.txt.bak"), "the backup\r\n");
        start(serverFile("access.txt"));
        child<QLineEdit>("EditTreadsCount")->setText(QStringLiteral("16"));
        save();
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("Threads=16\r\n"));
        QCOMPARE(dir->read(QStringLiteral("access.txt")), access);
        QCOMPARE(dir->read(QStringLiteral("access.txt.bak")), QByteArray("the backup\r\n"));
        QVERIFY(note().contains(QStringLiteral("1 line of access.txt"))); // the line left out is still there

        window->Groups.find(1)->SetGroupLine("GN:1:Uno:");
        window->ConfigChanged = true;
        save();
        QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray("GN:0:AllUsers:\r\nGN:1:Uno:\r\nGN:2:Two:\r\n"));
        QCOMPARE(dir->read(QStringLiteral("access.txt.bak")), access);
        QVERIFY(note().isEmpty());
    }
};

QTEST_MAIN(TestFirstHour)
#include "test_firsthour.moc"
