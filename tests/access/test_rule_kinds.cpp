// The URL, word, traffic limit, speed, port access and port blocking lists: a whole editing session per page,
// saved and compared with golden files byte for byte, and what every dialog refuses or brings into bounds.

#include "access/AccessLists.h"
#include "access/GroupNameDialog.h"
#include "access/PortAccessDialog.h"
#include "access/PortBlockDialog.h"
#include "access/RuleListDriver.h"
#include "access/SpeedDialog.h"
#include "access/UrlDialog.h"
#include "base/Images.h"
#include "widgets/Advspin.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>

using namespace rulelists;

namespace {

QString problems(const ModalAnswers& answers) {
    return answers.problems().join(u'\n');
}

} // namespace

class TestRuleKinds : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    QTableView* list(const QString& name) const { return w_->list(name.toLatin1().constData()); }

    // Saves and compares the access rules file with a golden file.
    void compareSaved(const QString& golden) {
        QVERIFY(w_->window->ConfigChanged);
        w_->save();
        QVERIFY(!w_->window->ConfigChanged);
        const QByteArray written = w_->dir.read(QStringLiteral("access.txt"));
        const QByteArray expected = goldenFile("access/kinds/" + golden);
        if (written != expected)
            QFAIL(qPrintable(QStringLiteral("access.txt differs from %1:\n%2\n--- expected ---\n%3")
                                 .arg(golden, QString::fromLatin1(written), QString::fromLatin1(expected))));
    }

