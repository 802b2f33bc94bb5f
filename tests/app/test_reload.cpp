#include "app/ConfigurationDirectory.h"
#include "app/Main.h"

#include "support/GuiTestSupport.h"
#include "support/ListReading.h"
#include "support/PermissionsHold.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Reading the files again (File > Reload, the tool button), and what a save does about files that someone else
// changed on disk since they were read, or that could not be read at all.
class TestReload : public QObject, WindowTest {
    Q_OBJECT

    static constexpr char kServerFile[] = "[Server]\r\nPort=3128\r\n[Check]\r\nFile Name=access.txt\r\n"
                                          "[Cache Skip]\r\nFile Name=skip.txt\r\n[Router]\r\nFile Name=router.txt\r\n";
    static constexpr char kAccessFile[] = "GN:0:AllUsers:\r\nGN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:lan\r\n"
                                          "PA:1:intranet.example.com:\r\nTL:1:102400:\r\n";
    static constexpr char kSkipFile[] = "SA:www.example.com:\r\n";
    static constexpr char kRouterFile[] = "CS:192.168.1.25:\r\nCR:110:110:pop.example.com:pop3:1:1:1:1:1:mail\r\n";

    int rows(const char* list) const { return listview::rowCount(child<QAbstractItemView>(list)); }
    QToolButton* droppedLinesNote() const {
        return window->findChild<QToolButton*>(QStringLiteral("DroppedLinesNote"));
    }
    void typePort(const QString& port) {
        auto* field = child<QLineEdit>("EditProxyPort");
        field->selectAll();
        QTest::keyClicks(field, port);
    }
    // Writes a file as another program would: a new inode, and a time that differs from the one read.
    // A change of the window's rules of a rule file (nothing for glym30.ini).
    void changeRulesOf(const QString& file) {
        if (file == QLatin1String("access.txt"))
            window->Groups.find(1)->SetGroupLine("GN:1:Office:upstairs");
        else if (file == QLatin1String("skip.txt"))
            window->CacheSkipLines.push_back("SD:/cgi-bin/:");
        else if (file == QLatin1String("router.txt"))
            window->StandardServiceLines[2] = "CN:news.example:";
    }
    void writeOutside(const QString& name, const QByteArray& bytes) const {
        dir->write(name + QStringLiteral(".new"), bytes);
        QVERIFY(QFile::rename(dir->path(name + QStringLiteral(".new")), dir->path(name)) ||
                (QFile::remove(dir->path(name)) &&
                 QFile::rename(dir->path(name + QStringLiteral(".new")), dir->path(name))));
        const timespec times[2] = {{0, UTIME_NOW}, {1'000'000'000, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(dir->path(name)).constData(), times, 0), 0);
    }
    // Every list holds what a start on the files shows.
    void verifyListsAsStarted(int networks) const {
        QCOMPARE(rows("GroupName"), 2);
        QCOMPARE(rows("LNetwork"), networks);
        QCOMPARE(rows("LUrl"), 1);
        QCOMPARE(rows("LLimit"), 1);
        QCOMPARE(rows("CacheSkipRules"), 1);
        QCOMPARE(rows("RouterRules"), 1);
        QCOMPARE(child<QLineEdit>("POP3address")->text(), QStringLiteral("Used Manual Service"));
        QCOMPARE(child<QLineEdit>("SMTPaddress")->text(), QStringLiteral("192.168.1.25"));
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

    // Unsaved changes are asked about first. Whatever is read again fills every list once, as at start-up.
    void reloadQuestion_data() {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer"); // QMessageBox::NoButton: no question expected
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QString>("portShown");
        QTest::addColumn<bool>("changedAfter");
        QTest::newRow("no changes: no question")
            << false << int(QMessageBox::NoButton) << false << true << "3128" << false;
        QTest::newRow("Save") << true << int(QMessageBox::Save) << false << false << "9090" << false;
        QTest::newRow("Save fails: no reload") << true << int(QMessageBox::Save) << true << true << "9090" << true;
        QTest::newRow("Discard") << true << int(QMessageBox::Discard) << false << true << "3128" << false;
        QTest::newRow("Cancel") << true << int(QMessageBox::Cancel) << false << false << "9090" << true;
    }
    void reloadQuestion() {
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(bool, saveFails);
        QFETCH(bool, byMenu);
        QFETCH(QString, portShown);
        QFETCH(bool, changedAfter);
        if (edited)
            typePort(QStringLiteral("9090"));
        if (saveFails)
            QVERIFY(QFile::setPermissions(dir->path(QStringLiteral("glym30.ini")), QFile::ReadOwner));
        if (answer != QMessageBox::NoButton)
            answers->pushBox(QMessageBox::StandardButton(answer));
        if (saveFails)
            answers->pushBox(QMessageBox::Ok);
        const bool reloads = !changedAfter;

        if (byMenu)
            child<QAction>("Reload1")->trigger();
        else
            child<QToolButton>("ButtonReload")->click();

        if (answer != QMessageBox::NoButton) {
            QCOMPARE(answers->seen().front().text, QStringLiteral("Save changes to config before reloading?"));
            QCOMPARE(answers->seen().front().caption, QStringLiteral("Confirm"));
        }
        if (saveFails)
            QVERIFY(answers->seen().back().text.startsWith(QStringLiteral("Unable to write to ./glym30.ini")));
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), portShown);
        QCOMPARE(window->ConfigChanged, changedAfter);
        const bool saved = answer == QMessageBox::Save && !saveFails;
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")).contains("Port=9090\r\n"), saved);
        QVERIFY(!dir->exists(QStringLiteral("access.txt.bak"))); // its rules did not change: it is not written
        verifyListsAsStarted(1);
        if (reloads) // a second reload shows the same rows, not twice as many
            child<QAction>("Reload1")->trigger();
        verifyListsAsStarted(1);
    }

    // The memory total keeps the unit chosen through a reload; in bytes it is the exact product again.
    void memoryTotalKeepsItsUnit_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("afterReload");
        QTest::newRow("MB") << "SwitchMB"
                            << "4.000"
                            << "4.000";
        QTest::newRow("kB") << "SwitchKB"
                            << "4096.000"
                            << "4096.000";
        QTest::newRow("B") << "SwitchB"
                           << "4194304.000"
                           << "4194304";
    }
    void memoryTotalKeepsItsUnit() {
        QFETCH(QString, unit);
        QFETCH(QString, shown);
        QFETCH(QString, afterReload);
        auto* total = child<QLineEdit>("EditMemoryTotal");
        child<QRadioButton>(unit == QLatin1String("SwitchB") ? "SwitchGB" : "SwitchB")->click();
        child<QRadioButton>(unit.toLatin1().constData())->click();
        QCOMPARE(total->text(), shown);
        child<QAction>("Reload1")->trigger();
        QVERIFY(child<QRadioButton>(unit.toLatin1().constData())->isChecked());
        QCOMPARE(total->text(), afterReload);
        QVERIFY(!window->ConfigChanged);
    }

