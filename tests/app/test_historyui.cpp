#include "app/Main.h"

#include "history/Store.h"
#include "session/ChangesDialog.h"
#include "session/ChangesView.h"
#include "session/HistoryDialog.h"
#include "session/HistoryModel.h"
#include "support/GuiTestSupport.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

// Reviewing and undoing saves in the window: the diff view, View > Changes, Show changes in the close question and
// in the outside-change question (both sides), the history dialog and its Restore, and the comment of a save.
class TestHistoryUi : public QObject, WindowTest {
    Q_OBJECT

    void startOnExample() {
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            QVERIFY(QFile::copy(QStringLiteral(GLYM_TEST_DATA "/../../examples/") + QLatin1String(name),
                                dir->path(QLatin1String(name))));
        start();
    }
    QMap<QString, QByteArray> files() const {
        QMap<QString, QByteArray> bytes;
        for (const char* name : {"glym30.ini", "access.txt", "skip.txt", "router.txt"})
            bytes[QLatin1String(name)] = dir->read(QLatin1String(name));
        return bytes;
    }
    void saveWithPort(const QString& port) {
        child<QLineEdit>("EditProxyPort")->setText(port);
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
    }
    // Writes a file as another program would: a new inode and another time.
    void writeOutside(const QString& name, const QByteArray& bytes) const {
        dir->write(name + QStringLiteral(".new"), bytes);
        QVERIFY(QFile::remove(dir->path(name)));
        QVERIFY(QFile::rename(dir->path(name + QStringLiteral(".new")), dir->path(name)));
        const timespec times[2] = {{0, UTIME_NOW}, {1'000'000'000, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(dir->path(name)).constData(), times, 0), 0);
    }
    history::Store store() const {
        return history::Store(history::storeDirectory({.userRoot = history::defaultUserRoot()},
                                                      QFile::encodeName(dir->path(QString())).toStdString()));
    }

    // Every row of the diff shown, its text behind its numbers ("3 3  GN:0:All" or "  4 +Port=3129").
    static QStringList shownLines(const ChangesView* view) {
        const DiffLinesModel& model = view->lines();
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            auto cell = [&](int column) {
                return model.index(row, column).data().toString();
            };
            rows << QStringLiteral("%1 %2 %3")
                        .arg(cell(DiffLinesModel::OlderLine), cell(DiffLinesModel::NewerLine),
                             cell(DiffLinesModel::Text))
                        .trimmed();
        }
        return rows;
    }
    static QStringList listedFiles(const ChangesView* view) {
        QStringList names;
        auto* list = view->findChild<QListWidget*>(QStringLiteral("ChangedFiles"));
        for (int row = 0; row < list->count(); ++row)
            names << list->item(row)->text();
        return names;
    }
    // A check that fails inside an answer returns from it: the dialog is closed then, so that the test goes on.
    static auto closedOnFailure(QWidget* dialog) {
        return qScopeGuard([dialog] {
            if (QTest::currentTestFailed())
                dialog->close();
        });
    }
    static void clickNamed(QWidget* box, const char* name) {
        auto* button = box->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        button->click();
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    // The rows of a known change: a hunk's "@@" line, each line with its numbers on the two sides, Windows-1251
    // decoded, a long line shortened to 300 characters on screen, the missing line end said; added lines on
    // green and removed on red, mixed with the palette's base so that a dark palette stays dark.
    void diffLinesOfAKnownChange_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light palette") << false;
        QTest::newRow("dark palette") << true;
    }
    void diffLinesOfAKnownChange() {
        QFETCH(bool, dark);
        const QPalette before = QGuiApplication::palette();
        if (dark) {
            QPalette palette = before;
            palette.setColor(QPalette::Base, QColor(30, 30, 30));
            palette.setColor(QPalette::Text, QColor(230, 230, 230));
            QGuiApplication::setPalette(palette);
        }
        const std::string longLine(1000, 'x');
        const textdiff::FileDiff diff =
            textdiff::diffLines("GN:0:All:\r\nGN:1:\xCE\xF4\xE8\xF1:\r\nGN:2:Old:\r\n",
                                "GN:0:All:\r\nGN:1:\xCE\xF4\xE8\xF1:\r\nGN:2:New:\r\n" + longLine);
        DiffLinesModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setDiff(&diff);
        ChangesView view;
        view.setChanges({{history::FileRole::AccessRules, "access.txt", "access.txt", diff}}, QString());
        QCOMPARE(
            shownLines(&view),
            QStringList({"@@ -1,3 +1,4 @@", "1 1  GN:0:All:", "2 2  GN:1:\u041E\u0444\u0438\u0441:", "3  -GN:2:Old:",
                         "3 +GN:2:New:", "4 +" + QString(299, u'x') + QChar(0x2026), "\\ No newline at end of file"}));
        QCOMPARE(listedFiles(&view), QStringList("access.txt  +2 -1"));
        QCOMPARE(view.summary(), QStringLiteral("Files changed: 1, lines +2 -1"));

        const QColor base = QGuiApplication::palette().color(QPalette::Base);
        const auto removed = view.lines().index(3, DiffLinesModel::Text).data(Qt::BackgroundRole).value<QColor>();
        const auto added = view.lines().index(4, DiffLinesModel::Text).data(Qt::BackgroundRole).value<QColor>();
        QVERIFY(removed.red() > removed.green() && added.green() > added.red());
        QVERIFY(!view.lines().index(1, DiffLinesModel::Text).data(Qt::BackgroundRole).isValid());
        QVERIFY(std::abs(added.lightness() - base.lightness()) < 80); // readable with the palette's text
        QGuiApplication::setPalette(before);
    }

    // The files list names new, deleted, renamed and unchanged files with their counts.
    void filesListed() {
        ChangesView view;
        view.setChanges({{history::FileRole::Settings, "glym30.ini", "glym30.ini", textdiff::diffLines("a\n", "a\n")},
                         {history::FileRole::AccessRules, "", "access.txt", textdiff::diffLines("", "a\nb\n")},
                         {history::FileRole::CacheSkip, "skip.txt", "", textdiff::diffLines("a\n", "")},
                         {history::FileRole::PortMapping, "old.txt", "new.txt", textdiff::diffLines("a\n", "b\n")}},
                        QStringLiteral("nothing"));
        QCOMPARE(listedFiles(&view), QStringList({"glym30.ini  +0 -0 (unchanged)", "access.txt  +2 -0 (new)",
                                                  "skip.txt  +0 -1 (deleted)", "old.txt \u2192 new.txt  +1 -1"}));
        QCOMPARE(view.summary(), QStringLiteral("Files changed: 3, lines +3 -2"));
        QCOMPARE(shownLines(&view).first(), QStringLiteral("@@ -0,0 +1,2 @@")); // the first file that changes
        view.setChanges({}, QStringLiteral("nothing"));
        QCOMPARE(view.summary(), QStringLiteral("nothing"));
        QCOMPARE(view.lines().rowCount(), 0);
    }

    // Every list, box and button of the dialogs has a hint.
    void everyControlHasAHint() {
        const ChangesDialog changes({}, nullptr);
        const OutsideChangesDialog sides({}, nullptr);
        const QTemporaryDir empty;
        const HistoryDialog history({empty.path().toStdString(), {}, {}, {}});
        for (const QDialog* dialog : std::initializer_list<const QDialog*>{&changes, &sides, &history}) {
            QStringList without;
            for (const QWidget* control : dialog->findChildren<QWidget*>()) {
                const bool input = qobject_cast<const QAbstractItemView*>(control) ||
                                   qobject_cast<const QComboBox*>(control) ||
                                   qobject_cast<const QAbstractButton*>(control);
                if (input && !control->objectName().isEmpty() && !control->objectName().startsWith(u"qt_") &&
                    control->toolTip().isEmpty())
                    without << control->objectName();
            }
            QVERIFY2(without.isEmpty(), qPrintable(dialog->objectName() + QStringLiteral(": ") + without.join(u' ')));
        }
        QCOMPARE(history.model().rowCount(), 0);
        QVERIFY(history.findChild<QLabel*>(QStringLiteral("HistoryProblems"))
                    ->text()
                    .contains(QStringLiteral("No save has been recorded yet.")));
    }

    // View > Changes (Ctrl+D): what a save would write, against the disk, the field being typed included.
    void changesAction() {
        startOnExample();
        auto* action = child<QAction>("ChangesAction");
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        answers->pushDialog<ChangesDialog>([](ChangesDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            QCOMPARE(dialog->view()->summary(),
                     QStringLiteral("Nothing to save: the files hold what the window shows."));
            dialog->reject();
        });
        action->trigger();
        child<QLineEdit>("EditProxyPort")->setText(QStringLiteral("3129"));
        window->CacheSkipLines.push_back("SD:*.cgi:");
        answers->pushDialog<ChangesDialog>([](ChangesDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            QCOMPARE(listedFiles(dialog->view()), QStringList({"glym30.ini  +1 -1", "skip.txt  +1 -0"}));
            QVERIFY(shownLines(dialog->view()).contains(QStringLiteral("3  -Port=3128")));
            QVERIFY(shownLines(dialog->view()).contains(QStringLiteral("3 +Port=3129")));
            dialog->reject();
        });
        action->trigger();
        QVERIFY(answers->allAnswered());
        QVERIFY(!dir->read(QStringLiteral("glym30.ini")).contains("Port=3129")); // only shown
    }

    // Show changes in the close question shows them, then asks again: the question keeps its text and buttons.
    void closeQuestionShowsChanges() {
        startOnExample();
        QVERIFY(showWindow());
        child<QLineEdit>("EditProxyPort")->setText(QStringLiteral("3129"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ValueChange"));
        QMessageBox::StandardButtons buttons;
        answers->push([&buttons](QWidget* box) {
            const auto guard = closedOnFailure(box);
            QCOMPARE(qobject_cast<QMessageBox*>(box)->text(), QStringLiteral("Save changes to config?"));
            buttons = qobject_cast<QMessageBox*>(box)->standardButtons();
            clickNamed(box, "ShowChangesButton");
        });
        answers->pushDialog<ChangesDialog>([](ChangesDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            QCOMPARE(listedFiles(dialog->view()), QStringList("glym30.ini  +1 -1"));
            dialog->reject();
        });
        answers->pushBox(QMessageBox::Cancel);
        QVERIFY(!window->close());
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(answers->seen().back().text, QStringLiteral("Save changes to config?"));
        QVERIFY(answers->allAnswered());
        QVERIFY(window->ConfigChanged);
    }

    // The outside-change question's Show changes shows their change and the window's side by side, each against
    // what the window read, and takes the answer there: Overwrite saves over theirs (glym30.ini merged key by key),
    // Reload takes their lines into the window, Cancel saves nothing; closing it asks the question again.
    void outsideChangeShowsBothSides_data() {
        QTest::addColumn<int>("answer"); // Save "Overwrite", Reset "Reload", Cancel; NoButton: back to the question
        QTest::newRow("Overwrite") << int(QMessageBox::Save);
        QTest::newRow("Reload") << int(QMessageBox::Reset);
        QTest::newRow("Cancel") << int(QMessageBox::Cancel);
        QTest::newRow("closed, then Cancel") << int(QMessageBox::NoButton);
    }
    void outsideChangeShowsBothSides() {
        QFETCH(int, answer);
        startOnExample();
        const QByteArray read = dir->read(QStringLiteral("glym30.ini"));
        QByteArray theirs = read;
        theirs.replace("Threads=32", "Threads=64");
        writeOutside(QStringLiteral("glym30.ini"), theirs);
        window->CacheSkipLines.push_back("SD:*.cgi:");
        answers->push([](QWidget* box) { clickNamed(box, "ShowChangesButton"); });
        answers->pushDialog<OutsideChangesDialog>([answer](OutsideChangesDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            QCOMPARE(listedFiles(dialog->theirs()), QStringList("glym30.ini  +1 -1"));
            QVERIFY(shownLines(dialog->theirs()).contains(QStringLiteral("5 +Threads=64")));
            QCOMPARE(listedFiles(dialog->ours()), QStringList({"glym30.ini  +1 -1", "skip.txt  +1 -0"}));
            QVERIFY(shownLines(dialog->ours()).contains(QStringLiteral("3 +Port=3129"))); // not their Threads
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("OutsideChangesButtons"));
            QCOMPARE(buttons->button(QDialogButtonBox::Save)->text(), QStringLiteral("Overwrite"));
            QCOMPARE(buttons->button(QDialogButtonBox::Reset)->text(), QStringLiteral("Reload"));
            if (answer == QMessageBox::Save)
                buttons->button(QDialogButtonBox::Save)->click();
            else if (answer == QMessageBox::Reset)
                buttons->button(QDialogButtonBox::Reset)->click();
            else if (answer == QMessageBox::Cancel)
                buttons->button(QDialogButtonBox::Cancel)->click();
            else
                dialog->reject();
        });
        if (answer == QMessageBox::NoButton)
            answers->pushBox(QMessageBox::Cancel);
        child<QLineEdit>("EditProxyPort")->setText(QStringLiteral("3129"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ButtonSaveClick"));
        QVERIFY(answers->allAnswered());

        const QByteArray now = dir->read(QStringLiteral("glym30.ini"));
        QCOMPARE(now.contains("Threads=64"), true); // theirs stays in every case
        QCOMPARE(now.contains("Port=3129"), answer == QMessageBox::Save);
        QCOMPARE(dir->read(QStringLiteral("skip.txt")).contains("SD:*.cgi:"), answer == QMessageBox::Save);
        QCOMPARE(child<QLineEdit>("EditTreadsCount")->text(),
                 answer == QMessageBox::Reset ? QStringLiteral("64") : QStringLiteral("32"));
        QCOMPARE(window->ConfigChanged, answer != QMessageBox::Save && answer != QMessageBox::Reset);
    }

    // File > History: the saves listed (the model checked), a diff against the one before, the files now and
    // another generation; Restore asks about unsaved changes and changes made outside, writes generation 1 back
    // byte for byte, recorded as generations of their own, and the window reads the files again.
    void historyDialogListsAndRestores() {
        startOnExample();
        saveWithPort(QStringLiteral("3129"));
        const QMap<QString, QByteArray> first = files();
        window->Groups.find(3)->SetGroupLine("GN:3:Guests:upstairs");
        saveWithPort(QStringLiteral("3130"));
        QCOMPARE(store().list().generations.size(), std::size_t(2));
        writeOutside(QStringLiteral("skip.txt"), "SD:/outside/:\r\n");
        child<QLineEdit>("EditProxyPort")->setText(QStringLiteral("7777"));
        QVERIFY(QMetaObject::invokeMethod(window.get(), "ValueChange"));

        answers->pushDialog<HistoryDialog>([this](HistoryDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            QAbstractItemModelTester tester(const_cast<HistoryModel*>(&dialog->model()),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
            const HistoryModel& model = dialog->model();
            QCOMPARE(model.rowCount(), 2);
            auto cell = [&model](int row, int column) {
                return model.index(row, column).data().toString();
            };
            QCOMPARE(cell(0, HistoryModel::Number), QStringLiteral("2"));
            QCOMPARE(cell(0, HistoryModel::FilesChanged), QStringLiteral("2"));
            QCOMPARE(cell(0, HistoryModel::User),
                     QString::fromStdString(history::currentUser() + "@" + history::currentHost()));
            QCOMPARE(cell(1, HistoryModel::Lines), QStringLiteral("+136 -0"));

            dialog->choose(2, HistoryDialog::WithPrevious);
            QCOMPARE(listedFiles(dialog->changes()).mid(0, 2),
                     QStringList({"glym30.ini  +1 -1", "access.txt  +17 -17"}));
            QVERIFY(shownLines(dialog->changes()).contains(QStringLiteral("3 +Port=3130")));
            dialog->choose(2, HistoryDialog::WithFilesNow);
            QVERIFY(listedFiles(dialog->changes()).contains(QStringLiteral("skip.txt  +1 -5")));
            dialog->choose(2, HistoryDialog::WithGeneration, 1);
            QVERIFY(shownLines(dialog->changes()).contains(QStringLiteral("3  -Port=3129")));
            dialog->choose(1, HistoryDialog::WithPrevious);
            // Clicked once this answer is done: the questions of the restore are answered as they come.
            QMetaObject::invokeMethod(dialog->findChild<QPushButton*>(QStringLiteral("RestoreButton")),
                                      &QPushButton::click, Qt::QueuedConnection);
        });
        answers->pushBox(QMessageBox::Yes);     // Restore generation 1?
        answers->pushBox(QMessageBox::Discard); // Save changes to config before restoring?
        answers->pushBox(QMessageBox::Save);    // "Restore": skip.txt was changed outside
        answers->pushDialog<HistoryDialog>([](HistoryDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            QCOMPARE(dialog->model().rowCount(), 4); // listed again
            QCOMPARE(dialog->model().index(0, HistoryModel::Comment).data().toString(),
                     QStringLiteral("Restored generation 1"));
            QCOMPARE(dialog->model().index(1, HistoryModel::Comment).data().toString(),
                     QStringLiteral("As found before restoring generation 1"));
            dialog->reject();
        });
        child<QAction>("HistoryAction")->trigger();
        QVERIFY(answers->allAnswered());
        QVERIFY(answers->seen()[2].text.contains(QStringLiteral("\n    skip.txt (changed)\n")));
        QCOMPARE(files(), first);
        QCOMPARE(child<QLineEdit>("EditProxyPort")->text(), QStringLiteral("3129")); // read again
        QVERIFY(!window->ConfigChanged);
        QVERIFY2(
            child<QLabel>("StatusPanel1")->text().startsWith(QStringLiteral("Restored generation 1 as generation 4.")),
            qPrintable(child<QLabel>("StatusPanel1")->text()));
        QCOMPARE(store().list().generations.front().number, 4u);
    }

    // With the preference on, a save asks for a comment, which the history keeps; Cancel there saves nothing. The
    // preference is written to the preferences file only once it is set.
    void commentAtSave() {
        startOnExample();
        auto* ask = child<QAction>("AskSaveComment");
        QVERIFY(!ask->isChecked());
        saveWithPort(QStringLiteral("3129")); // no question
        QVERIFY(window->close());
        QVERIFY(!dir->read(QStringLiteral("glymconf.ini")).contains("AskSaveComment"));
        restart();
        ask = child<QAction>("AskSaveComment");
        ask->trigger();
        answers->pushDialog<QInputDialog>([](QInputDialog* dialog) { dialog->reject(); });
        saveWithPort(QStringLiteral("3130"));
        QVERIFY(!dir->read(QStringLiteral("glym30.ini")).contains("Port=3130"));
        answers->pushDialog<QInputDialog>([](QInputDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            dialog->setTextValue(QStringLiteral("  before the audit \u2014 ok "));
            dialog->accept();
        });
        saveWithPort(QStringLiteral("3131"));
        QVERIFY(dir->read(QStringLiteral("glym30.ini")).contains("Port=3131"));
        QCOMPARE(QString::fromStdString(store().list().generations.front().comment),
                 QStringLiteral("before the audit \u2014 ok"));
        QVERIFY(window->close());
        const QByteArray preferences = dir->read(QStringLiteral("glymconf.ini"));
        const qsizetype options = preferences.indexOf("[Options]\r\n");
        QVERIFY2(options >= 0 && preferences.mid(options, preferences.indexOf('[', options + 1) - options)
                                     .contains("\r\nAskSaveComment=1\r\n"),
                 preferences.constData());
        restart();
        QVERIFY(child<QAction>("AskSaveComment")->isChecked());
    }

    // Config's history options: the number kept (HistoryKeepAction) prunes at the next save, and the history
    // beside the files goes into .glymconf-history; both come back from the preferences file.
    void historyOptions() {
        startOnExample();
        answers->pushDialog<QInputDialog>([](QInputDialog* dialog) {
            const auto guard = closedOnFailure(dialog);
            dialog->setIntValue(2);
            dialog->accept();
        });
        child<QAction>("HistoryKeepAction")->trigger();
        child<QAction>("HistoryBesideFiles")->trigger();
        for (const char* port : {"3129", "3130", "3131"})
            saveWithPort(QLatin1String(port));
        const QDir beside(dir->path(QStringLiteral(".glymconf-history/generations")));
        QCOMPARE(beside.entryList(QDir::Files), (QStringList{"00000002", "00000003"}));
        QVERIFY(window->close());
        restart();
        QVERIFY(child<QAction>("HistoryBesideFiles")->isChecked());
        saveWithPort(QStringLiteral("3132"));
        QCOMPARE(beside.entryList(QDir::Files), (QStringList{"00000003", "00000004"}));
    }
};

QTEST_MAIN(TestHistoryUi)
#include "test_historyui.moc"
