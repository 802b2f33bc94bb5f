#include "app/Main.h"

#include "support/GuiTestSupport.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>

// The settings controls that do more than hold a value: the memory total with its unit switch, the file pickers
// and the directory chooser of the file cache.
class TestSettingsPages : public QObject, WindowTest {
    Q_OBJECT

    QStringList problems_; // what the dialog answers found wrong

    QLineEdit* field(const char* name) const { return child<QLineEdit>(name); }
    QString total() const { return field("EditMemoryTotal")->text(); }
    void click(const char* button) const { child<QAbstractButton>(button)->click(); }
    QString programDir() const { return QDir(dir->path(QString())).canonicalPath(); }

    // Types a name into a file dialog and presses its accept button ("Open" or "Choose"), as a person does. The
    // press comes from the dialog's own event loop, so that a question it asks can be answered in turn.
    void typeAndAccept(QFileDialog* dialog, const QString& name) {
        if (!name.isNull())
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QPushButton* accept = buttons->button(QDialogButtonBox::Open);
        if (!accept || !accept->isEnabled()) {
            problems_ << QStringLiteral("no enabled accept button for \"%1\"").arg(name);
            dialog->reject();
            return;
        }
        QTimer::singleShot(0, dialog, [this, dialog, accept, name] {
            const std::size_t boxes = answers->seen().size();
            accept->click();
            if (dialog->isVisible() && answers->seen().size() == boxes) {
                problems_ << QStringLiteral("the dialog did not accept \"%1\"").arg(name);
                dialog->reject();
            }
        });
    }

    // The shared file picker: checks where it starts, then types name (a null name: takes what it offers).
    void answerPicker(const QString& name, const QString& expectedDirectory = QString()) {
        answers->pushDialog<QFileDialog>([this, name, expectedDirectory](QFileDialog* dialog) {
            if (dialog->objectName() != QLatin1String("OpenDialog1"))
                problems_ << QStringLiteral("picker is %1").arg(dialog->objectName());
            const QString directory = expectedDirectory.isNull() ? programDir() : expectedDirectory;
            if (dialog->directory().canonicalPath() != directory)
                problems_ << QStringLiteral("picker starts in %1").arg(dialog->directory().path());
            typeAndAccept(dialog, name);
        });
    }
    void cancelDialog() {
        answers->pushDialog<QFileDialog>([](QFileDialog* dialog) {
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        });
    }
    void answerDirectoryChooser(const QString& name) {
        answers->pushDialog<QFileDialog>([this, name](QFileDialog* dialog) {
            if (dialog->windowTitle() != QLatin1String("Select Directory"))
                problems_ << QStringLiteral("chooser titled %1").arg(dialog->windowTitle());
            if (dialog->directory().canonicalPath() != programDir())
                problems_ << QStringLiteral("chooser starts in %1").arg(dialog->directory().path());
            typeAndAccept(dialog, name);
        });
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init() {
        begin();
        dir->write(QStringLiteral("glym30.ini"), QByteArray()); // every setting at its default
        problems_.clear();
    }
    void cleanup() {
        const QStringList answerProblems = finish();
        QLocale::setDefault(QLocale::c());
        verifyNoProblems(problems_);
        verifyNoProblems(answerProblems);
    }

    // The total follows every change of either field, in the unit chosen; choosing a unit is no change.
    void memoryTotal_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("B") << "4096"
                           << "1000"
                           << "SwitchB"
                           << "4096000.000";
        QTest::newRow("kB") << "4096"
                            << "1000"
                            << "SwitchKB"
                            << "4000.000";
        QTest::newRow("MB") << "4096"
                            << "1000"
                            << "SwitchMB"
                            << "3.906";
        QTest::newRow("GB") << "4096"
                            << "1000"
                            << "SwitchGB"
                            << "0.004";
        QTest::newRow("count beyond single precision") << "1"
                                                       << "123456789"
                                                       << "SwitchB"
                                                       << "123456792.000";
        QTest::newRow("4 GB in GB") << "1048576"
                                    << "4096"
                                    << "SwitchGB"
                                    << "4.000";
        QTest::newRow("fractions") << "0.5"
                                   << "3"
                                   << "SwitchB"
                                   << "1.500";
        QTest::newRow("ten integer digits") << "1000000"
                                            << "9999"
                                            << "SwitchB"
                                            << "9999000000.000";
        QTest::newRow("large in GB") << "65536"
                                     << "1000000"
                                     << "SwitchGB"
                                     << "61.035";
    }
    void memoryTotal() {
        QFETCH(QString, size);
        QFETCH(QString, count);
        QFETCH(QString, unit);
        QFETCH(QString, expected);
        start();
        // Typed with bytes shown, then switched to the unit.
        field("EditMemoryPageSize")->setText(size);
        field("EditMemoryPageCount")->setText(count);
        QVERIFY(window->ConfigChanged);
        window->ConfigChanged = false;
        click(unit.toLatin1());
        QCOMPARE(total(), expected);
        QVERIFY(!window->ConfigChanged);
        // Typed with the unit already chosen.
        field("EditMemoryPageCount")->clear();
        field("EditMemoryPageCount")->setText(count);
        QCOMPARE(total(), expected);
    }