    // File > Open Configuration Directory (Ctrl+O) reads another directory's files as --dir does, after the
    // question about unsaved changes; the directories opened are listed latest first under Recent Directories, a
    // listed one opens again from there, and the list is kept in the preferences.
    void openAnotherDirectory() {
        QTemporaryDir other;
        const QString otherPath = QDir(other.path()).absolutePath();
        auto write = [&otherPath](const char* name, const QByteArray& bytes) {
            QFile file(QDir(otherPath).filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write("glym30.ini", "[Server]\r\nPort=8080\r\n[Check]\r\nFile Name=access.txt\r\n");
        write("access.txt", "GN:1:Office:\r\nGN:2:Far:\r\nGN:3:Away:\r\n");
        QString askedFrom;
        const auto previous = configurationdirectory::choose;
        const auto restore = qScopeGuard([&previous] { configurationdirectory::choose = previous; });
        configurationdirectory::choose = [&](QWidget*, const QString& start) {
            askedFrom = start;
            return otherPath;
        };
        QAction* open = child<QAction>("OpenConfigDirAction");
        QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        auto recent = [this] {
            QStringList listed;
            for (QAction* entry : child<QMenu>("RecentDirs1")->actions())
                listed << entry->data().toString();
            return listed;
        };
        const QString here = QFileInfo(dir->executable()).absolutePath();
        QCOMPARE(recent(), QStringList{here});

        typePort(QStringLiteral("9090"));
        answers->pushBox(QMessageBox::Cancel);
        open->trigger();
        QCOMPARE(answers->seen().back().text,
                 QStringLiteral("Save changes to config before opening another directory?"));
        QCOMPARE(askedFrom, here);
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("9090"));
        QCOMPARE(window->ProgramDir, here);

        answers->pushBox(QMessageBox::Discard);
        open->trigger();
        QCOMPARE(window->ProgramDir, otherPath);
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("8080"));
        QCOMPARE(rows("GroupName"), 4); // with the group 0 every file has
        QCOMPARE(rows("LUrl"), 0);
        QVERIFY(!window->ConfigChanged);
        QVERIFY(window->windowTitle().contains(otherPath + QStringLiteral("/glym30.ini")));
        QVERIFY(!child<QAction>("UndoAction")->isEnabled());
        QCOMPARE(recent(), (QStringList{otherPath, here}));
        QVERIFY(!dir->read(QStringLiteral("glym30.ini")).contains("9090")); // discarded

        child<QMenu>("RecentDirs1")->actions().at(1)->trigger(); // nothing changed: no question
        QCOMPARE(window->ProgramDir, here);
        verifyListsAsStarted(1);
        QCOMPARE(recent(), (QStringList{here, otherPath}));
        QVERIFY(window->close());
        QVERIFY2(dir->read(QStringLiteral("glymconf.ini"))
                     .endsWith("[Recent Directories]\r\nDirectory1=" + here.toUtf8() +
                               "\r\nDirectory2=" + otherPath.toUtf8() + "\r\n"),
                 dir->read(QStringLiteral("glymconf.ini")).constData());

        // At the next start the list is there; a directory gone meanwhile is shown disabled, and opening it says so
        // and takes it off the list.
        QVERIFY(other.remove());
        restart();
        QCOMPARE(recent(), (QStringList{here, otherPath}));
        QVERIFY(QMetaObject::invokeMethod(child<QMenu>("RecentDirs1"), "aboutToShow"));
        QVERIFY(child<QMenu>("RecentDirs1")->actions().at(0)->isEnabled());
        QVERIFY(!child<QMenu>("RecentDirs1")->actions().at(1)->isEnabled());
        answers->pushBox(QMessageBox::Ok);
        QVERIFY(!window->OpenConfigDir(otherPath));
        QCOMPARE(answers->seen().back().text, QStringLiteral("The directory \"%1\" does not exist.").arg(otherPath));
        QCOMPARE(recent(), QStringList{here});
        QCOMPARE(window->ProgramDir, here);
    }

