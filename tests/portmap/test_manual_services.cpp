// The manual port-mapping services of RouterRules edited through TFMService in a real window: a whole session
// saved and compared with golden files, the checks of Add after sorting, and hand-written lines.

#include "access/RuleListDriver.h"
#include "portmap/ManualServiceDialog.h"

#include <QGroupBox>
#include <QtTest>

using namespace rulelists;

namespace {

QByteArray routerFile(std::initializer_list<const char*> lines) {
    QByteArray bytes;
    for (const char* line : lines)
        bytes += QByteArray(line) + "\r\n";
    return bytes;
}

} // namespace

class TestManualServices : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;

    QTableView* rows() const { return w_->list("RouterRules"); }
    QLineEdit* field(const char* name) const { return w_->window->findChild<QLineEdit*>(QLatin1String(name)); }

    void start(const QByteArray& router) { startAnew(w_, QByteArray(), QByteArray(), router); }

    // Types a relay server into its field and confirms it with Enter.
    void typeRelay(const char* name, const QString& server) {
        QLineEdit* relay = field(name);
        w_->showPageOf(relay);
        relay->setFocus();
        type(relay, server);
        QTest::keyClick(relay, Qt::Key_Return);
    }

    static constexpr int kServerColumn = 2; // "Server Name"

private slots:
    void cleanup() { w_.reset(); }

    // Add (with values out of bounds, one confirmed with Enter), sort, edit, delete, the relays cleared and set, a
    // service on 25 added while the SMTP relay is unset; then, on the next start, that service holds the SMTP field
    // until it is deleted.
    void session() {
        start(goldenFile("portmap/session/input/router.txt"));
        ModalAnswers answers;

        answers.pushDialog<TFMService>([](TFMService* d) {
            QCOMPARE(d->Box1->title(), QStringLiteral(" New Server Route  "));
            QCOMPARE(d->LPort->text(), QStringLiteral("25"));
            QCOMPARE(d->TTLdns->text(), QStringLiteral("100"));
            type(d->LPort, "3389");
            type(d->RPort, "3389");
            type(d->Server, "rdp.example");
            type(d->Service, "rdp");
            type(d->Count, "0");
            type(d->Comment, "remote desktop");
            type(d->STimeout, "70000");
            QTest::keyClick(d->STimeout, Qt::Key_Return);
        });
        w_->doubleClick(rows(), -1);

        w_->clickHeader(rows(), kServerColumn);
        QCOMPARE(columnTexts(rows(), kServerColumn),
                 QStringList({"echo.example", "rdp.example", "relay.example", "web.example"}));

        answers.pushDialog<TFMService>([](TFMService* d) {
            QCOMPARE(d->Box1->title(), QStringLiteral(" Edit Router Rules "));
            QCOMPARE(d->LPort->text(), QStringLiteral("2525"));
            QVERIFY(d->LPort->isReadOnly());
            QCOMPARE(d->LPort->focusPolicy(), Qt::ClickFocus);
            type(d->Server, "relay2.example");
            type(d->Comment, "edited");
            pressOk(d);
        });
        w_->click(rows(), 2);
        w_->key(rows(), Qt::Key_Return);

        w_->click(rows(), 0);
        QCOMPARE(w_->popup(rows(), 0, Qt::Key_D), QStringList({"&Add", "&Edit", "&Delete"}));

        typeRelay("POP3address", "");
        typeRelay("SMTPaddress", "");
        typeRelay("NNTPaddress", "news.example");

        answers.pushDialog<TFMService>([](TFMService* d) {
            type(d->Server, "smtp.example");
            type(d->Service, "smtp");
            pressOk(d);
        });
        w_->popup(rows(), -1, Qt::Key_A);
        QVERIFY(!field("SMTPaddress")->isReadOnly()); // taken only from the next start on

        const QByteArray firstSave = (w_->save(), w_->dir.read("router.txt"));
        QVERIFY(!w_->window->ConfigChanged);
        startAnew(w_, QByteArray(), QByteArray(), firstSave);
        QCOMPARE(field("SMTPaddress")->text(), QStringLiteral("Used Manual Service"));
        QVERIFY(field("SMTPaddress")->isReadOnly());

        w_->click(rows(), 3);
        w_->key(rows(), Qt::Key_Delete);
        QCOMPARE(field("SMTPaddress")->text(), QString());
        QVERIFY(!field("SMTPaddress")->isReadOnly());
        typeRelay("SMTPaddress", "mail2.example");
        w_->save();

        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join('\n')));
        QCOMPARE(w_->dir.read("router.txt.bak"), goldenFile("portmap/session/expected/router.txt.bak"));
        QCOMPARE(w_->dir.read("router.txt"), goldenFile("portmap/session/expected/router.txt"));
    }

    // Each check of Add, on rows sorted so that the view's order is not the lines' order. A refusal shows its
    // message and keeps the dialog open with what was typed; Cancel then adds nothing.
    void addChecksAfterSorting_data() {
        QTest::addColumn<QString>("proxyPort");
        QTest::addColumn<QString>("localPort");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("refusal"); // empty: the service is added

        const QString colon = "The field \"Server name\" cannot hold \":\": it separates the fields of a rule line.";
        QTest::newRow("SMTP relay set") << "3128"
                                        << "25"
                                        << "s"
                                        << "Port 25 used standart service! Delete service first!";
        QTest::newRow("POP3 relay set") << "3128"
                                        << "110"
                                        << "s"
                                        << "Port 110 used standart service! Delete service first!";
        QTest::newRow("NNTP relay unset") << "3128"
                                          << "119"
                                          << "s"
                                          << "";
        QTest::newRow("the proxy's port") << "3128"
                                          << "3128"
                                          << "s"
                                          << "Port 3128 used GLYM!";
        QTest::newRow("the proxy's port, listed too") << "2525"
                                                      << "2525"
                                                      << "s"
                                                      << "Port 2525 used GLYM!";
        QTest::newRow("listed, sorted below") << "3128"
                                              << "8080"
                                              << "s"
                                              << "Port 8080 used! Delete service first!";
        QTest::newRow("listed, sorted on top") << "3128"
                                               << "2525"
                                               << "s"
                                               << "Port 2525 used! Delete service first!";
        // Ports are numbers: however a port is written, it is the same port.
        QTest::newRow("leading zero") << "3128"
                                      << "025"
                                      << "s"
                                      << "Port 25 used standart service! Delete service first!";
        QTest::newRow("plus sign") << "3128"
                                   << "+110"
                                   << "s"
                                   << "Port 110 used standart service! Delete service first!";
        QTest::newRow("the proxy's port, leading zero") << "3128"
                                                        << "03128"
                                                        << "s"
                                                        << "Port 03128 used GLYM!";
        QTest::newRow("the proxy's port written with a sign") << "+3128"
                                                              << "3128"
                                                              << "s"
                                                              << "Port 3128 used GLYM!";
        QTest::newRow("listed, leading zero") << "3128"
                                              << "08080"
                                              << "s"
                                              << "Port 08080 used! Delete service first!";
        QTest::newRow("NNTP unset, leading zero") << "3128"
                                                  << "0119"
                                                  << "s"
                                                  << "";
        QTest::newRow("free port") << "3128"
                                   << "9000"
                                   << ""
                                   << "";
        QTest::newRow("colon in the server") << "3128"
                                             << "9000"
                                             << "a:b" << colon;
        QTest::newRow("not Windows-1251") << "3128"
                                          << "9000" << QString::fromUtf8("日本")
                                          << QString::fromUtf8("The field \"Server name\" holds \"日\", a character "
                                                               "the rule files cannot store (Windows-1251).");
    }
    void addChecksAfterSorting() {
        QFETCH(QString, proxyPort);
        QFETCH(QString, localPort);
        QFETCH(QString, server);
        QFETCH(QString, refusal);
        start(routerFile({"CS:mail.example:", "CP:pop.example:", "CR:8080:80:web.example:web:15:15:60:100:100:",
                          "CR:2525:25:relay.example:smtp:15:15:60:100:100:"}));
        type(field("EditProxyPort"), proxyPort);
        w_->clickHeader(rows(), kServerColumn);
        QCOMPARE(columnTexts(rows(), 0), QStringList({"2525", "8080"}));
        w_->window->ConfigChanged = false;

        ModalAnswers answers;
        answers.pushDialog<TFMService>([&](TFMService* d) {
            type(d->LPort, localPort);
            type(d->Server, server);
            type(d->Comment, "typed");
            pressOkLater(d);
        });
        if (!refusal.isEmpty()) {
            answers.pushBox(QMessageBox::Ok);
            answers.pushDialog<TFMService>([&](TFMService* d) {
                QCOMPARE(d->LPort->text(), localPort);
                QCOMPARE(d->Server->text(), server);
                QCOMPARE(d->Comment->text(), QStringLiteral("typed"));
                pressCancel(d);
            });
        }
        w_->doubleClick(rows(), -1);

        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join('\n')));
        if (refusal.isEmpty()) {
            QCOMPARE(answers.seen().size(), 0u);
            QCOMPARE(rowCount(rows()), 3);
            QCOMPARE(QString::fromStdString(w_->window->ManualServiceLines[2].text),
                     "CR:" + localPort + ":25:" + server + "::15:15:60:100:100:typed");
            QVERIFY(w_->window->ConfigChanged);
        } else {
            QCOMPARE(answers.seen().size(), 1u);
            QCOMPARE(answers.seen().front().caption, QStringLiteral("Error"));
            QCOMPARE(answers.seen().front().text, refusal);
            QCOMPARE(rowCount(rows()), 2);
            QVERIFY(!w_->window->ConfigChanged);
        }
    }

    // Ok on a dialog nobody changed adds nothing and asks nothing.
    void untouchedAddAddsNothing() {
        start(routerFile({"CR:8080:80:web:web:15:15:60:100:100:"}));
        ModalAnswers answers;
        answers.pushDialog<TFMService>([](TFMService* d) { pressOk(d); });
        w_->popup(rows(), -1, Qt::Key_A);
        QVERIFY(answers.problems().isEmpty());
        QCOMPARE(rowCount(rows()), 1);
        QVERIFY(!w_->window->ConfigChanged);
    }

    // A standard field taken at the start is freed by the delete of the last service on its port; a field the user
    // may edit keeps what it shows, which is what its line holds.
    void deleteFreesOnlyATakenField() {
        start(routerFile({"CR:110:110:a:a:1:1:1:1:1:", "CR:110:110:b:b:1:1:1:1:1:"}));
        w_->click(rows(), 0);
        w_->key(rows(), Qt::Key_Delete);
        QCOMPARE(field("POP3address")->text(), QStringLiteral("Used Manual Service"));
        w_->click(rows(), 0);
        w_->key(rows(), Qt::Key_Delete);
        QCOMPARE(field("POP3address")->text(), QString());
        QVERIFY(!field("POP3address")->isReadOnly());

        ModalAnswers answers;
        answers.pushDialog<TFMService>([](TFMService* d) {
            type(d->Server, "relay");
            pressOk(d);
        });
        w_->doubleClick(rows(), -1); // on 25, while the SMTP relay is unset
        typeRelay("SMTPaddress", "mail.example");
        w_->click(rows(), 0);
        w_->key(rows(), Qt::Key_Delete);
        QVERIFY(answers.problems().isEmpty());
        QCOMPARE(field("SMTPaddress")->text(), QStringLiteral("mail.example"));
        QCOMPARE(w_->savedLines("router.txt"), QByteArrayList({"CS:mail.example:", "", ""}));
    }

    // Undoing the delete that freed a standard field takes the field again; redoing it frees the field with what
    // the user had put into it meanwhile. Each state saves as it shows.
    void undoOfADeleteRestoresTheTakenField() {
        const QByteArray file =
            routerFile({"CR:8080:80:web:web:15:15:60:100:100:", "CR:025:25:relay:smtp:15:15:60:100:100:"});
        start(file);
        QAction* undo = w_->window->findChild<QAction*>(QStringLiteral("UndoAction"));
        QAction* redo = w_->window->findChild<QAction*>(QStringLiteral("RedoAction"));
        QVERIFY(undo && redo);
        const auto fieldState = [this] {
            return QStringLiteral("%1|%2").arg(field("SMTPaddress")->text(),
                                               field("SMTPaddress")->isReadOnly() ? "read-only" : "editable");
        };
        const QString taken = QStringLiteral("Used Manual Service|read-only");
        QCOMPARE(fieldState(), taken);

        w_->click(rows(), 1);
        w_->key(rows(), Qt::Key_Delete);
        QCOMPARE(fieldState(), QStringLiteral("|editable"));
        typeRelay("SMTPaddress", "mail.example");
        undo->trigger();
        QCOMPARE(rowCount(rows()), 2);
        QCOMPARE(fieldState(), taken);
        QCOMPARE(w_->savedLines("router.txt"), fileLines(file)); // the rules are as loaded: the file is left alone

        redo->trigger();
        QCOMPARE(rowCount(rows()), 1);
        QCOMPARE(fieldState(), QStringLiteral("mail.example|editable"));
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(w_->savedLines("router.txt"),
                 QByteArrayList({"CS:mail.example:", "", "", "CR:8080:80:web:web:15:15:60:100:100:"}));
    }

    // A caller that closes the dialog as accepted without pressing "Ok" skips the dialog's own check: the port is
    // checked all the same, and nothing is added.
    void acceptedWithoutOkIsChecked() {
        start(routerFile({"CR:8080:80:web:web:15:15:60:100:100:"}));
        ModalAnswers answers;
        answers.pushDialog<TFMService>([](TFMService* d) {
            d->LPort->setText("8080");
            d->done(QDialog::Accepted);
        });
        answers.pushBox(QMessageBox::Ok);
        QVERIFY(QMetaObject::invokeMethod(w_->window.get(), "AddMServiceActionExecute"));
        QVERIFY(answers.problems().isEmpty());
        QCOMPARE(answers.seen().front().text, QStringLiteral("Port 8080 used! Delete service first!"));
        QCOMPARE(rowCount(rows()), 1);
    }

    // Lines of other than 11 fields show the fields they have, are written back as they are while untouched, and
    // are edited and deleted as the lines they are, whatever the sort.
    void handWrittenLines() {
        const QByteArray file =
            routerFile({"CR:8081:81", "CR:9000:90:srv:svc:1:2:3:4:5:c:extra", "CR:5000:50:keep:keep:1:1:1:1:1:"});
        start(file);
        QCOMPARE(rowText(rows(), 0), QStringLiteral("8081|81||||||||"));
        QCOMPARE(rowText(rows(), 1), QStringLiteral("9000|90|srv|svc|1|2|3|4|5|c"));
        QCOMPARE(fileLines(contentToSave(*w_->window, QStringLiteral("router.txt"))), fileLines("\r\n\r\n\r\n" + file));
        QCOMPARE(w_->savedLines("router.txt"), fileLines(file)); // no rule changed: the file stays as written

        w_->clickHeader(rows(), 0); // 5000, 8081, 9000
        ModalAnswers answers;
        answers.pushDialog<TFMService>([](TFMService* d) {
            QCOMPARE(d->LPort->text(), QStringLiteral("8081"));
            QCOMPARE(d->RPort->text(), QStringLiteral("81"));
            QCOMPARE(d->Server->text(), QString());
            pressCancel(d);
        });
        answers.pushDialog<TFMService>([](TFMService* d) {
            type(d->Comment, "c2");
            pressOk(d);
        });
        w_->doubleClick(rows(), 1);
        w_->doubleClick(rows(), 2);
        w_->click(rows(), 1);
        w_->key(rows(), Qt::Key_Delete);

        QVERIFY(answers.problems().isEmpty());
        QCOMPARE(w_->savedLines("router.txt"),
                 QByteArrayList({"", "", "", "CR:9000:90:srv:svc:1:2:3:4:5:c2", "CR:5000:50:keep:keep:1:1:1:1:1:"}));
    }
};

QTEST_MAIN(TestManualServices)
#include "test_manual_services.moc"