    // More than 10 digits before the decimal separator: scientific notation.
    void memoryTotalScientific() {
        start();
        field("EditMemoryPageSize")->setText(QStringLiteral("65536"));
        field("EditMemoryPageCount")->setText(QStringLiteral("1000000"));
        QVERIFY2(QRegularExpression(QStringLiteral("^[1-9](\\.[0-9]+)?E\\+?[0-9]+$")).match(total()).hasMatch(),
                 qPrintable(total()));
        QCOMPARE(total().toDouble(), 65536000000.0);
    }

    // The decimal separator is the user's locale's, for what is typed and for what is shown.
    void memoryTotalInTheUsersLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        start();
        field("EditMemoryPageSize")->setText(QStringLiteral("0,5"));
        field("EditMemoryPageCount")->setText(QStringLiteral("3"));
        QCOMPARE(total(), QStringLiteral("1,500"));
        click("SwitchKB");
        QCOMPARE(total(), QStringLiteral("0,001"));
    }

    void emptyFieldGivesZero_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QByteArray>("emptied");
        for (const char* unit : {"SwitchB", "SwitchKB", "SwitchMB", "SwitchGB"}) {
            QTest::addRow("%s, count", unit) << QString::fromLatin1(unit) << QByteArray("EditMemoryPageCount");
            QTest::addRow("%s, size", unit) << QString::fromLatin1(unit) << QByteArray("EditMemoryPageSize");
        }
    }
    void emptyFieldGivesZero() {
        QFETCH(QString, unit);
        QFETCH(QByteArray, emptied);
        start();
        click(unit.toLatin1());
        field(emptied)->clear();
        QCOMPARE(total(), QStringLiteral("0"));
        click("SwitchB");
        QCOMPARE(total(), QStringLiteral("0"));
        QVERIFY(window->ConfigChanged);
    }

    // A text that is not a number: no box (one per keystroke ate the next keys), the field is marked with the
    // conversion error, the total shows "-", and the change counts for the close question. The next change that
    // gives two numbers clears the mark and updates the total.
    void notANumber_data() {
        QTest::addColumn<QByteArray>("typedInto");
        QTest::addColumn<QString>("message");
        QTest::newRow("size") << QByteArray("EditMemoryPageSize") << "'4k' is not a valid floating point value";
        QTest::newRow("count") << QByteArray("EditMemoryPageCount") << "'1000k' is not a valid floating point value";
    }
    void notANumber() {
        QFETCH(QByteArray, typedInto);
        QFETCH(QString, message);
        start("[Memory Pool]\r\nPage Count=1000\r\nPage Size=4\r\n");
        QCOMPARE(total(), QStringLiteral("4000"));
        QLineEdit* edit = field(typedInto);
        QLineEdit* other = field(typedInto == "EditMemoryPageSize" ? "EditMemoryPageCount" : "EditMemoryPageSize");
        const QString hint = edit->toolTip(); // the field's own, which the complaint replaces while it lasts
        QVERIFY(!hint.isEmpty());
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("kk"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QVERIFY(answers->seen().empty());
        QCOMPARE(edit->text().right(1), QStringLiteral("k")); // every key reached the field
        QVERIFY(edit->property("invalid").toBool());
        QVERIFY(!other->property("invalid").toBool());
        QCOMPARE(edit->toolTip(), message);
        QCOMPARE(total(), QStringLiteral("-"));
        QVERIFY(window->ConfigChanged);
        click("SwitchKB");
        QCOMPARE(total(), QStringLiteral("-"));
        click("SwitchB");
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(total(), QStringLiteral("4000.000"));
        QVERIFY(!edit->property("invalid").toBool());
        QCOMPARE(edit->toolTip(), hint);

        // Closing with the bad text asks; No leaves the file as it was.
        edit->setText(edit->text() + QStringLiteral("k"));
        answers->pushBox(QMessageBox::No);
        QVERIFY(window->close());
        QCOMPARE(answers->seen().size(), std::size_t(1));
        QCOMPARE(answers->seen()[0].text, QStringLiteral("Save changes to config?"));
    }

    // Memory values that are no numbers at load are marked as well; the load is no change.
    void notANumberAtLoad() {
        start("[Memory Pool]\r\nPage Count=lots\r\nPage Size=4\r\n");
        QVERIFY(field("EditMemoryPageCount")->property("invalid").toBool());
        QVERIFY(!field("EditMemoryPageSize")->property("invalid").toBool());
        QCOMPARE(total(), QStringLiteral("-"));
        QVERIFY(!window->ConfigChanged);
    }

    // Every field the proxy reads as a number is marked while it is typed into, with the reason as its tool tip;
    // ports take 1 to 65535. Names, the cache directory and the parent's address are no numbers, and an empty
    // parent port is no error (there is no parent proxy, or the save asks for its port).
    void numberFieldsAreMarked_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("problem");
        QTest::newRow("port above") << QByteArray("EditProxyPort") << "99999"
                                    << "'99999' is too large: at most 65535";
        QTest::newRow("port 0") << QByteArray("EditProxyPort") << "0"
                                << "'0' is too small: at least 1";
        QTest::newRow("port 65535") << QByteArray("EditProxyPort") << "65535"
                                    << "";
        QTest::newRow("parent port above") << QByteArray("EditParentPort") << "65536"
                                           << "'65536' is too large: at most 65535";
        QTest::newRow("parent port text") << QByteArray("EditParentPort") << "http"
                                          << "'http' is not a whole number";
        QTest::newRow("parent port empty") << QByteArray("EditParentPort") << ""
                                           << "";
        QTest::newRow("threads") << QByteArray("EditTreadsCount") << "lots"
                                 << "'lots' is not a whole number";
        QTest::newRow("threads beyond 64 bits") << QByteArray("EditTreadsCount") << "99999999999999999999"
                                                << "'99999999999999999999' is too large: at most 9223372036854775807";
        QTest::newRow("threads in hexadecimal") << QByteArray("EditTreadsCount") << "$20"
                                                << "";
        QTest::newRow("hour with minutes") << QByteArray("DNSUpdateFrom") << "5:00"
                                           << "'5:00' is not a whole number";
        QTest::newRow("rate parts empty") << QByteArray("BalancerInterval") << ""
                                          << "'' is not a whole number";
        QTest::newRow("page size with a fraction") << QByteArray("EditMemoryPageSize") << "1.5"
                                                   << "'1.5' is not a whole number";
        QTest::newRow("page count empty") << QByteArray("EditMemoryPageCount") << ""
                                          << "'' is not a whole number";
        QTest::newRow("cache directory") << QByteArray("FCachePath") << "cache 1"
                                         << "";
        QTest::newRow("log file") << QByteArray("MainLogFile") << "x"
                                  << "";
        QTest::newRow("parent address") << QByteArray("EditParentIP") << "gate"
                                        << "";
    }
    void numberFieldsAreMarked() {
        QFETCH(QByteArray, name);
        QFETCH(QString, typed);
        QFETCH(QString, problem);
        start();
        QLineEdit* edit = field(name.constData());
        QVERIFY(!edit->property("invalid").toBool());
        const QString hint = edit->toolTip(); // the cache directory's; a mark replaces it for its time
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), typed);
        QCOMPARE(edit->property("invalid").toBool(), !problem.isEmpty());
        QCOMPARE(edit->toolTip(), problem.isEmpty() ? hint : problem);
        edit->setText(QStringLiteral("80"));
        QVERIFY(!edit->property("invalid").toBool());
        QCOMPARE(edit->toolTip(), hint);
        window->ConfigChanged = false; // no close question
    }

    // Values the proxy cannot read are marked at start-up already, and a save lists every marked field and asks,
    // Cancel the default: Enter saves nothing. "Save anyway" stores them; the file's own untouched values ("32k")
    // stay as they are, and only the setting changed is written.
    void saveWithMarkedFields() {
        QByteArray file = goldenFile(QStringLiteral("ini/default_glym30_saved.ini"));
        file.replace("[Server]\r\nMaster=\r\nIdle Thread Time=100\r\nPort=3128\r\nThreads=32\r\n",
                     "[Server]\r\nMaster=\r\nIdle Thread Time=100\r\nPort=3128\r\nThreads=32k\r\n");
        QVERIFY(file.contains("Threads=32k"));
        dir->write(QStringLiteral("glym30.ini"), file);
        start();
        QVERIFY(field("EditTreadsCount")->property("invalid").toBool());
        QCOMPARE(field("EditTreadsCount")->toolTip(), QStringLiteral("'32k' is not a whole number"));
        QVERIFY(!window->ConfigChanged);

        field("EditProxyPort")->setText(QStringLiteral("99999"));
        QString question;
        answers->push([&question](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            question = box ? box->text() : QStringLiteral("no box");
            QTest::keyClick(widget, Qt::Key_Return);
        });
        window->ButtonSaveClick();
        QCOMPARE(question, QStringLiteral("These settings hold values that the proxy cannot read as its numbers:\n\n"
                                          "    [Server] Port: '99999' is too large: at most 65535\n"
                                          "    [Server] Threads: '32k' is not a whole number\n\n"
                                          "Save anyway: store them as they stand.\nCancel: save nothing."));
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), file);
        QVERIFY(window->ConfigChanged);

        answers->pushBox(QMessageBox::Save);
        window->ButtonSaveClick();
        QByteArray saved = file;
        saved.replace("Port=3128\r\n", "Port=99999\r\n");
        QCOMPARE(dir->read(QStringLiteral("glym30.ini")), saved);
        QVERIFY(!window->ConfigChanged);
    }

    // Each "..." button fills its own field with the full path of the file chosen; the current directory stays. A
    // rule file the window has not read is asked about (here: keep the rules, replace the file at the next save).
    void filePicker_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("asked");
        QTest::newRow("CheckFileSelect") << QByteArray("CheckFileSelect") << QByteArray("CheckFile") << true;
        QTest::newRow("SpeedButton9") << QByteArray("SpeedButton9") << QByteArray("CacheSkipFile") << true;
        QTest::newRow("SpeedButton2") << QByteArray("SpeedButton2") << QByteArray("MainLogFile") << false;
        QTest::newRow("SpeedButton3") << QByteArray("SpeedButton3") << QByteArray("StatusLogFile") << false;
        QTest::newRow("SpeedButton4") << QByteArray("SpeedButton4") << QByteArray("ConnectLogFile") << false;
        QTest::newRow("SpeedButton5") << QByteArray("SpeedButton5") << QByteArray("RouterLogFile") << false;
        QTest::newRow("SpeedButton7") << QByteArray("SpeedButton7") << QByteArray("RouterFile") << true;
        QTest::newRow("SpeedButton6") << QByteArray("SpeedButton6") << QByteArray("DNSFile") << false;
    }
    void filePicker() {
        QFETCH(QByteArray, button);
        QFETCH(QByteArray, target);
        QFETCH(bool, asked);
        QVERIFY(QDir(dir->path(QString())).mkdir(QStringLiteral("logs")));
        dir->write(QStringLiteral("logs/chosen.txt"), "x");
        start();
        // Every line edit of the window in turn (the edits inside other controls share their names).
        const auto texts = [this] {
            QStringList texts;
            for (QLineEdit* edit : window->findChildren<QLineEdit*>())
                if (edit->window() == window.get())
                    texts << edit->objectName() + QLatin1Char('=') + edit->text();
            return texts;
        };
        const QStringList before = texts();
        const QString chosen = QDir(programDir()).filePath(QStringLiteral("logs/chosen.txt"));
        answerPicker(chosen);
        if (asked)
            answers->pushBox(QMessageBox::Save);
        click(button);
        QCOMPARE(field(target)->text(), chosen);
        QVERIFY(window->ConfigChanged);
        QCOMPARE(QDir::current().canonicalPath(), programDir());
        // No other field changed.
        const QStringList after = texts();
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before[i].section(u'=', 0, 0) != QLatin1String(target))
                QCOMPARE(after[i], before[i]);
    }

    // Cancel leaves the field as it was, even after another picker filled its own field.
    void cancelledPickerKeepsTheField() {
        start("[Main Log]\r\nFile Name=main.log\r\n");
        dir->write(QStringLiteral("connect.log"), "");
        cancelDialog();
        click("SpeedButton2");
        QCOMPARE(field("MainLogFile")->text(), QStringLiteral("main.log"));
        QVERIFY(!window->ConfigChanged);

        answerPicker(QStringLiteral("connect.log"));
        click("SpeedButton4");
        QCOMPARE(field("ConnectLogFile")->text(), QDir(programDir()).filePath(QStringLiteral("connect.log")));
        cancelDialog();
        click("SpeedButton2");
        QCOMPARE(field("MainLogFile")->text(), QStringLiteral("main.log"));
    }

    // The shared dialog offers the last name chosen by any picker: accepting it as offered picks that file again.
    void pickerRemembersTheLastName() {
        QVERIFY(QDir(dir->path(QString())).mkdir(QStringLiteral("rules")));
        dir->write(QStringLiteral("rules/access.txt"), "");
        start();
        const QString chosen = QDir(programDir()).filePath(QStringLiteral("rules/access.txt"));
        answerPicker(chosen);
        answers->pushBox(QMessageBox::Save); // keep the rules: the file has not been read
        click("CheckFileSelect");
        QCOMPARE(field("CheckFile")->text(), chosen);

        QString offered;
        answers->pushDialog<QFileDialog>([this, &offered](QFileDialog* dialog) {
            offered = dialog->selectedFiles().value(0);
            typeAndAccept(dialog, QString());
        });
        answers->pushBox(QMessageBox::Save);
        click("SpeedButton7");
        QCOMPARE(offered, chosen);
        QCOMPARE(field("RouterFile")->text(), chosen);
        QCOMPARE(QDir::current().canonicalPath(), programDir());
    }

    // A name that does not exist is taken after the create prompt (nothing is created); No shows the dialog again.
    void pickerCreatePrompt() {
        start();
        const QString missing = QDir(programDir()).filePath(QStringLiteral("new.log"));
        answerPicker(missing);
        answers->pushBox(QMessageBox::No);
        cancelDialog();
        click("SpeedButton3");
        QVERIFY(field("StatusLogFile")->text().isEmpty());
        QVERIFY(answers->seen()[0].text.contains(QStringLiteral("does not exist")));

        answerPicker(missing);
        answers->pushBox(QMessageBox::Yes);
        click("SpeedButton3");
        QCOMPARE(field("StatusLogFile")->text(), missing);
        QVERIFY(!QFile::exists(missing));
    }

    void directoryChooserCancelled() {
        start("[File Cache]\r\nDirectory=/var/cache/glym\r\n");
        cancelDialog();
        click("SpeedButton1");
        QCOMPARE(field("FCachePath")->text(), QStringLiteral("/var/cache/glym"));
        QVERIFY(!window->ConfigChanged);
    }

    void directoryChooserExistingDirectory() {
        QVERIFY(QDir(dir->path(QString())).mkdir(QStringLiteral("cache")));
        start();
        answerDirectoryChooser(QStringLiteral("cache"));
        click("SpeedButton1");
        QCOMPARE(field("FCachePath")->text(), QDir(programDir()).filePath(QStringLiteral("cache")));
        QVERIFY(window->ConfigChanged);
        QVERIFY(answers->seen().empty());
    }

    // A directory typed that does not exist: the question, then it is created; No offers the chooser again.
    void directoryChooserNewDirectory() {
        start();
        const QString wanted = QDir(programDir()).filePath(QStringLiteral("cache/disk1"));
        answerDirectoryChooser(QStringLiteral("cache/disk1"));
        answers->pushBox(QMessageBox::No);
        cancelDialog();
        click("SpeedButton1");
        QVERIFY(!QFileInfo::exists(wanted));
        QVERIFY(field("FCachePath")->text().isEmpty());
        QVERIFY(!window->ConfigChanged);

        answerDirectoryChooser(wanted);
        answers->pushBox(QMessageBox::Yes);
        click("SpeedButton1");
        QCOMPARE(answers->seen().size(), std::size_t(2));
        QCOMPARE(answers->seen()[1].text, QStringLiteral("The specified directory does not exist. Create it?"));
        QVERIFY(QFileInfo(wanted).isDir());
        QCOMPARE(field("FCachePath")->text(), wanted);
        QVERIFY(window->ConfigChanged);
        QCOMPARE(QDir::current().canonicalPath(), programDir());
    }
};

QTEST_MAIN(TestSettingsPages)
#include "test_settingspages.moc"