    // A reload shows what the files hold now, the lines left out of them included. A save that leaves the file
    // alone keeps those lines and the note; one that writes the file (its rules changed) takes both away.
    void reloadReadsTheFilesAsTheyAreNow() {
        QVERIFY(!droppedLinesNote());
        writeOutside(QStringLiteral("access.txt"), QByteArray(kAccessFile) + "GD:1:10.1.0.0:255.255.0.0:\r\nXX:1\r\n");
        writeOutside(QStringLiteral("router.txt"), "CS:192.168.1.25:\r\n");
        child<QAction>("Reload1")->trigger();
        QCOMPARE(rows("LNetwork"), 2);
        QCOMPARE(rows("RouterRules"), 0);
        QCOMPARE(child<QLineEdit>("POP3address")->text(), QString());
        QVERIFY(!child<QLineEdit>("POP3address")->isReadOnly());
        QVERIFY(!window->ConfigChanged);
        QVERIFY(droppedLinesNote());
        QCOMPARE(droppedLinesNote()->text(), QStringLiteral("1 line of access.txt will not be kept - details"));

        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY(droppedLinesNote());
        QVERIFY(dir->read(QStringLiteral("access.txt")).contains("XX:1"));
        window->Groups.find(1)->SetGroupLine("GN:1:Office:upstairs");
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY(!droppedLinesNote());
        QVERIFY(!dir->read(QStringLiteral("access.txt")).contains("XX:1"));
    }

