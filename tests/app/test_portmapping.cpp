#include "app/Main.h"

#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

// The port-mapping rules on the page "Advanced": what a load shows, what editing a standard service stores, and
// what a save writes back.
class TestPortMapping : public QObject, WindowTest {
    Q_OBJECT

    QLineEdit* field(const char* name) const { return child<QLineEdit>(name); }

    void open(const QByteArray& routerFile) {
        dir->write(QStringLiteral("router.txt"), routerFile);
        start("[Router]\r\nFile Name=router.txt\r\n");
    }

    // Types into a field as a person does and presses Enter.
    void typeAndEnter(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        if (!text.isEmpty())
            QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // The port-mapping file after a save (empty when the save failed).
    QByteArray savedRouterFile() {
        return window->SaveServerConfig() ? dir->read(QStringLiteral("router.txt")) : QByteArray();
    }

private slots:
    void init() { begin(); }
    void cleanup() { verifyNoProblems(finish()); }

    void manualServiceTakesOverItsStandardPort() {
        open("CS:smtpgate:\r\nCN:news1:\r\nCN: news2 :\r\nCR:25:25:relay:smtp:15:15:60:100:100:\r\nXX:other\r\n");
        QCOMPARE(field("SMTPaddress")->text(), QStringLiteral("Used Manual Service"));
        QVERIFY(field("SMTPaddress")->isReadOnly());
        QCOMPARE(field("POP3address")->text(), QString());
        QCOMPARE(field("NNTPaddress")->text(), QStringLiteral("news2")); // the later line wins
        QVERIFY(!window->ConfigChanged);

        auto* rows = window->findChild<QAbstractItemView*>(QStringLiteral("RouterRules"));
        QCOMPARE(listview::rowText(rows, 0), QStringLiteral("25|25|relay|smtp|15|15|60|100|100|")); // empty comment
        QCOMPARE(listview::rowCount(rows), 1);

        // The standard line taken over is not written again; an unset slot is an empty line. As long as no rule
        // changes, a save leaves the file as it is.
        QCOMPARE(contentToSave(*window, QStringLiteral("router.txt")),
                 QByteArray("\r\n\r\nCN:news2:\r\nCR:25:25:relay:smtp:15:15:60:100:100:\r\n"));
        const QByteArray original = dir->read(QStringLiteral("router.txt"));
        QCOMPARE(savedRouterFile(), original);
    }

    void editedStandardServiceIsStoredWhenConfirmed() {
        open("CP:pop.example:\r\n");
        QVERIFY(showWindow());

        typeAndEnter(field("SMTPaddress"), QStringLiteral(" mail gate "));
        QVERIFY(window->ConfigChanged);
        typeAndEnter(field("POP3address"), QString());
        QCOMPARE(savedRouterFile(), QByteArray("CS: mail gate :\r\n\r\n\r\n"));
    }

    // A server typed into a standard field is saved by every way of saving while the field still has the focus,
    // and typing it counts as a change at once. A saved window then closes without the question.
    void typedServerIsSavedWithoutLeavingTheField_data() {
        QTest::addColumn<QByteArray>("fieldName");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray lines[] = {"CS:smtp.old:\r\n", "CP:pop.old:\r\n", "CN:news.old:\r\n"};
        const QByteArray tags[] = {"CS", "CP", "CN"};
        const char* names[] = {"SMTPaddress", "POP3address", "NNTPaddress"};
        for (int slot = 0; slot < 3; ++slot) {
            QByteArray expected;
            for (int other = 0; other < 3; ++other)
                expected += other == slot ? tags[slot] + ": new host :\r\n" : lines[other];
            for (const char* save : {"ButtonSaveClick", "Save1Click", "Yes in the close question"})
                QTest::addRow("%s, %s", names[slot], save)
                    << QByteArray(names[slot]) << QString::fromLatin1(save) << expected;
        }
    }
    void typedServerIsSavedWithoutLeavingTheField() {
        QFETCH(QByteArray, fieldName);
        QFETCH(QString, save);
        QFETCH(QByteArray, expected);
        open("CS:smtp.old:\r\nCP:pop.old:\r\nCN:news.old:\r\n");
        QVERIFY(showWindow());
        QLineEdit* edit = field(fieldName.constData());
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral(" new host "));
        QVERIFY(edit->hasFocus());
        QVERIFY(window->ConfigChanged);

        if (save.startsWith(QLatin1String("Yes"))) {
            answers->pushBox(QMessageBox::Yes);
            QVERIFY(window->close());
            QCOMPARE(answers->seen().size(), std::size_t(1));
        } else {
            QVERIFY(QMetaObject::invokeMethod(window.get(), save.toLatin1().constData()));
            QVERIFY(!window->ConfigChanged);
            QVERIFY(window->close()); // nothing left to ask about, though the field is still marked as edited
        }
        QCOMPARE(dir->read(QStringLiteral("router.txt")), expected);
    }

    // A server that cannot be stored stops the save with one error, and the close question is not reached.
    void unstorableServerStopsTheSave() {
        const QByteArray original = "CS:smtp.old:\r\n";
        open(original);
        QVERIFY(showWindow());
        QLineEdit* edit = field("SMTPaddress");
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral(":25"));
        answers->pushBox(QMessageBox::Ok);
        window->ButtonSaveClick();
        QTRY_VERIFY(answers->allAnswered());
        QCOMPARE(dir->read(QStringLiteral("router.txt")), original);
        QVERIFY(!dir->exists(QStringLiteral("router.txt.bak")));
        QVERIFY(window->ConfigChanged);

        answers->pushBox(QMessageBox::Ok);
        QVERIFY(!window->close());
        QTRY_VERIFY(answers->allAnswered());
        QCOMPARE(answers->seen().size(), std::size_t(2));
        QVERIFY(answers->seen().back().text.contains(QLatin1String("\":\"")));
    }

    void serverNameWithColonIsRefused() {
        open("CS:smtp.example:\r\n");
        QVERIFY(showWindow());
        answers->pushBox(QMessageBox::Ok);
        typeAndEnter(field("SMTPaddress"), QStringLiteral("smtp.example:25"));
        QTRY_VERIFY(answers->allAnswered());
        QVERIFY(answers->seen().front().text.contains(QLatin1String("\":\"")));
        QCOMPARE(savedRouterFile(), QByteArray("CS:smtp.example:\r\n")); // nothing stored: the file stays
    }
};

QTEST_MAIN(TestPortMapping)
#include "test_portmapping.moc"
