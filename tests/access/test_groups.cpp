// The user groups list GroupName: filled at start-up, Add (new number, a number in use, a number deleted
// before), Edit, Delete, and "Ok" without a change; the results are checked in the rows and in the saved file.

#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/RuleListDriver.h"
#include "widgets/Advspin.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>

using namespace rulelists;

namespace {

// Group 2 has a "GN" line with an empty name, group 3 none at all: both are listed as "noname".
const QByteArray kAccess = "GN:0:AllUsers:\r\n"
                           "GN:1:Office:first floor\r\n"
                           "GD:1:192.168.1.0:255.255.255.0:\r\n"
                           "PA:1:x.com:\r\n"
                           "GN:2::nameless comment\r\n"
                           "GD:3:10.0.0.0:255.0.0.0:\r\n"
                           "CD:3:PC1:\r\n";

// The dialog fields as the test saw them when the dialog opened.
struct SeenDialog {
    QString title, box, group, name, comment;
    bool groupReadOnly = false;
    Qt::FocusPolicy groupFocus = Qt::NoFocus;
};

SeenDialog seeDialog(TFGroupName* dialog) {
    return {dialog->windowTitle(),   dialog->Box1->title(),         dialog->groupID->text(),       dialog->name->text(),
            dialog->comment->text(), dialog->groupID->isReadOnly(), dialog->groupID->focusPolicy()};
}

} // namespace

class TestGroups : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    QTableView* groups() const { return w_->list("GroupName"); }

    void start(const QByteArray& access = kAccess) { startAnew(w_, access); }
    QByteArrayList savedAccessLines() { return w_->savedLines(QStringLiteral("access.txt")); }

