// The change flag of the rule lists, and a whole editing session over groups, networks, hosts and cache-skip
// rules saved and compared with golden files byte for byte.

#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/RuleListDriver.h"
#include "cacheskip/CacheSkipDialog.h"

#include <QComboBox>
#include <QDir>
#include <QtTest>

using namespace rulelists;

class TestRuleListsSave : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;

private slots:
    void init() {
        startAnew(w_, goldenFile("access/session/input/access.txt"), goldenFile("access/session/input/skip.txt"));
    }
    void cleanup() { w_.reset(); }

    // Selecting a row and sorting by a header click change nothing of the configuration; the cache-skip header
    // click sorts the lines themselves, so it is a change.
    void changeFlag_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<bool>("headerClickChanges");
        QTest::newRow("GroupName") << "GroupName" << false;
        QTest::newRow("LNetwork") << "LNetwork" << false;
        QTest::newRow("LHost") << "LHost" << false;
        QTest::newRow("CacheSkipRules") << "CacheSkipRules" << true;
    }
    void changeFlag() {
        QFETCH(QString, listName);
        QFETCH(bool, headerClickChanges);
        QTableView* list = w_->list(listName.toLatin1().constData());
        QVERIFY(!w_->window->ConfigChanged);
        w_->click(list, 1);
        w_->click(list, 0);
        w_->key(list, Qt::Key_Down);
        w_->clickEmpty(list);
        QVERIFY(!w_->window->ConfigChanged);
        w_->clickHeader(list, 1);
        QCOMPARE(w_->window->ConfigChanged, headerClickChanges);
        w_->window->ConfigChanged = false;
        w_->click(list, 0);
        w_->key(list, Qt::Key_Delete);
        QVERIFY(w_->window->ConfigChanged);
    }

    // An edit whose row shows the same texts as before may still rebuild a hand-written line differently (a
    // field too many, a leading zero, blanks around the tag): that is a change, and the next save writes it.
    void editRebuildingTheLineIsAChange_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("host with a leading zero and a field too many")
            << "LHost" << 1 << "access.txt" << QByteArray("CD:2:PC2:odd");
        QTest::newRow("cache-skip rule with blanks around the tag")
            << "CacheSkipRules" << 1 << "skip.txt" << QByteArray("SA:x:y");
    }
    void editRebuildingTheLineIsAChange() {
        QFETCH(QString, listName);
        QFETCH(int, row);
        QFETCH(QString, file);
        QFETCH(QByteArray, line);
        QTableView* list = w_->list(listName.toLatin1().constData());
        const QString before = rowText(list, row);
        ModalAnswers answers;
        answers.push([](QWidget* d) {
            auto* comment = d->findChild<QLineEdit*>(QStringLiteral("comment"));
            const QString text = comment->text();
            type(comment, text); // typed again: the dialog has changed, the texts have not
            pressOk(d);
        });
        w_->doubleClick(list, row);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(rowText(list, row), before);
        QVERIFY(w_->window->ConfigChanged);
        QVERIFY(w_->savedLines(file).contains(line));
    }

    void session() {
        ModalAnswers answers;
        QTableView* groups = w_->list("GroupName");
        QTableView* networks = w_->list("LNetwork");
        QTableView* hosts = w_->list("LHost");
        QTableView* skip = w_->list("CacheSkipRules");

        // Groups: a new one, a changed comment, one deleted (its other rules stay).
        answers.pushDialog<TFGroupName>([](TFGroupName* d) {
            type(d->groupID, QStringLiteral("5"));
            type(d->name, QString::fromUtf8("Продажи"));
            type(d->comment, QStringLiteral("2nd floor"));
            pressOk(d);
        });
        w_->doubleClick(groups, -1);
        answers.pushDialog<TFGroupName>([](TFGroupName* d) {
            type(d->comment, QStringLiteral("main"));
            pressOk(d);
        });
        w_->doubleClick(groups, 1);
        w_->click(groups, 2);
        w_->key(groups, Qt::Key_Delete);
        QCOMPARE(rowTexts(groups),
                 (QStringList{"0|AllUsers|", "1|Office|main", QString::fromUtf8("5|Продажи|2nd floor")}));

        // Networks: one added to a missing group, the hand-written one edited, a duplicate deleted, then one
        // deleted after a sort by address.
        answers.pushDialog<TFNet>([](TFNet* d) {
            type(d->groupID, QStringLiteral("3"));
            type(d->ip, QStringLiteral("10.3.0.0"));
            type(d->mask, QStringLiteral("255.255.0.0"));
            type(d->comment, QStringLiteral("lab"));
            pressOk(d);
        });
        answers.pushBox(QMessageBox::Ok); // "New group created succesfull!"
        w_->doubleClick(networks, -1);
        answers.pushDialog<TFNet>([](TFNet* d) {
            type(d->comment, QStringLiteral("edited"));
            pressOk(d);
        });
        w_->doubleClick(networks, 2);
        w_->click(networks, 1);
        w_->key(networks, Qt::Key_Delete);
        w_->clickHeader(networks, 1);
        QCOMPARE(rowTexts(networks), (QStringList{"1|10.0.0.10|255.255.255.255|edited", "3|10.3.0.0|255.255.0.0|lab",
                                                  "2|172.16.0.0|255.240.0.0|", "1|192.168.1.0|255.255.255.0|lan"}));
        w_->click(networks, 2);
        w_->key(networks, Qt::Key_Delete);

        // Hosts: one added to the new group, the hand-written one deleted. It was group 2's last line that brings
        // the group into being (its name and network went above): its limit, which the next load would drop, goes
        // with it.
        answers.pushDialog<TFGroupName>([](TFGroupName* d) {
            type(d->groupID, QStringLiteral("5"));
            type(d->name, QStringLiteral("PC-NEW"));
            pressOk(d);
        });
        w_->doubleClick(hosts, -1);
        w_->click(hosts, 1);
        answers.pushBox(QMessageBox::Yes); // delete group 2's rules too?
        w_->key(hosts, Qt::Key_Delete);
        QCOMPARE(rowTexts(hosts), (QStringList{"1|PC1|", "5|PC-NEW|"}));
        QCOMPARE(rowCount(w_->list("LLimit")), 0);

        // Cache-skip rules: one added, the lines sorted, one edited and one deleted after the sort.
        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) {
            d->Combo->setCurrentIndex(2);
            type(d->url, QStringLiteral("500"));
            type(d->comment, QStringLiteral("server"));
            pressOk(d);
        });
        w_->doubleClick(skip, -1);
        w_->clickHeader(skip, 0);
        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) {
            type(d->comment, QStringLiteral("a"));
            pressOk(d);
        });
        w_->doubleClick(skip, 3);
        w_->click(skip, 1);
        w_->key(skip, Qt::Key_Delete);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(answers.seen().size(), std::size_t(2));

        QVERIFY(w_->window->ConfigChanged);
        w_->save();
        QVERIFY(!w_->window->ConfigChanged);
        const QDir expected(QStringLiteral(GLYM_TEST_DATA "/access/session/expected"));
        const QStringList names = expected.entryList(QDir::Files, QDir::Name);
        QCOMPARE(names, (QStringList{"access.txt", "access.txt.bak", "skip.txt", "skip.txt.bak"}));
        for (const QString& name : names) {
            const QByteArray written = w_->dir.read(name);
            const QByteArray golden = goldenFile("access/session/expected/" + name);
            if (written != golden)
                QFAIL(qPrintable(QStringLiteral("%1 differs from the golden file:\n%2\n--- expected ---\n%3")
                                     .arg(name, QString::fromLatin1(written), QString::fromLatin1(golden))));
        }
    }
};

QTEST_MAIN(TestRuleListsSave)
#include "test_rulelists_save.moc"
