#include "app/Main.h"

#include "support/GuiTestSupport.h"
#include "support/ListReading.h"

#include <QAbstractItemView>
#include <QLineEdit>
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

        // The standard line taken over is not written again; an unset slot is an empty line.
        QCOMPARE(savedRouterFile(), QByteArray("\r\n\r\nCN:news2:\r\nCR:25:25:relay:smtp:15:15:60:100:100:\r\n"));
    }

    void editedStandardServiceIsStoredWhenConfirmed() {
        open("CP:pop.example:\r\n");
        QVERIFY(showWindow());

        typeAndEnter(field("SMTPaddress"), QStringLiteral(" mail gate "));
        QVERIFY(window->ConfigChanged);
        typeAndEnter(field("POP3address"), QString());
        QCOMPARE(savedRouterFile(), QByteArray("CS: mail gate :\r\n\r\n\r\n"));
    }

    void serverNameWithColonIsRefused() {
        open("CS:smtp.example:\r\n");
        QVERIFY(showWindow());
        answers->pushBox(QMessageBox::Ok);
        typeAndEnter(field("SMTPaddress"), QStringLiteral("smtp.example:25"));
        QTRY_VERIFY(answers->allAnswered());
        QVERIFY(answers->seen().front().text.contains(QLatin1String("\":\"")));
        QCOMPARE(savedRouterFile(), QByteArray("CS:smtp.example:\r\n\r\n\r\n"));
    }
};

QTEST_MAIN(TestPortMapping)
#include "test_portmapping.moc"