private slots:
    void init() { start(); }
    void cleanup() { w_.reset(); }

    void fillListsEveryGroupInNumberOrder() {
        QCOMPARE(rowTexts(groups()),
                 (QStringList{"0|AllUsers|", "1|Office|first floor", "2|noname|nameless comment", "3|noname|"}));
        QVERIFY(!w_->window->ConfigChanged);
    }

    void missingAccessFileGivesNoGroups() {
        start(QByteArray());
        QCOMPARE(rowCount(groups()), 0);
    }

    void addNewGroup() {
        ModalAnswers answers;
        SeenDialog seen;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            seen = seeDialog(d);
            type(d->groupID, QStringLiteral("5"));
            type(d->name, QStringLiteral("Sales"));
            type(d->comment, QStringLiteral("Отдел продаж"));
            pressOk(d);
        });
        w_->doubleClick(groups(), -1); // on no row: Add
        QVERIFY2(answers.unexpected().isEmpty(), qPrintable(answers.unexpected().join('\n')));
        QVERIFY(answers.allAnswered());
        QCOMPARE(seen.title, QStringLiteral("Add Group Name"));
        QCOMPARE(seen.box, QStringLiteral(" Add Group Name "));
        QCOMPARE(seen.group, QString()); // no row selected, no group used yet: the user chooses
        QVERIFY(!seen.groupReadOnly);
        QCOMPARE(rowTexts(groups()).last(), QStringLiteral("5|Sales|Отдел продаж"));
        QVERIFY(w_->window->ConfigChanged);
        const QByteArrayList lines = savedAccessLines();
        QVERIFY(lines.contains(QByteArray("GN:5:Sales:\xCE\xF2\xE4\xE5\xEB \xEF\xF0\xEE\xE4\xE0\xE6")));
    }

    // A number in use renames that group: its row is updated (matched by number, also when typed "03"), its
    // other rules stay, no second row appears.
    void addUnderNumberInUseRenames_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("3") << "3" << QByteArray("GN:3:Lab:");
        QTest::newRow("03") << "03" << QByteArray("GN:03:Lab:");
    }
    void addUnderNumberInUseRenames() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, line);
        ModalAnswers answers;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            type(d->groupID, typed);
            type(d->name, QStringLiteral("Lab"));
            pressOk(d);
        });
        w_->clickEmpty(groups());
        w_->popup(groups(), -1, Qt::Key_A);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowTexts(groups()),
                 (QStringList{"0|AllUsers|", "1|Office|first floor", "2|noname|nameless comment", "3|Lab|"}));
        QCOMPARE(rowCount(w_->list("LNetwork")), 2);
        QCOMPARE(savedAccessLines(),
                 (QByteArrayList{"GN:0:AllUsers:", "GN:1:Office:first floor",
                                 "GD:1:192.168.1.0:255.255.255.0:", "PA:1:x.com:", "GN:2::nameless comment", line,
                                 "GD:3:10.0.0.0:255.0.0.0:", "CD:3:PC1:"}));
    }

    // The row shows the same texts, but the stored line is new ("GN:01:..."): that is a change to be saved, once
    // the user has agreed to replace the group's name line.
    void addWithTheRowsOwnTextsIsAChange() {
        ModalAnswers answers;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            type(d->groupID, QStringLiteral("01"));
            type(d->name, QStringLiteral("Office"));
            type(d->comment, QStringLiteral("first floor"));
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Yes);
        w_->doubleClick(groups(), -1);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowTexts(groups())[1], QStringLiteral("1|Office|first floor"));
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(savedAccessLines()[1], QByteArray("GN:01:Office:first floor"));
    }

    void addAfterDeleteAppendsARowAgain() {
        w_->click(groups(), 1);
        w_->key(groups(), Qt::Key_Delete);
        QCOMPARE(rowCount(groups()), 3);
        ModalAnswers answers;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            type(d->groupID, QStringLiteral("1"));
            type(d->name, QStringLiteral("Again"));
            pressOk(d);
        });
        w_->clickEmpty(groups());
        w_->doubleClick(groups(), -1);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowTexts(groups()).last(), QStringLiteral("1|Again|"));
        const QByteArrayList lines = savedAccessLines();
        QCOMPARE(lines.mid(1, 3), (QByteArrayList{"GN:1:Again:", "GD:1:192.168.1.0:255.255.255.0:", "PA:1:x.com:"}));
    }

    void editGroup() {
        ModalAnswers answers;
        SeenDialog seen;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            seen = seeDialog(d);
            type(d->name, QStringLiteral("Head office"));
            pressOk(d);
        });
        w_->doubleClick(groups(), 1); // on a row: Edit
        QVERIFY(answers.allAnswered());
        QCOMPARE(seen.title, QStringLiteral("Edit Group Name "));
        QCOMPARE(seen.box, QStringLiteral(" Edit Group Name "));
        QCOMPARE(seen.group, QStringLiteral("1"));
        QCOMPARE(seen.name, QStringLiteral("Office"));
        QCOMPARE(seen.comment, QStringLiteral("first floor"));
        QVERIFY(seen.groupReadOnly);
        QVERIFY(!(seen.groupFocus & Qt::TabFocus));
        QCOMPARE(rowTexts(groups())[1], QStringLiteral("1|Head office|first floor"));
        QCOMPARE(rowCount(groups()), 4);
        QCOMPARE(savedAccessLines()[1], QByteArray("GN:1:Head office:first floor"));
    }

    // A nameless group shows "noname", but its dialog holds the name of its line: empty.
    void editNamelessGroup_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("GN line with an empty name") << 2 << "nameless comment" << QByteArray("GN:2::changed");
        QTest::newRow("no GN line") << 3 << "" << QByteArray("GN:3::changed");
    }
    void editNamelessGroup() {
        QFETCH(int, row);
        QFETCH(QString, comment);
        QFETCH(QByteArray, saved);
        ModalAnswers answers;
        SeenDialog seen;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            seen = seeDialog(d);
            type(d->comment, QStringLiteral("changed"));
            pressOk(d);
        });
        w_->click(groups(), row);
        w_->key(groups(), Qt::Key_Return); // Enter acts as a double click
        QVERIFY(answers.allAnswered());
        QCOMPARE(seen.name, QString());
        QCOMPARE(seen.comment, comment);
        QCOMPARE(cell(groups(), row, 2), QStringLiteral("changed"));
        QVERIFY(savedAccessLines().contains(saved));
    }

    // Deleting a group removes its row and its name line only: its rules and its record stay.
    void deleteKeepsTheGroupsRules() {
        w_->click(groups(), 1);
        QVERIFY(!w_->window->ConfigChanged); // selecting is no change
        w_->key(groups(), Qt::Key_Delete);
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(rowTexts(groups()), (QStringList{"0|AllUsers|", "2|noname|nameless comment", "3|noname|"}));
        QCOMPARE(rowCount(w_->list("LNetwork")), 2);
        QCOMPARE(savedAccessLines(),
                 (QByteArrayList{"GN:0:AllUsers:", "GD:1:192.168.1.0:255.255.255.0:", "PA:1:x.com:",
                                 "GN:2::nameless comment", "GD:3:10.0.0.0:255.0.0.0:", "CD:3:PC1:"}));
        // The group still exists: a network added to it creates nothing and shows no note.
        ModalAnswers answers;
        answers.pushDialog<TFNet>([](TFNet* d) {
            type(d->groupID, QStringLiteral("1"));
            type(d->ip, QStringLiteral("10.1.1.1/32"));
            pressOk(d);
        });
        w_->clickEmpty(w_->list("LNetwork"));
        w_->doubleClick(w_->list("LNetwork"), -1);
        QVERIFY(answers.allAnswered());
        QVERIFY(answers.unexpected().isEmpty());
    }

    // A delete that leaves a group with rules but no "GN", "GD" or "CD" line (the next load would drop the rules)
    // asks first, naming the group and its rules: Yes deletes them too, and Undo brings everything back in one
    // step; Cancel deletes nothing. Deletes that leave such a line, and group 0 (it always comes), ask nothing.
    void deleteLastNamingLineAsksForTheRules_data() {
        QTest::addColumn<QByteArray>("access");
        QTest::addColumn<QStringList>("deletes"); // "<list>:<row>", in order
        QTest::addColumn<int>("answer");          // to the one question of the last delete; 0: no question
        QTest::addColumn<QString>("question");    // a part of its text
        QTest::addColumn<QByteArrayList>("saved");

        const QByteArray sales = "GN:0:AllUsers:\r\nGN:5:Sales:\r\nGD:5:10.5.0.0:255.255.0.0:\r\nPA:5:a.com:\r\n"
                                 "PD:5:b.com:\r\nBW:5:word:\r\nWT:5:1:9:18:\r\nRP:5:80:\r\nBP:5:1:20:\r\n"
                                 "TL:5:100:\r\nRL:5:9:\r\nIA:5:u:p:\r\nOA:5:v:q:\r\nGN:6:Other:\r\nPA:6:c.com:\r\n";
        const QByteArrayList others{"GN:0:AllUsers:", "GN:6:Other:", "PA:6:c.com:"};
        QByteArrayList kept = fileLines(sales);
        kept.removeAt(2); // the network
        QTest::newRow("name, then the network: Yes") << sales << QStringList{"GroupName:1", "LNetwork:0"}
                                                     << int(QMessageBox::Yes) << "Group 5 keeps 10 rules" << others;
        QTest::newRow("network, then the name: Yes")
            << sales << QStringList{"LNetwork:0", "GroupName:1"} << int(QMessageBox::Yes)
            << "Group 5 \"Sales\" keeps 10 rules" << others;
        QTest::newRow("network, then the name: Cancel")
            << sales << QStringList{"LNetwork:0", "GroupName:1"} << int(QMessageBox::Cancel) << "Sales" << kept;
        QTest::newRow("the only host: Yes")
            << QByteArray("GN:0:AllUsers:\r\nCD:4:PC1:\r\nTL:4:100:\r\n") << QStringList{"LHost:0"}
            << int(QMessageBox::Yes) << "Group 4 keeps 1 rule" << QByteArrayList{"GN:0:AllUsers:"};
        QTest::newRow("a network of two: no question")
            << QByteArray("GD:3:1.0.0.0:255.0.0.0:\r\nGD:3:2.0.0.0:255.0.0.0:\r\nPA:3:x:\r\n")
            << QStringList{"LNetwork:0"} << 0 << QString()
            << QByteArrayList{"GN:0:AllUsers:", "GD:3:2.0.0.0:255.0.0.0:", "PA:3:x:"};
        QTest::newRow("group 0: no question") << QByteArray("GN:0:All:\r\nPA:0:x:\r\n") << QStringList{"GroupName:0"}
                                              << 0 << QString() << QByteArrayList{"PA:0:x:"};
    }
    void deleteLastNamingLineAsksForTheRules() {
        QFETCH(QByteArray, access);
        QFETCH(QStringList, deletes);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QByteArrayList, saved);
        start(access);
        ModalAnswers answers;
        if (answer != 0)
            answers.pushBox(QMessageBox::StandardButton(answer));
        QByteArrayList beforeLast;
        for (const QString& remove : deletes) {
            if (remove == deletes.last())
                beforeLast = savedAccessLines();
            QTableView* list = w_->list(qPrintable(remove.section(u':', 0, 0)));
            w_->click(list, remove.section(u':', 1).toInt());
            w_->key(list, Qt::Key_Delete);
        }
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.unexpected(), QStringList());
        if (answer != 0)
            QVERIFY2(answers.seen().front().text.contains(question), qPrintable(answers.seen().front().text));
        QCOMPARE(savedAccessLines(), saved);
        if (answer != QMessageBox::Yes)
            return;
        // The delete and the rules it took are one step: one Undo brings back every row, one Redo takes them again.
        QCOMPARE(rowCount(w_->list("LLimit")) + rowCount(w_->list("LAuth")), 0);
        w_->window->UndoActionExecute();
        QCOMPARE(savedAccessLines(), beforeLast);
        QCOMPARE(rowCount(w_->list("LLimit")), 1);
        w_->window->RedoActionExecute();
        QCOMPARE(savedAccessLines(), saved);
    }

    void deleteWithoutSelectionDoesNothing() {
        w_->clickEmpty(groups());
        w_->key(groups(), Qt::Key_Delete);
        ModalAnswers answers;
        w_->popup(groups(), -1, Qt::Key_D);
        w_->popup(groups(), -1, Qt::Key_E); // no dialog, no box
        QVERIFY(answers.unexpected().isEmpty());
        QCOMPARE(rowCount(groups()), 4);
        QVERIFY(!w_->window->ConfigChanged);
    }

    // "Ok" without a change, and "Cancel" after typing, change nothing.
    void dialogWithoutEffect_data() {
        QTest::addColumn<int>("row"); // -1: Add
        QTest::addColumn<bool>("typeFirst");
        QTest::newRow("Add, Ok untouched") << -1 << false;
        QTest::newRow("Edit, Ok untouched") << 1 << false;
        QTest::newRow("Add, Cancel") << -1 << true;
        QTest::newRow("Edit, Cancel") << 1 << true;
    }
    void dialogWithoutEffect() {
        QFETCH(int, row);
        QFETCH(bool, typeFirst);
        ModalAnswers answers;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            if (typeFirst) {
                type(d->name, QStringLiteral("typed"));
                pressCancel(d);
            } else {
                pressOk(d);
            }
        });
        w_->doubleClick(groups(), row);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowCount(groups()), 4);
        QCOMPARE(rowTexts(groups())[1], QStringLiteral("1|Office|first floor"));
        QVERIFY(!w_->window->ConfigChanged);
        QCOMPARE(savedAccessLines(), fileLines(kAccess));
    }
};

QTEST_MAIN(TestGroups)
#include "test_groups.moc"