    // A file someone else changed since it was read is named before a save would overwrite it. The window's rules
    // of a rule file changed here are changed in the window too: a save does not write a rule file it did not change.
    void outsideChange_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("outside"); // null: the same bytes written again
        QTest::addColumn<int>("answer");         // Save is "Overwrite", Reset "Reload"; NoButton: no question
        QTest::addColumn<QString>("listed");

        QTest::newRow("settings file, Overwrite") << "glym30.ini" << QByteArray("[Server]\r\nPort=7070\r\n")
                                                  << int(QMessageBox::Save) << "./glym30.ini (changed)";
        QTest::newRow("rule file, Reload") << "access.txt"
                                           << QByteArray("GN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:lan\r\n"
                                                         "GD:1:10.9.0.0:255.255.0.0:\r\n")
                                           << int(QMessageBox::Reset) << "access.txt (changed)";
        QTest::newRow("rule file deleted, Cancel")
            << "router.txt" << QByteArray() << int(QMessageBox::Cancel) << "router.txt (deleted)";
        QTest::newRow("same bytes again: no question")
            << "skip.txt" << QByteArray(kSkipFile) << int(QMessageBox::NoButton) << QString();
    }
    void outsideChange() {
        QFETCH(QString, file);
        QFETCH(QByteArray, outside);
        QFETCH(int, answer);
        QFETCH(QString, listed);
        typePort(QStringLiteral("9090"));
        changeRulesOf(file);
        if (outside.isNull())
            QVERIFY(QFile::remove(dir->path(file)));
        else
            writeOutside(file, outside);
        if (answer != QMessageBox::NoButton)
            answers->pushBox(QMessageBox::StandardButton(answer));
        // The port was changed both here and there: which value stays is asked next ("Use mine").
        const bool bothChanged = file == QLatin1String("glym30.ini") && answer == QMessageBox::Save;
        if (bothChanged)
            answers->pushBox(QMessageBox::Save);

        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        if (bothChanged)
            QVERIFY2(
                answers->seen().back().text.contains(QStringLiteral("[Server] Port: here \"9090\", on disk \"7070\"")),
                qPrintable(answers->seen().back().text));

        const bool saved = answer == QMessageBox::Save || answer == QMessageBox::NoButton;
        if (answer != QMessageBox::NoButton) {
            QVERIFY2(answers->seen().front().text.contains(QStringLiteral("\n    ") + listed + QStringLiteral("\n")),
                     qPrintable(answers->seen().front().text));
            QCOMPARE(answers->seen().front().caption, QStringLiteral("Warning"));
        }
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")).contains("Port=9090\r\n"), saved);
        if (!saved)
            QCOMPARE(dir->read(file), outside);
        else if (file != QLatin1String("glym30.ini"))
            QCOMPARE(dir->read(file), contentToSave(*window, file));
        QVERIFY(!dir->exists(QStringLiteral("access.txt.bak")) || file == QLatin1String("access.txt"));
        if (answer == QMessageBox::Reset) { // the window shows the files as they are now
            QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("3128"));
            QCOMPARE(rows("LNetwork"), 2);
        }
        QCOMPARE(window->ConfigChanged, answer == QMessageBox::Cancel);

        // The files now hold what the window read or wrote: the next save asks nothing (Cancel: the same question).
        if (answer == QMessageBox::Cancel)
            answers->pushBox(QMessageBox::Save);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY(answers->allAnswered());
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("Port=9090\r\n") || answer == QMessageBox::Reset);
    }

    // Two windows on one directory: B read the files before A saved. B's save keeps what A changed and B did not
    // (A's check box stays as A saved it), writes what B changed, and asks about a key both changed.
    void secondWindowKeepsTheChangesOfTheFirst_data() {
        QTest::addColumn<bool>("bothChangePort");
        QTest::addColumn<int>("answer"); // to the question about the port: Save "Use mine", Discard "Keep theirs"

        QTest::newRow("different keys") << false << int(QMessageBox::NoButton);
        QTest::newRow("both change the port, Use mine") << true << int(QMessageBox::Save);
        QTest::newRow("both change the port, Keep theirs") << true << int(QMessageBox::Discard);
        QTest::newRow("both change the port, Cancel") << true << int(QMessageBox::Cancel);
    }
    void secondWindowKeepsTheChangesOfTheFirst() {
        QFETCH(bool, bothChangePort);
        QFETCH(int, answer);
        const auto second = std::make_unique<TMainWnd>(dir->executable());
        child<QCheckBox>("UsersEnabled")->setChecked(true);
        if (bothChangePort)
            typePort(QStringLiteral("7070"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        const QByteArray savedByFirst = dir->read(QStringLiteral("glym30.ini"));
        QVERIFY(savedByFirst.contains("[Users]\r\nEnable=1\r\n"));

        second->findChild<QRadioButton*>(QStringLiteral("FileCache"))->setChecked(true);
        if (bothChangePort)
            second->findChild<QLineEdit*>(QStringLiteral("EditProxyPort"))->setText(QStringLiteral("9090"));
        answers->pushBox(QMessageBox::Save); // "Overwrite": glym30.ini was changed since B read it
        if (answer != QMessageBox::NoButton)
            answers->pushBox(QMessageBox::StandardButton(answer));
        QVERIFY(QMetaObject::invokeMethod(second.get(), "ButtonSaveClick"));
        QVERIFY(answers->allAnswered());
        QCOMPARE(answers->seen().size(), answer == QMessageBox::NoButton ? 1u : 2u);
        if (answer != QMessageBox::NoButton)
            QVERIFY2(answers->seen().back().text.contains(
                         QStringLiteral("\n    [Server] Port: here \"9090\", on disk \"7070\"\n")),
                     qPrintable(answers->seen().back().text));

        QByteArray expected = savedByFirst;
        if (answer != QMessageBox::Cancel)
            expected.replace("Cache Type=1\r\n", "Cache Type=2\r\n");
        if (answer == QMessageBox::Save)
            expected.replace("Port=7070\r\n", "Port=9090\r\n");
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), expected);
        QCOMPARE(second->ConfigChanged, answer == QMessageBox::Cancel);
    }

    // A rule added to a file while the question about it is open is not overwritten unseen: the save stops with
    // nothing changed and asks again, naming the file; only a second Overwrite replaces it (its content then in the
    // backup).
    void changeWhileTheQuestionIsOpen() {
        typePort(QStringLiteral("9090"));
        changeRulesOf(QStringLiteral("access.txt"));
        writeOutside(QStringLiteral("access.txt"), QByteArray(kAccessFile) + "GD:1:10.7.0.0:255.255.0.0:\r\n");
        const QByteArray during = QByteArray(kAccessFile) + "GD:1:10.8.0.0:255.255.0.0:\r\n";
        answers->push([this, during](QWidget* box) {
            writeOutside(QStringLiteral("access.txt"), during);
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Save)->click();
        });
        answers->pushBox(QMessageBox::Cancel);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY(answers->allAnswered());
        QCOMPARE(answers->seen().size(), std::size_t(1)); // the second question (the first was answered by hand)
        QVERIFY(answers->seen().back().text.contains(QStringLiteral("access.txt (changed)")));
        QCOMPARE(dir->read(QStringLiteral("access.txt")), during);
        QVERIFY(!dir->read(QStringLiteral("glym30.ini")).contains("Port=9090"));

        answers->pushBox(QMessageBox::Save);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QCOMPARE(dir->read(QStringLiteral("access.txt.bak")), during);
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("Port=9090"));
    }

    // Yes in the close question saves as the button does: Reload there reads the files and keeps the window open.
    void closeQuestionWithOutsideChange() {
        QVERIFY(showWindow());
        typePort(QStringLiteral("9090"));
        writeOutside(QStringLiteral("glym30.ini"), QByteArray(kServerFile) + "[Extra]\r\nKey=1\r\n");
        answers->pushBox(QMessageBox::Yes);
        answers->pushBox(QMessageBox::Reset);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(valueOf(QStringLiteral("EditProxyPort")), QStringLiteral("3128"));
        QVERIFY(!window->ConfigChanged);
        QVERIFY(window->close());
    }

    // A rule file that exists but could not be read is not replaced unless the user says so (when the window's
    // rules of it changed; otherwise it is not written at all); after a reload that reads it, the save asks nothing.
    void unreadableRuleFile_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel") << int(QMessageBox::Cancel);
        QTest::newRow("Overwrite") << int(QMessageBox::Save);
    }
    void unreadableRuleFile() {
        QFETCH(int, answer);
        window.reset();
        const QString access = dir->path(QStringLiteral("access.txt"));
        QVERIFY(QFile::setPermissions(access, {}));
        answers->pushBox(QMessageBox::Ok);
        {
            const PermissionsHold asUser;
            start();
        }
        QCOMPARE(answers->seen().back().text, QStringLiteral("Cannot open file \"access.txt\". Permission denied"));
        QCOMPARE(rows("LNetwork"), 0);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick")); // nothing of it changed: no question
        const QByteArray settingsSaved = dir->read(QStringLiteral("glym30.ini"));
        QVERIFY(QFile::setPermissions(access, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray(kAccessFile));
        QVERIFY(QFile::setPermissions(access, {}));

        window->Groups.create(2).SetGroupLine("GN:2:Guests:");
        answers->pushBox(QMessageBox::StandardButton(answer));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY2(answers->seen().back().text.contains(QStringLiteral("\n    access.txt (Permission denied)\n")),
                 qPrintable(answers->seen().back().text));
        QVERIFY(QFile::setPermissions(access, QFile::ReadOwner | QFile::WriteOwner));
        if (answer == QMessageBox::Cancel) {
            QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray(kAccessFile));
            QVERIFY(!dir->exists(QStringLiteral("access.txt.bak")));
            QVERIFY(!dir->exists(QStringLiteral("skip.txt.bak")));
            QCOMPARE(dir->read(QStringLiteral("glym30.ini")), settingsSaved);
            child<QToolButton>("ButtonReload")->click();
            QCOMPARE(rows("LNetwork"), 1);
            QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
            QVERIFY(dir->read(QStringLiteral("access.txt")).contains("GD:1:10.0.0.0:255.0.0.0:lan\r\n"));
        } else {
            QCOMPARE(dir->read(QStringLiteral("access.txt")), QByteArray("GN:2:Guests:\r\n"));
            QCOMPARE(dir->read(QStringLiteral("access.txt.bak")), QByteArray(kAccessFile));
        }
        QVERIFY(answers->allAnswered());
    }
};

QTEST_MAIN(TestReload)
#include "test_reload.moc"