private slots:
    void init() { startAnew(w_, goldenFile(QStringLiteral("access/kinds/input.txt"))); }
    void cleanup() { w_.reset(); }

    void cacheBlockingSession() {
        QTableView* urls = list("LUrl");
        QTableView* words = list("LWord");
        QCOMPARE(rowTexts(urls), (QStringList{"1|Access|intranet.example.com|", "1|Deny|games.example.net|no games",
                                              "3|Access|x.com|", "3|Deny|*.torrent|odd"}));
        QCOMPARE(imageKey(urls, 0, 1), listImage(ImageList::ImageList1, mainimage::kAccess).cacheKey());
        QCOMPARE(imageKey(urls, 1, 1), listImage(ImageList::ImageList1, mainimage::kDeny).cacheKey());
        QCOMPARE(rowTexts(words), (QStringList{"1|casino|", "1|casino|", "3|download|large files"}));
        QCOMPARE(imageKey(words, 0, 1), listImage(ImageList::ImageList1, mainimage::kWord).cacheKey());

        ModalAnswers answers;
        QStringList seen;
        // URL rules: one allowed for the group of the row the pop-up opened on, one with no entry chosen (denied)
        // for group 0 (the Add starts at group 1, the group last used), the hand-written "PA:03:x.com:" denied, the
        // one with a field too many deleted.
        answers.pushDialog<TFUrl>([&](TFUrl* d) {
            seen << d->windowTitle() << d->Box1->title() << d->groupID->text()
                 << QString::number(d->Combo->currentIndex());
            d->Combo->setCurrentIndex(TFUrl::kAccess);
            type(d->url, QStringLiteral("news.example"));
            type(d->comment, QStringLiteral("ok"));
            pressOk(d);
        });
        w_->click(urls, 1);
        w_->popup(urls, 1, Qt::Key_A);
        answers.pushDialog<TFUrl>([&](TFUrl* d) {
            seen << d->groupID->text();
            type(d->groupID, QStringLiteral("0"));
            type(d->url, QStringLiteral("ads.example"));
            pressOk(d);
        });
        w_->doubleClick(urls, -1);
        answers.pushDialog<TFUrl>([&](TFUrl* d) {
            seen << d->Box1->title() << d->groupID->text() << QString::number(d->Combo->currentIndex())
                 << d->url->text();
            d->Combo->setCurrentIndex(TFUrl::kDenied);
            type(d->comment, QStringLiteral("now denied"));
            pressOk(d);
        });
        w_->doubleClick(urls, 2);
        w_->click(urls, 3);
        w_->key(urls, Qt::Key_Delete);
        QCOMPARE(seen,
                 (QStringList{"Url Rules", " New Url Rules ", "1", "-1", "1", " Edit Url Rules ", "3", "0", "x.com"}));
        QCOMPARE(rowTexts(urls),
                 (QStringList{"1|Access|intranet.example.com|", "1|Deny|games.example.net|no games",
                              "3|Deny|x.com|now denied", "1|Access|news.example|ok", "0|Deny|ads.example|"}));

        // Words: the second of two equal lines deleted after a sort (the first stays), the spaced one edited, one
        // added to group 3 from its row.
        seen.clear();
        w_->clickHeader(words, 1);
        w_->click(words, 1);
        w_->key(words, Qt::Key_Delete);
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            seen << d->windowTitle() << d->Box1->title() << d->Label2->text() << d->name->text();
            type(d->name, QStringLiteral("downloads"));
            pressOk(d);
        });
        w_->doubleClick(words, 1);
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            seen << d->windowTitle() << d->Box1->title() << d->Label2->text() << d->groupID->text();
            type(d->name, QString::fromUtf8("казино"));
            pressOk(d);
        });
        w_->popup(words, 1, Qt::Key_A);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(seen, (QStringList{"Edit Word", " Edit Blocking Word ", "Word :", "download", "Add Word",
                                    " Add Blocking Word ", "Word :", "3"}));
        compareSaved(QStringLiteral("cache-blocking.txt"));
    }

    // Digits too many for a number field name the bound they pass; text that is no number says so; Ok is refused
    // either way and the dialog stays open with the text.
    void numberBeyondTheBoundNamesIt_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("speed above") << "LSpeed"
                                     << "99999999999"
                                     << "The field \"Speed, B/min\" must be at most 2147483647.";
        QTest::newRow("speed below") << "LSpeed"
                                     << "-99999999999"
                                     << "The field \"Speed, B/min\" must be at least 0.";
        QTest::newRow("port above") << "LPortA"
                                    << "+123456789012"
                                    << "The field \"Port Access\" must be at most 65535.";
        QTest::newRow("port below") << "LPortA"
                                    << "-123456789012"
                                    << "The field \"Port Access\" must be at least 1.";
        QTest::newRow("no number") << "LPortA"
                                   << "1e9"
                                   << "The field \"Port Access\" must hold a whole number.";
    }
    void numberBeyondTheBoundNamesIt() {
        QFETCH(QString, list);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        ModalAnswers answers;
        QString kept;
        auto numberField = [&list](QWidget* d) {
            return d->findChild<QLineEdit*>(list == QLatin1String("LSpeed") ? "speed" : "port");
        };
        answers.push([&](QWidget* d) {
            numberField(d)->setText(typed); // pasted: typing refuses the letters
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Ok);
        answers.push([&](QWidget* d) {
            kept = numberField(d)->text();
            pressCancel(d);
        });
        w_->doubleClick(this->list(list), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(answers.seen().size(), std::size_t(1));
        QCOMPARE(answers.seen()[0].text, message);
        QCOMPARE(kept, typed);
    }

    void trafficSession() {
        QTableView* limits = list("LLimit");
        QTableView* speeds = list("LSpeed");
        QCOMPARE(rowTexts(limits), (QStringList{"1|5000|", "3|102400|100 MB a day"}));
        QCOMPARE(rowTexts(speeds), (QStringList{"3|6000000|"}));

        ModalAnswers answers;
        QStringList seen;
        // A limit for group "03" updates the row of group 3 once the user agrees to replace it; the Add starts at
        // the selected row's group.
        answers.pushDialog<TFSpeed>([&](TFSpeed* d) {
            seen << d->windowTitle() << d->Box1->title() << d->Label2->text() << d->groupID->text();
            type(d->groupID, QStringLiteral("03"));
            type(d->speed, QStringLiteral("2048"));
            type(d->comment, QStringLiteral("2 MB"));
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Yes);
        w_->click(limits, 0);
        w_->popup(limits, 0, Qt::Key_A);
        QCOMPARE(rowTexts(limits), (QStringList{"1|5000|", "3|2048|2 MB"}));
        // A limit for group 0, which has none: a row of its own, and no question. Then the limit of group 1 deleted.
        answers.pushDialog<TFSpeed>([&](TFSpeed* d) {
            type(d->groupID, QStringLiteral("0"));
            type(d->speed, QStringLiteral("0"));
            pressOk(d);
        });
        w_->doubleClick(limits, -1);
        w_->click(limits, 0);
        w_->popup(limits, 0, Qt::Key_D);
        QCOMPARE(rowTexts(limits), (QStringList{"3|2048|2 MB", "0|0|"}));
        // Edit of the limit just added: the caption is kept as the group field, the line replaced.
        answers.pushDialog<TFSpeed>([&](TFSpeed* d) {
            seen << d->Box1->title() << d->groupID->text() << d->speed->text();
            d->speed->UpClick(); // the arrows step by 128
            pressOk(d);
        });
        w_->doubleClick(limits, 1);

        // Speeds: the hand-written "RL:03:..." edited, one added for group 1, then group 1's deleted and added
        // again: one row per group throughout.
        answers.pushDialog<TFSpeed>([&](TFSpeed* d) {
            seen << d->windowTitle() << d->Box1->title() << d->Label2->text() << d->groupID->text();
            type(d->comment, QStringLiteral("fast"));
            pressOk(d);
        });
        w_->doubleClick(speeds, 0);
        for (const char* speed : {"1000", "1280"}) {
            answers.pushDialog<TFSpeed>([&, speed](TFSpeed* d) {
                type(d->groupID, QStringLiteral("1"));
                type(d->speed, QLatin1String(speed));
                pressOkLater(d);
            });
            if (QLatin1String(speed) == "1280")
                answers.pushBox(QMessageBox::Yes); // it replaces the first
            w_->doubleClick(speeds, -1);
        }
        QCOMPARE(rowTexts(speeds), (QStringList{"3|6000000|fast", "1|1280|"}));
        w_->click(speeds, 1);
        w_->key(speeds, Qt::Key_Delete);
        answers.pushDialog<TFSpeed>([&](TFSpeed* d) {
            seen << d->Box1->title();
            type(d->groupID, QStringLiteral("1"));
            type(d->speed, QStringLiteral("640"));
            pressOk(d);
        });
        w_->doubleClick(speeds, -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(rowTexts(speeds), (QStringList{"3|6000000|fast", "1|640|"}));
        QCOMPARE(seen, (QStringList{"Limit Rules", " Add Limit Traffic Rules ", "Limit, kB/day :", "1",
                                    " Edit Limit Traffic Rules ", "0", "0", "Speed Rules", " Edit Speed Rules ",
                                    "Speed, B/min :", "3", " New Speed Rules "}));
        compareSaved(QStringLiteral("traffic.txt"));
    }

    void portsSession() {
        QTableView* access = list("LPortA");
        QTableView* blocks = list("LPortB");
        QCOMPARE(rowTexts(access), (QStringList{"1|443|", "1|443|", "3|80|web"}));
        QCOMPARE(rowTexts(blocks), (QStringList{"0|25|25|", "3|6881|6889|p2p"}));

        ModalAnswers answers;
        QStringList seen;
        // Port access: one added from a row's group, the second of two equal rules deleted, the hand-written one
        // with a field too many edited.
        answers.pushDialog<TFPortA>([&](TFPortA* d) {
            seen << d->windowTitle() << d->Box1->title() << d->groupID->text() << d->port->text();
            type(d->port, QStringLiteral("8080"));
            pressOk(d);
        });
        w_->click(access, 2);
        w_->popup(access, 2, Qt::Key_A);
        w_->click(access, 1);
        w_->key(access, Qt::Key_Delete);
        answers.pushDialog<TFPortA>([&](TFPortA* d) {
            seen << d->Box1->title() << d->port->text() << d->comment->text();
            type(d->comment, QStringLiteral("web server"));
            pressOk(d);
        });
        w_->doubleClick(access, 1);
        QCOMPARE(rowTexts(access), (QStringList{"1|443|", "3|80|web server", "3|8080|"}));

        // Port blocking: a single port (start and end equal) for group 0 (the Add starts at group 3, last used),
        // the peer-to-peer range moved up (the end follows the start), the mail rule deleted.
        answers.pushDialog<TFPortB>([&](TFPortB* d) {
            seen << d->windowTitle() << d->Box1->title() << d->groupID->text() << d->portStart->text()
                 << d->portEnd->text();
            type(d->groupID, QStringLiteral("0"));
            type(d->portStart, QStringLiteral("80"));
            seen << d->portEnd->text();
            pressOk(d);
        });
        w_->doubleClick(blocks, -1);
        answers.pushDialog<TFPortB>([&](TFPortB* d) {
            seen << d->Box1->title() << d->portStart->text() << d->portEnd->text()
                 << QString::number(d->portEnd->minValue());
            type(d->portStart, QStringLiteral("7000"));
            seen << d->portEnd->text();
            pressOk(d);
        });
        w_->doubleClick(blocks, 1);
        w_->click(blocks, 0);
        w_->popup(blocks, 0, Qt::Key_D);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(rowTexts(blocks), (QStringList{"3|7000|7000|p2p", "0|80|80|"}));
        QCOMPARE(seen,
                 (QStringList{"Port Access Rules", " New Port Access Rules ", "3", "1", " Edit Port Access Rules ",
                              "80", "web", "Port Blocking Rules", " New Port Blocking Rules ", "3", "1", "1", "80",
                              " Edit Port Blocking Rules ", "6881", "6889", "6881", "7000"}));
        compareSaved(QStringLiteral("ports.txt"));
    }

    // Add for a group that does not exist: the error box shows while the dialog stays open with what was typed;
    // the user then picks an existing group, or cancels and nothing is stored.
    void addToMissingGroupKeepsTheDialogOpen_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QByteArray>("line"); // stored after group 0 is chosen; none when cancelled
        QTest::newRow("URL") << "LUrl" << QByteArray("PD:0::kept");
        QTest::newRow("URL, cancelled") << "LUrl" << QByteArray();
        QTest::newRow("word") << "LWord" << QByteArray("BW:0::kept");
        QTest::newRow("limit") << "LLimit" << QByteArray("TL:0:0:kept");
        QTest::newRow("speed, cancelled") << "LSpeed" << QByteArray();
        QTest::newRow("port access") << "LPortA" << QByteArray("RP:0:1:kept");
        QTest::newRow("port blocking") << "LPortB" << QByteArray("BP:0:1:1:kept");
    }
    void addToMissingGroupKeepsTheDialogOpen() {
        QFETCH(QString, listName);
        QFETCH(QByteArray, line);
        const QByteArrayList before = w_->savedLines(QStringLiteral("access.txt"));
        ModalAnswers answers;
        QString kept;
        answers.push([](QWidget* d) {
            type(d->findChild<QLineEdit*>(QStringLiteral("groupID")), QStringLiteral("9"));
            type(d->findChild<QLineEdit*>(QStringLiteral("comment")), QStringLiteral("kept"));
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Ok);
        answers.push([&](QWidget* d) {
            kept = d->findChild<QLineEdit*>(QStringLiteral("groupID"))->text() + "|" +
                   d->findChild<QLineEdit*>(QStringLiteral("comment"))->text();
            if (line.isNull())
                return pressCancel(d);
            type(d->findChild<QLineEdit*>(QStringLiteral("groupID")), QStringLiteral("0"));
            pressOk(d);
        });
        w_->doubleClick(list(listName), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(kept, QStringLiteral("9|kept"));
        QCOMPARE(answers.seen()[0].caption, QStringLiteral("Error"));
        QCOMPARE(answers.seen()[0].text, QStringLiteral("Group not found!!! Greate group first!"));
        QCOMPARE(answers.seen()[0].icon, QMessageBox::Critical);
        if (line.isNull()) {
            QVERIFY(!w_->window->ConfigChanged);
            QCOMPARE(w_->savedLines(QStringLiteral("access.txt")), before);
        } else {
            QVERIFY(w_->savedLines(QStringLiteral("access.txt")).contains(line));
        }
    }

    // A number typed out of range and confirmed at once with Enter is brought to the nearer bound first (a group
    // beyond 64 names group 64, which does not exist here).
    void numbersConfirmedWithEnterStayInBounds_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("line"); // none: refused, the group does not exist
        QTest::newRow("port 0") << "LPortA"
                                << "port"
                                << "0" << QByteArray("RP:0:1:");
        QTest::newRow("port 70000") << "LPortA"
                                    << "port"
                                    << "70000" << QByteArray("RP:0:65535:");
        QTest::newRow("range end 70000") << "LPortB"
                                         << "portEnd"
                                         << "70000" << QByteArray("BP:0:1:65535:");
        QTest::newRow("range start 70000") << "LPortB"
                                           << "portStart"
                                           << "70000" << QByteArray("BP:0:65535:65535:");
        QTest::newRow("group -5") << "LLimit"
                                  << "groupID"
                                  << "-5" << QByteArray("TL:0:0:");
        QTest::newRow("group 99") << "LUrl"
                                  << "groupID"
                                  << "99" << QByteArray();
    }
    void numbersConfirmedWithEnterStayInBounds() {
        QFETCH(QString, listName);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QByteArray, line);
        ModalAnswers answers;
        answers.push([&](QWidget* d) {
            type(d->findChild<QLineEdit*>(QStringLiteral("groupID")), QStringLiteral("0")); // none chosen at start
            auto* edit = d->findChild<QLineEdit*>(field);
            type(edit, typed);
            // Once this answer has returned, so that the next one can answer a box that Enter opens.
            QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
        });
        QString shownGroup;
        if (line.isNull()) {
            answers.pushBox(QMessageBox::Ok);
            answers.push([&](QWidget* d) {
                shownGroup = d->findChild<QLineEdit*>(QStringLiteral("groupID"))->text();
                pressCancel(d);
            });
        }
        w_->doubleClick(list(listName), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        if (line.isNull()) {
            QCOMPARE(shownGroup, QStringLiteral("64"));
            QCOMPARE(answers.seen()[0].text, QStringLiteral("Group not found!!! Greate group first!"));
        } else {
            QVERIFY(w_->savedLines(QStringLiteral("access.txt")).contains(line));
        }
    }

    // Edit (or Add) and "Ok": a field the user has not edited is kept as the line holds it, and "Ok" with nothing
    // touched changes nothing at all; an edited field is brought into its bounds, and a range the user has edited
    // is kept ordered, also at the top of the port range, where the end's bounds 65535..65535 bound nothing.
    void onlyEditedFieldsAreBounded_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QByteArray>("before"); // empty: Add
        QTest::addColumn<QStringList>("typed"); // field, text, field, text, ...
        QTest::addColumn<QByteArray>("after");

        const QStringList untouched;
        QTest::newRow("port beyond 65535, untouched")
            << "LPortA" << QByteArray("RP:1:70000:x") << untouched << QByteArray("RP:1:70000:x");
        QTest::newRow("port beyond 65535, comment edited")
            << "LPortA" << QByteArray("RP:1:70000:x") << QStringList{"comment", "z"} << QByteArray("RP:1:70000:z");
        QTest::newRow("port beyond 65535, port edited")
            << "LPortA" << QByteArray("RP:1:70000:x") << QStringList{"port", "70001"} << QByteArray("RP:1:65535:x");
        QTest::newRow("inverted range, untouched")
            << "LPortB" << QByteArray("BP:1:100:50:y") << untouched << QByteArray("BP:1:100:50:y");
        QTest::newRow("inverted range, comment edited")
            << "LPortB" << QByteArray("BP:1:100:50:y") << QStringList{"comment", "z"} << QByteArray("BP:1:100:50:z");
        QTest::newRow("inverted range, end edited")
            << "LPortB" << QByteArray("BP:1:100:50:y") << QStringList{"portEnd", "60"} << QByteArray("BP:1:100:100:y");
        QTest::newRow("range at the top, end below")
            << "LPortB" << QByteArray() << QStringList{"groupID", "3", "portStart", "65535", "portEnd", "100"}
            << QByteArray("BP:3:65535:65535:");
        QTest::newRow("range at the top, end beyond")
            << "LPortB" << QByteArray() << QStringList{"groupID", "3", "portStart", "65535", "portEnd", "70000"}
            << QByteArray("BP:3:65535:65535:");
        QTest::newRow("range at the top, edited")
            << "LPortB" << QByteArray("BP:3:1:10:x") << QStringList{"portStart", "65535", "portEnd", "100"}
            << QByteArray("BP:3:65535:65535:x");
        QTest::newRow("inverted hours, untouched")
            << "LTime" << QByteArray("WT:1:2:18:8:rev") << untouched << QByteArray("WT:1:2:18:8:rev");
        QTest::newRow("inverted hours, comment edited")
            << "LTime" << QByteArray("WT:1:2:18:8:rev") << QStringList{"comment", "z"} << QByteArray("WT:1:2:18:8:z");
        QTest::newRow("inverted hours, begin edited")
            << "LTime" << QByteArray("WT:1:2:18:8:rev") << QStringList{"begin", "17"} << QByteArray("WT:1:2:17:18:rev");
        QTest::newRow("hours at the top")
            << "LTime" << QByteArray() << QStringList{"groupID", "1", "begin", "23", "end", "30"}
            << QByteArray("WT:1:0:23:24:");
        QTest::newRow("limit not a number, untouched")
            << "LLimit" << QByteArray("TL:1:lots:") << untouched << QByteArray("TL:1:lots:");
        QTest::newRow("changed and changed back")
            << "LPortA" << QByteArray("RP:1:70000:x") << QStringList{"comment", "x2", "comment", "x"}
            << QByteArray("RP:1:70000:x");
    }
    void onlyEditedFieldsAreBounded() {
        QFETCH(QString, listName);
        QFETCH(QByteArray, before);
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, after);
        startAnew(w_, "GN:1:Office:\r\nGN:3:Lab:\r\n" + before + "\r\n");
        ModalAnswers answers;
        answers.push([&](QWidget* d) {
            for (qsizetype i = 0; i + 1 < typed.size(); i += 2)
                type(d->findChild<QLineEdit*>(typed[i]), typed[i + 1]);
            pressOk(d);
        });
        w_->doubleClick(list(listName), before.isEmpty() ? -1 : 0);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QAction* undo = w_->window->findChild<QAction*>(QStringLiteral("UndoAction"));
        if (after == before) {
            QVERIFY(!w_->window->ConfigChanged);
            QVERIFY(!undo->isEnabled());
            w_->window->ConfigChanged = true; // saved all the same, to see the line
        }
        QVERIFY(w_->savedLines(QStringLiteral("access.txt")).contains(after));
    }

    // Every new dialog refuses ":" in its text fields, with the dialog staying open with what was typed.
    void colonRefused_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("label");
        QTest::newRow("URL") << "LUrl"
                             << "url"
                             << "Url";
        QTest::newRow("word") << "LWord"
                              << "name"
                              << "Word";
        QTest::newRow("limit comment") << "LLimit"
                                       << "comment"
                                       << "Comments";
        QTest::newRow("port access comment") << "LPortA"
                                             << "comment"
                                             << "Comments";
        QTest::newRow("port blocking comment") << "LPortB"
                                               << "comment"
                                               << "Comments";
    }
    void colonRefused() {
        QFETCH(QString, listName);
        QFETCH(QString, field);
        QFETCH(QString, label);
        ModalAnswers answers;
        QString kept;
        answers.push([&](QWidget* d) {
            type(d->findChild<QLineEdit*>(field), QStringLiteral("http://x"));
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Ok);
        answers.push([&](QWidget* d) {
            kept = d->findChild<QLineEdit*>(field)->text();
            pressCancel(d);
        });
        w_->doubleClick(list(listName), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(kept, QStringLiteral("http://x"));
        QCOMPARE(
            answers.seen()[0].text,
            QStringLiteral("The field \"%1\" cannot hold \":\": it separates the fields of a rule line.").arg(label));
        QVERIFY(!w_->window->ConfigChanged);
    }

    // The blocked range stays ordered while the start changes: raising it above the end moves the end, lowering
    // it leaves the end but lowers the end's minimum, and emptying it puts 1 back at once.
    void portRangeStaysOrdered() {
        TFPortB dialog(nullptr);
        type(dialog.portEnd, QStringLiteral("100"));
        type(dialog.portStart, QStringLiteral("200"));
        QCOMPARE(dialog.portEnd->text(), QStringLiteral("200"));
        type(dialog.portStart, QStringLiteral("150"));
        QCOMPARE(dialog.portEnd->text(), QStringLiteral("200"));
        QCOMPARE(dialog.portEnd->minValue(), 150);
        type(dialog.portStart, QString());
        QCOMPARE(dialog.portStart->text(), QStringLiteral("1"));
        QCOMPARE(dialog.portEnd->minValue(), 1);
        type(dialog.portEnd, QStringLiteral("0"));
        dialog.portEnd->applyBounds();
        QCOMPARE(dialog.portEnd->text(), QStringLiteral("1"));
    }

    // Every kind's dialog maps its fields to a rule itself: a rule shown appears in the fields its objectNames
    // name and comes back unchanged, its tag included (the shared dialogs keep the tag of the list they were made
    // for); the group field is the dialog's "groupID".
    void dialogsMapTheirOwnFields_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("shown"); // objectName=text of the fields, in value order
        const auto row = [](const char* name, const char* list, const char* tag, QStringList values, int type,
                            QStringList shown) {
            QTest::newRow(name) << QString::fromLatin1(list) << QString::fromLatin1(tag) << values << type << shown;
        };
        row("network", "LNetwork", "GD", {"10.0.0.0", "255.0.0.0", "lan"}, 0,
            {"ip=10.0.0.0", "mask=255.0.0.0", "comment=lan"});
        row("host", "LHost", "CD", {"pc1", "desk"}, 0, {"name=pc1", "comment=desk"});
        row("URL allowed", "LUrl", "PA", {"ya.ru", "ok"}, 0, {"url=ya.ru", "comment=ok"});
        row("URL denied", "LUrl", "PD", {"x.org", "no"}, 0, {"url=x.org", "comment=no"});
        row("word", "LWord", "BW", {"casino", "w"}, 0, {"name=casino", "comment=w"});
        row("traffic limit", "LLimit", "TL", {"500", "day"}, 0, {"speed=500", "comment=day"});
        row("speed", "LSpeed", "RL", {"900", "min"}, 0, {"speed=900", "comment=min"});
        row("allowed port", "LPortA", "RP", {"8080", "web"}, 0, {"port=8080", "comment=web"});
        row("blocked ports", "LPortB", "BP", {"100", "200", "range"}, 0,
            {"portStart=100", "portEnd=200", "comment=range"});
        row("time", "LTime", "WT", {"3", "9", "18", "work"}, 0, {"day=Wednesday", "begin=9", "end=18", "comment=work"});
        row("input login", "LAuth", "IA", {"u", "p", "c"}, 0, {"login=u", "passw=p", "comment=c"});
        row("output login", "LAuth", "OA", {"v", "q", "d"}, 1, {"login=v", "passw=q", "comment=d"});
    }
    void dialogsMapTheirOwnFields() {
        QFETCH(QString, list);
        QFETCH(QString, tag);
        QFETCH(QStringList, values);
        QFETCH(int, type);
        QFETCH(QStringList, shown);
        const ListDescriptor* kind = nullptr;
        for (const ListDescriptor* descriptor : accesslists::all())
            if (QLatin1String(descriptor->objectName) == list)
                kind = descriptor;
        QVERIFY(kind);
        for (const EditorAction action : {EditorAction::Add, EditorAction::Edit}) {
            const std::unique_ptr<TRuleDialog> dialog = kind->dialog.create(nullptr, action);
            QCOMPARE(dialog->groupField(), dialog->findChild<TAdvSpinEdit*>(QStringLiteral("groupID")));
            dialog->showRecord({tag, values});
            dialog->showType(type);
            for (const QString& field : shown) {
                const QString name = field.section(u'=', 0, 0);
                const auto* edit = dialog->findChild<QLineEdit*>(name);
                QVERIFY2(edit, qPrintable(name));
                QCOMPARE(edit->text(), field.section(u'=', 1));
            }
            const RuleRecord record = dialog->record();
            QCOMPARE(record.tag, tag);
            QCOMPARE(record.values, values);
            QCOMPARE(dialog->type(), type);
            // Tab visits the fields in the order the line holds them, as they stand in the dialog.
            QStringList inTabOrder;
            for (QWidget* widget = dialog->nextInFocusChain(); widget != dialog.get();
                 widget = widget->nextInFocusChain())
                if (const auto* edit = qobject_cast<QLineEdit*>(widget);
                    edit && shown.contains(edit->objectName() + u'=' + edit->text()))
                    inTabOrder << edit->objectName() + u'=' + edit->text();
            QCOMPARE(inTabOrder, shown);
        }
    }

    // Every dialog's group field is a combo box ("groupChoice") whose line edit is the number field "groupID": an
    // Add's offers the existing groups as "N - name" (a group without a name as "noname"), each with its number as
    // data; choosing one with the mouse or stepping with the arrow keys puts only its number into the field; a
    // number typed stays as typed; Tab goes on to the dialog's first value field. An Edit's field offers nothing
    // and cannot be changed.
    void groupFieldOffersTheGroups_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("nextField");
        for (const auto& [list, next] :
             std::initializer_list<std::pair<const char*, const char*>>{{"GroupName", "name"},
                                                                        {"LNetwork", "ip"},
                                                                        {"LHost", "name"},
                                                                        {"LUrl", "Combo"},
                                                                        {"LWord", "name"},
                                                                        {"LLimit", "speed"},
                                                                        {"LSpeed", "speed"},
                                                                        {"LPortA", "port"},
                                                                        {"LPortB", "portStart"},
                                                                        {"LTime", "day"},
                                                                        {"LAuth", "Combo"}})
            QTest::newRow(list) << QString::fromLatin1(list) << QString::fromLatin1(next);
    }
    void groupFieldOffersTheGroups() {
        QFETCH(QString, listName);
        QFETCH(QString, nextField);
        startAnew(w_, "GN:0:AllUsers:\r\nGN:1:Office:\r\nGN:3:Guests:\r\nGD:5:10.0.0.0:255.0.0.0:\r\n"
                      "GD:1:10.1.0.0:255.255.0.0:\r\nCD:1:pc1:\r\nPA:1:a.com:\r\nBW:1:dice:\r\nTL:1:5000:\r\n"
                      "RL:1:6000:\r\nRP:1:443:\r\nBP:1:25:25:\r\nWT:1:1:9:18:\r\nIA:1:u:p:\r\n");
        QStringList offered, seen;
        ModalAnswers answers;
        answers.push([&](QWidget* d) {
            auto* choice = d->findChild<QComboBox*>(QStringLiteral("groupChoice"));
            auto* field = d->findChild<QLineEdit*>(QStringLiteral("groupID"));
            for (int i = 0; i < choice->count(); ++i)
                offered << choice->itemText(i) + u'=' + choice->itemData(i).toString();
            choice->showPopup();
            QAbstractItemView* entries = choice->view();
            QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                              entries->visualRect(entries->model()->index(2, 0)).center());
            seen << field->text(); // chosen with the mouse
            type(field, QStringLiteral("1"));
            choice->setFocus();
            QTest::keyClick(choice, Qt::Key_Down);
            seen << field->text(); // the next group after the one typed
            type(field, QStringLiteral("03"));
            seen << field->text();
            field->setFocus();
            QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
            seen << d->focusWidget()->objectName();
            pressCancel(d);
        });
        answers.push([&](QWidget* d) {
            auto* choice = d->findChild<QComboBox*>(QStringLiteral("groupChoice"));
            choice->showPopup();
            seen << (choice->view()->isVisible() ? "opens" : "stays closed");
            QTest::keyClick(choice, Qt::Key_Down);
            seen << d->findChild<QLineEdit*>(QStringLiteral("groupID"))->text();
            pressCancel(d);
        });
        w_->doubleClick(list(listName), -1);
        w_->doubleClick(list(listName), static_cast<int>(columnTexts(list(listName), 0).indexOf("1")));
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QCOMPARE(offered, (QStringList{"0 - AllUsers=0", "1 - Office=1", "3 - Guests=3", "5 - noname=5"}));
        QCOMPARE(seen, (QStringList{"3", "3", "03", nextField, "stays closed", "1"}));
        QVERIFY(!w_->window->ConfigChanged);
    }

    // Add starts at the group of the selected row; without one, at the group of the last Add that took effect in
    // this session; before any, at no group (the field is empty): never at a group the user did not choose. The
    // selected row wins over the group last used.
    void addStartsAtTheSelectedOrLastGroup_data() {
        QTest::addColumn<QString>("listName");
        for (const char* list : {"GroupName", "LNetwork", "LHost", "LUrl", "LWord", "LLimit", "LSpeed", "LPortA",
                                 "LPortB", "LTime", "LAuth"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void addStartsAtTheSelectedOrLastGroup() {
        QFETCH(QString, listName);
        startAnew(w_, "GN:1:Office:\r\nCD:3:guest:\r\nGD:1:10.1.0.0:255.255.0.0:\r\nCD:1:pc1:\r\nPA:1:a.com:\r\n"
                      "BW:1:dice:\r\nTL:1:5000:\r\nRL:1:6000:\r\nRP:1:443:\r\nBP:1:25:25:\r\nWT:1:1:9:18:\r\n"
                      "IA:1:u:p:\r\n");
        QTableView* view = list(listName);
        QStringList seen;
        ModalAnswers answers;
        const auto see = [&] {
            answers.push([&](QWidget* d) {
                seen << d->findChild<QLineEdit*>(QStringLiteral("groupID"))->text();
                pressCancel(d);
            });
        };
        see();
        w_->click(view, 0);
        w_->popup(view, 0, Qt::Key_A);
        see();
        w_->doubleClick(view, -1);
        answers.push([&](QWidget* d) {
            type(d->findChild<QLineEdit*>(QStringLiteral("groupID")), QStringLiteral("3"));
            type(d->findChild<QLineEdit*>(QStringLiteral("comment")), QStringLiteral("for the guests"));
            pressOk(d);
        });
        w_->doubleClick(view, -1);
        see();
        w_->doubleClick(view, -1);
        see();
        w_->click(view, 0);
        w_->popup(view, 0, Qt::Key_A);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        const QString firstRowsGroup = cell(view, 0, 0);
        QCOMPARE(seen, (QStringList{firstRowsGroup, "", "3", firstRowsGroup}));
        QVERIFY(w_->window->ConfigChanged); // the Add for group 3 took effect
    }

    // An Add that would replace a group's single line of its kind (its name, traffic limit, speed limit,
    // authorization of the type chosen) asks first, naming the group and what the line holds, No being the
    // default. Yes replaces; No keeps the dialog open with what was typed, at its group field, and Cancel then
    // changes nothing and leaves no step to undo. A line of another type, or a group without the line, asks nothing.
    void addOverASingleLineAsks_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QStringList>("typed"); // field=text; "Combo=i" chooses entry i
        QTest::addColumn<int>("answer");        // 0: no question
        QTest::addColumn<QString>("question");
        QTest::addColumn<QByteArray>("line"); // of the group after the Add
        const QStringList limit{"groupID=1", "speed=7"}, login{"groupID=1", "login=x", "passw=y"};
        QTest::newRow("name, Yes") << "GroupName" << QStringList{"groupID=1", "name=Lab"} << int(QMessageBox::Yes)
                                   << "Group 1 already has its name: \"Office\"." << QByteArray("GN:1:Lab:new");
        QTest::newRow("empty name, No") << "GroupName" << QStringList{"groupID=2", "name=Lab"} << int(QMessageBox::No)
                                        << "Group 2 already has its name: \"noname\", \"note\"."
                                        << QByteArray("GN:2::note");
        QTest::newRow("no name line yet")
            << "GroupName" << QStringList{"groupID=4", "name=Lab"} << 0 << QString() << QByteArray("GN:4:Lab:new");
        QTest::newRow("limit, Yes") << "LLimit" << limit << int(QMessageBox::Yes)
                                    << "Group 1 already has its traffic limit: \"5000\", \"daily\"."
                                    << QByteArray("TL:1:7:new");
        QTest::newRow("limit, No") << "LLimit" << limit << int(QMessageBox::No) << "traffic limit"
                                   << QByteArray("TL:1:5000:daily");
        QTest::newRow("speed, No") << "LSpeed" << limit << int(QMessageBox::No)
                                   << "Group 1 already has its speed limit: \"6000\"." << QByteArray("RL:1:6000:");
        QTest::newRow("input login, Yes")
            << "LAuth" << login + QStringList{"Combo=0"} << int(QMessageBox::Yes)
            << QString::fromUtf8("Group 1 already has its authorization rule (Input): \"u\", \"••••"
                                 "••••\".")
            << QByteArray("IA:1:x:y:new");
        QTest::newRow("output login, none yet")
            << "LAuth" << login + QStringList{"Combo=1"} << 0 << QString() << QByteArray("OA:1:x:y:new");
    }
    void addOverASingleLineAsks() {
        QFETCH(QString, listName);
        QFETCH(QStringList, typed);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QByteArray, line);
        startAnew(w_, "GN:1:Office:\r\nGN:2::note\r\nGD:4:10.0.0.0:255.0.0.0:\r\nTL:1:5000:daily\r\nRL:1:6000:\r\n"
                      "IA:1:u:p:\r\n");
        ModalAnswers answers;
        QString keptComment, focusedOnNo;
        answers.push([&](QWidget* d) {
            for (const QString& field : typed) {
                const QString name = field.section(u'=', 0, 0), text = field.section(u'=', 1);
                if (name == QLatin1String("Combo"))
                    d->findChild<QComboBox*>(name)->setCurrentIndex(text.toInt());
                else
                    type(d->findChild<QLineEdit*>(name), text);
            }
            type(d->findChild<QLineEdit*>(QStringLiteral("comment")), QStringLiteral("new"));
            pressOkLater(d);
        });
        Asked asked;
        if (answer != 0)
            pushQuestion(answers, QMessageBox::StandardButton(answer), asked);
        if (answer == QMessageBox::No)
            answers.push([&](QWidget* d) { // the dialog, still open, at its group field
                keptComment = d->findChild<QLineEdit*>(QStringLiteral("comment"))->text();
                focusedOnNo = d->focusWidget() ? d->focusWidget()->objectName() : QString();
                pressCancel(d);
            });
        w_->doubleClick(list(listName), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        if (answer != 0) {
            QVERIFY2(asked.text.contains(question), qPrintable(asked.text));
            QCOMPARE(asked.defaultButton, QMessageBox::No);
        }
        if (answer == QMessageBox::No) {
            QCOMPARE(keptComment, QStringLiteral("new"));
            QCOMPARE(focusedOnNo, QStringLiteral("groupChoice"));
            QVERIFY(!w_->window->ConfigChanged);
            QVERIFY(!w_->window->findChild<QAction*>(QStringLiteral("UndoAction"))->isEnabled());
            w_->window->ConfigChanged = true; // saved all the same, to see the line
        }
        QVERIFY(w_->savedLines(QStringLiteral("access.txt")).contains(line));
    }

    // An Edit that turns a group's Input authorization into Output, where the group already has an Output line,
    // asks as an Add does: Yes leaves one Output line (the edited one), No loses neither line.
    void editChangingTheTypeAsks_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << QByteArrayList{"OA:1:u:p:"};
        QTest::newRow("No") << int(QMessageBox::No) << QByteArrayList{"IA:1:u:p:", "OA:1:o:q:"};
    }
    void editChangingTheTypeAsks() {
        QFETCH(int, answer);
        QFETCH(QByteArrayList, lines);
        startAnew(w_, "GN:1:Office:\r\nIA:1:u:p:\r\nOA:1:o:q:\r\n");
        QTableView* view = list(QStringLiteral("LAuth"));
        const int inputRow = cell(view, 0, 1) == QLatin1String("u") ? 0 : 1; // the login of the Input line
        ModalAnswers answers;
        answers.push([&](QWidget* d) {
            d->findChild<QComboBox*>(QStringLiteral("Combo"))->setCurrentIndex(1);
            pressOkLater(d);
        });
        Asked asked;
        pushQuestion(answers, QMessageBox::StandardButton(answer), asked);
        if (answer == QMessageBox::No)
            answers.push([](QWidget* d) { pressCancel(d); });
        w_->doubleClick(view, inputRow);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QVERIFY2(asked.text.contains(QStringLiteral("Group 1 already has its authorization rule (Output)")),
                 qPrintable(asked.text));
        w_->window->ConfigChanged = true;
        QByteArrayList authorizations = w_->savedLines(QStringLiteral("access.txt"));
        authorizations.removeIf([](const QByteArray& line) { return !line.contains("A:1:"); });
        QCOMPARE(authorizations, lines);
    }

    // Every rule list of the window runs its own editor's actions: a double click on a row, one on empty space and
    // the pop-up menu's "&Add" and "&Edit" (on a selected row) open the kind's dialog, and the Delete key deletes
    // the selected row through the list's model (a change, without any box).
    void everyListRunsItsEditor_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("dialog");
        for (const auto& [list, dialog] :
             std::initializer_list<std::pair<const char*, const char*>>{{"GroupName", "TFGroupName"},
                                                                        {"LNetwork", "TFNet"},
                                                                        {"LHost", "TFGroupName"},
                                                                        {"LUrl", "TFUrl"},
                                                                        {"LWord", "TFGroupName"},
                                                                        {"LLimit", "TFSpeed"},
                                                                        {"LSpeed", "TFSpeed"},
                                                                        {"LPortA", "TFPortA"},
                                                                        {"LPortB", "TFPortB"},
                                                                        {"LTime", "TFTime"},
                                                                        {"LAuth", "TFAuth"},
                                                                        {"CacheSkipRules", "TFCacheSkip"},
                                                                        {"RouterRules", "TFMService"}})
            QTest::newRow(list) << QString::fromLatin1(list) << QString::fromLatin1(dialog);
    }
    void everyListRunsItsEditor() {
        QFETCH(QString, list);
        QFETCH(QString, dialog);
        startAnew(w_,
                  "GN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:\r\nGD:1:10.1.0.0:255.255.0.0:\r\nCD:1:pc1:\r\n"
                  "CD:1:pc2:\r\nPA:1:a.com:\r\nPD:1:b.com:\r\nBW:1:casino:\r\nBW:1:dice:\r\nTL:1:5000:\r\n"
                  "RL:1:6000:\r\nRP:1:443:\r\nRP:1:80:\r\nBP:1:25:25:\r\nBP:1:26:27:\r\nWT:1:1:9:18:\r\n"
                  "WT:1:2:9:18:\r\nIA:1:u:p:\r\nOA:1:v:q:\r\n",
                  "SA:a.com:\r\nSD:b.com:\r\n", "CR:1100:25:mail.example.com:SMTP:5:10:60:0:0:\r\n");
        QTableView* view = this->list(list);
        QVERIFY(rowCount(view) > 0);
        QStringList opened;
        ModalAnswers answers;
        for (int i = 0; i < 4; ++i)
            answers.push([&opened](QWidget* shown) {
                opened << QString::fromLatin1(shown->metaObject()->className());
                pressCancel(shown);
            });
        w_->doubleClick(view, 0);
        w_->doubleClick(view, -1);
        w_->popup(view, -1, Qt::Key_A);
        w_->click(view, 0);
        w_->popup(view, 0, Qt::Key_E);
        QCOMPARE(opened, QStringList(4, dialog));
        QVERIFY(!w_->window->ConfigChanged);

        w_->click(view, rowCount(view) - 1);
        w_->key(view, Qt::Key_Delete);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(problems(answers)));
        QVERIFY(w_->window->ConfigChanged);
    }
};

QTEST_MAIN(TestRuleKinds)
#include "test_rule_kinds.moc"
