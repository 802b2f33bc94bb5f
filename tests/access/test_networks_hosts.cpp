// The networks (LNetwork) and hosts (LHost) lists: Add (image by mask, a missing group created with a note),
// Edit and Delete of hand-written and duplicate lines, the Delete key, double clicks, the column sort, and
// what the dialogs refuse; results are checked in the rows and in the saved file.

#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/RuleListDriver.h"
#include "base/Images.h"
#include "widgets/Advspin.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace rulelists;

namespace {

// Hand-written lines: blanks around the fields, a leading zero in the group field, a field too many, and
// duplicates. No "GN" line names group 0, so it gets the default one.
const QByteArray kAccess = "GN:1:Office:\r\n"
                           "GD:1:192.168.1.0:255.255.255.0:lan\r\n"
                           "GD:1:10.0.0.9:255.255.255.255:\r\n"
                           " GD : 1 : 10.0.0.10 : 255.255.255.255 : spaced \r\n"
                           "GD:03:172.16.0.0:255.240.0.0:lead zero\r\n"
                           "GD:2:1.2.3.4:255.0.0.0:note:extra\r\n"
                           "GD:1:192.168.1.0:255.255.255.0:lan\r\n"
                           "GD:10:10.10.0.0:255.255.0.0:\r\n"
                           "GD:11:10.11.0.0:255.255.0.0:\r\n"
                           "CD:1:PC1:boss\r\n"
                           "CD:02:PC2:odd:extra\r\n"
                           "CD:1:PC1:boss\r\n";

const QStringList kNetworkRows{"1|192.168.1.0|255.255.255.0|lan",    "1|10.0.0.9|255.255.255.255|",
                               "1|10.0.0.10|255.255.255.255|spaced", "1|192.168.1.0|255.255.255.0|lan",
                               "2|1.2.3.4|255.0.0.0|note",           "3|172.16.0.0|255.240.0.0|lead zero",
                               "10|10.10.0.0|255.255.0.0|",          "11|10.11.0.0|255.255.0.0|"};
const QStringList kHostRows{"1|PC1|boss", "1|PC1|boss", "2|PC2|odd"};

// The file as the first save writes it: group by group, each field trimmed, every other byte kept.
const QByteArrayList kSaved{"GN:0:AllUsers:",
                            "GN:1:Office:",
                            "GD:1:192.168.1.0:255.255.255.0:lan",
                            "GD:1:10.0.0.9:255.255.255.255:",
                            "GD:1:10.0.0.10:255.255.255.255:spaced",
                            "GD:1:192.168.1.0:255.255.255.0:lan",
                            "CD:1:PC1:boss",
                            "CD:1:PC1:boss",
                            "GD:2:1.2.3.4:255.0.0.0:note:extra",
                            "CD:02:PC2:odd:extra",
                            "GD:03:172.16.0.0:255.240.0.0:lead zero",
                            "GD:10:10.10.0.0:255.255.0.0:",
                            "GD:11:10.11.0.0:255.255.0.0:"};

QByteArrayList replaced(QByteArrayList lines, int index, const QByteArray& line) {
    if (line.isNull())
        lines.removeAt(index);
    else
        lines[index] = line;
    return lines;
}

// What a refused field is mended with.
QString fixedText(const QString& field) {
    if (field == QLatin1String("groupID"))
        return QStringLiteral("1");
    if (field == QLatin1String("ip"))
        return QStringLiteral("10.9.9.8");
    if (field == QLatin1String("mask"))
        return QStringLiteral("255.255.255.0");
    return QStringLiteral("fixed");
}

qint64 imageKey(int index) {
    return listImage(ImageList::ImageList1, index).cacheKey();
}

} // namespace

class TestNetworksHosts : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    QTableView* networks() const { return w_->list("LNetwork"); }
    QTableView* hosts() const { return w_->list("LHost"); }
    QTableView* list(const QString& name) const { return w_->list(name.toLatin1().constData()); }

    void start(const QByteArray& access = kAccess) { startAnew(w_, access); }
    QByteArrayList savedLines() { return w_->savedLines(QStringLiteral("access.txt")); }

private slots:
    void init() { start(); }
    void cleanup() { w_.reset(); }

    void fillShowsEveryLineWithItsSlotNumber() {
        QCOMPARE(rowTexts(networks()), kNetworkRows);
        QCOMPARE(rowTexts(hosts()), kHostRows);
        const QList<int> images{0, 1, 1, 0, 0, 0, 0, 0};
        for (int i = 0; i < images.size(); ++i)
            QCOMPARE(imageKey(networks(), i, 0), imageKey(images[i]));
        QCOMPARE(imageKey(hosts(), 2, 0), imageKey(1));
        QVERIFY(!w_->window->ConfigChanged);
        QCOMPARE(fileLines(contentToSave(*w_->window, QStringLiteral("access.txt"))), kSaved);
    }

    // A row of a single address (mask 255.255.255.255, blanks around it do not count) has image 1, also after
    // a save and a new start.
    void addNetworkImageByMask_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("image");
        QTest::newRow("single address") << "255.255.255.255" << 1;
        QTest::newRow("single address, blanks around") << " 255.255.255.255 " << 1;
        QTest::newRow("network") << "255.255.255.0" << 0;
        QTest::newRow("every address") << "0.0.0.0" << 0;
    }
    void addNetworkImageByMask() {
        QFETCH(QString, mask);
        QFETCH(int, image);
        ModalAnswers answers;
        QString presetGroup, box;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            presetGroup = d->groupID->text();
            box = d->Box1->title();
            type(d->ip, QStringLiteral("10.0.0.5"));
            type(d->mask, mask);
            type(d->comment, QStringLiteral("new"));
            pressOk(d);
        });
        w_->click(networks(), 4);
        w_->popup(networks(), 4, Qt::Key_A); // Add with a row selected: the group comes from the row
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(presetGroup, QStringLiteral("2"));
        QCOMPARE(box, QStringLiteral(" New IP Address in Group  "));
        QCOMPARE(rowText(networks(), 8), QStringLiteral("2|10.0.0.5|%1|new").arg(mask));
        QCOMPARE(imageKey(networks(), 8, 0), imageKey(image));
        QVERIFY(w_->window->ConfigChanged);
        QByteArrayList expected = kSaved;
        expected.insert(9, "GD:2:10.0.0.5:" + mask.toLatin1() + ":new");
        QCOMPARE(savedLines(), expected);

        start(w_->dir.read(QStringLiteral("access.txt")));
        QCOMPARE(rowText(networks(), 5), QStringLiteral("2|10.0.0.5|%1|new").arg(mask.trimmed()));
        QCOMPARE(imageKey(networks(), 5), imageKey(image));
    }

    // Adding to a group number that has no group creates the group, with a note after the row is added; the
    // group has no name and is listed as "noname" after the next start.
    void addToMissingGroupCreatesIt_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("network") << "LNetwork"
                                 << "7|10.7.0.0|255.255.0.0|" << QByteArray("GD:7:10.7.0.0:255.255.0.0:");
        QTest::newRow("host") << "LHost"
                              << "7|PC7|" << QByteArray("CD:7:PC7:");
    }
    void addToMissingGroupCreatesIt() {
        QFETCH(QString, listName);
        QFETCH(QString, row);
        QFETCH(QByteArray, line);
        ModalAnswers answers;
        int rowsWhenNoteShown = -1;
        QString title, box, label;
        auto fill = [&](QLineEdit* group, QLineEdit* first, QLineEdit* second, const QString& a, const QString& b) {
            type(group, QStringLiteral("7"));
            type(first, a);
            if (second)
                type(second, b);
        };
        if (listName == QLatin1String("LNetwork")) {
            answers.pushDialog<TFNet>([&](TFNet* d) {
                fill(d->groupID, d->ip, d->mask, QStringLiteral("10.7.0.0"), QStringLiteral("255.255.0.0"));
                pressOk(d);
            });
        } else {
            answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
                title = d->windowTitle();
                box = d->Box1->title();
                label = d->Label2->text();
                fill(d->groupID, d->name, nullptr, QStringLiteral("PC7"), QString());
                pressOk(d);
            });
        }
        SeenBox note;
        answers.push([&](QWidget* widget) {
            rowsWhenNoteShown = rowCount(list(listName));
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box)
                note = {box->windowTitle(), box->text(), box->icon()};
            widget->close();
        });
        const int before = rowCount(list(listName));
        w_->doubleClick(list(listName), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(rowsWhenNoteShown, before + 1);
        QCOMPARE(note.caption, QStringLiteral("Note"));
        QCOMPARE(note.text, QStringLiteral("New group created succesfull!"));
        QCOMPARE(note.icon, QMessageBox::Information);
        QCOMPARE(rowText(list(listName), before), row);
        if (listName == QLatin1String("LHost")) {
            QCOMPARE(title, QStringLiteral("Add Host"));
            QCOMPARE(box, QStringLiteral(" Add Host in Group "));
            QCOMPARE(label, QStringLiteral("Host Name :"));
        }
        QCOMPARE(rowCount(w_->list("GroupName")), 6); // no row until the next start
        QCOMPARE(savedLines().mid(11),
                 (QByteArrayList{line, "GD:10:10.10.0.0:255.255.0.0:", "GD:11:10.11.0.0:255.255.0.0:"}));

        start(w_->dir.read(QStringLiteral("access.txt")));
        QVERIFY(rowTexts(w_->list("GroupName")).contains(QStringLiteral("7|noname|")));
    }

    // Edit changes exactly the line its row shows, however the line was written; the line is built anew from
    // the dialog. Double click (or Enter) on a row opens the dialog filled from the row.
    void editNetwork_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("newLine");
        QTest::newRow("plain line") << 0 << 2 << QByteArray("GD:1:192.168.1.0:255.255.255.0:X");
        QTest::newRow("second of two equal lines") << 3 << 5 << QByteArray("GD:1:192.168.1.0:255.255.255.0:X");
        QTest::newRow("blanks around the fields") << 2 << 4 << QByteArray("GD:1:10.0.0.10:255.255.255.255:X");
        QTest::newRow("field too many") << 4 << 8 << QByteArray("GD:2:1.2.3.4:255.0.0.0:X");
        QTest::newRow("leading zero in the group") << 5 << 10 << QByteArray("GD:3:172.16.0.0:255.240.0.0:X");
    }
    void editNetwork() {
        QFETCH(int, row);
        QFETCH(int, line);
        QFETCH(QByteArray, newLine);
        const QStringList before = kNetworkRows[row].split(QLatin1Char('|'));
        ModalAnswers answers;
        QStringList seen;
        bool groupLocked = false;
        QString box;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            seen = QStringList{d->groupID->text(), d->ip->text(), d->mask->text(), d->comment->text()};
            groupLocked = d->groupID->isReadOnly() && !(d->groupID->focusPolicy() & Qt::TabFocus);
            box = d->Box1->title();
            type(d->comment, QStringLiteral("X"));
            pressOk(d);
        });
        w_->doubleClick(networks(), row);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(box, QStringLiteral("Edit IP Address in Group "));
        QCOMPARE(seen, before);
        QVERIFY(groupLocked);
        QStringList rows = kNetworkRows;
        rows[row] = QStringList{before[0], before[1], before[2], QStringLiteral("X")}.join(QLatin1Char('|'));
        QCOMPARE(rowTexts(networks()), rows);
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(savedLines(), replaced(kSaved, line, newLine));
    }

    void editNetworkImageFollowsTheNewMask() {
        ModalAnswers answers;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            type(d->mask, QStringLiteral("255.255.255.255"));
            pressOk(d);
        });
        w_->click(networks(), 0);
        w_->key(networks(), Qt::Key_Enter);
        QVERIFY(answers.allAnswered());
        QCOMPARE(imageKey(networks(), 0, 0), imageKey(1));
    }

    void editHost_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("newLine");
        QTest::newRow("first of two equal lines") << 0 << 6 << QByteArray("CD:1:PC9:boss");
        QTest::newRow("second of two equal lines") << 1 << 7 << QByteArray("CD:1:PC9:boss");
        QTest::newRow("leading zero, field too many") << 2 << 9 << QByteArray("CD:2:PC9:odd");
    }
    void editHost() {
        QFETCH(int, row);
        QFETCH(int, line);
        QFETCH(QByteArray, newLine);
        ModalAnswers answers;
        QString title, box;
        answers.pushDialog<TFGroupName>([&](TFGroupName* d) {
            title = d->windowTitle();
            box = d->Box1->title();
            type(d->name, QStringLiteral("PC9"));
            pressOk(d);
        });
        w_->doubleClick(hosts(), row);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(title, QStringLiteral("Edit Host"));
        QCOMPARE(box, QStringLiteral(" Edit Host in Group "));
        QCOMPARE(cell(hosts(), row, 1), QStringLiteral("PC9"));
        QCOMPARE(imageKey(hosts(), row, 0), imageKey(1));
        QCOMPARE(savedLines(), replaced(kSaved, line, newLine));
    }

    // Delete removes exactly the line of its row (the Delete key, or "&Delete" of the pop-up menu); of two
    // equal lines, one stays.
    void deleteRow_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("byPopup");
        QTest::newRow("network, first of two equal") << "LNetwork" << 0 << 2 << false;
        QTest::newRow("network, second of two equal") << "LNetwork" << 3 << 5 << true;
        QTest::newRow("network, blanks around") << "LNetwork" << 2 << 4 << false;
        QTest::newRow("network, field too many") << "LNetwork" << 4 << 8 << true;
        QTest::newRow("network, leading zero") << "LNetwork" << 5 << 10 << false;
        QTest::newRow("host, second of two equal") << "LHost" << 1 << 7 << false;
        QTest::newRow("host, leading zero, field too many") << "LHost" << 2 << 9 << true;
    }
    void deleteRow() {
        QFETCH(QString, listName);
        QFETCH(int, row);
        QFETCH(int, line);
        QFETCH(bool, byPopup);
        QTableView* rules = list(listName);
        QStringList rows = rowTexts(rules);
        w_->click(rules, row);
        QVERIFY(!w_->window->ConfigChanged);
        ModalAnswers answers;
        if (byPopup)
            w_->popup(rules, row, Qt::Key_D);
        else
            w_->key(rules, Qt::Key_Delete);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        rows.removeAt(row);
        QCOMPARE(rowTexts(rules), rows);
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(savedLines(), replaced(kSaved, line, QByteArray()));
    }

    void deleteKeyWithoutSelectionDoesNothing() {
        w_->clickEmpty(networks());
        w_->key(networks(), Qt::Key_Delete);
        w_->clickEmpty(hosts());
        w_->key(hosts(), Qt::Key_Delete);
        QCOMPARE(rowTexts(networks()), kNetworkRows);
        QCOMPARE(rowTexts(hosts()), kHostRows);
        QVERIFY(!w_->window->ConfigChanged);
    }

    // A double click on no row adds, and clears the selection first: a click on empty space deselects.
    void doubleClickOnEmptySpaceAdds() {
        w_->click(networks(), 1);
        ModalAnswers answers;
        QString box, group;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            box = d->Box1->title();
            group = d->groupID->text();
            pressCancel(d);
        });
        w_->doubleClick(networks(), -1);
        QVERIFY(answers.allAnswered());
        QCOMPARE(box, QStringLiteral(" New IP Address in Group  "));
        QCOMPARE(group, QString()); // no row selected and no group used yet: no group is chosen for the user
        QVERIFY(selectedRows(networks()).isEmpty());
        QVERIFY(!w_->window->ConfigChanged);
    }

    // Two equal rules give two rows and two lines; deleting one row removes one line.
    void addDuplicateTwice() {
        ModalAnswers answers;
        for (int i = 0; i < 2; ++i)
            answers.pushDialog<TFGroupName>([](TFGroupName* d) {
                type(d->groupID, QStringLiteral("1"));
                type(d->name, QStringLiteral("PC1"));
                type(d->comment, QStringLiteral("boss"));
                pressOk(d);
            });
        w_->doubleClick(hosts(), -1);
        w_->doubleClick(hosts(), -1);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowTexts(hosts()).count(QStringLiteral("1|PC1|boss")), 4);
        w_->click(hosts(), 4);
        w_->key(hosts(), Qt::Key_Delete);
        QCOMPARE(rowTexts(hosts()).count(QStringLiteral("1|PC1|boss")), 3);
        QCOMPARE(savedLines().count("CD:1:PC1:boss"), 3);
    }

    // A header click sorts the rows once (group numbers and addresses by value, text without regard to case): it
    // is no change of the configuration, and each row still reaches its own line afterwards.
    void sortByColumn_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Group ID by value") << 0 << QStringList{"1", "1", "1", "1", "2", "3", "10", "11"};
        QTest::newRow("IP Address by value")
            << 1 << QStringList{"1.2.3.4",   "10.0.0.9",   "10.0.0.10",   "10.10.0.0",
                                "10.11.0.0", "172.16.0.0", "192.168.1.0", "192.168.1.0"};
        QTest::newRow("Mask by value") << 2 << QStringList{"255.0.0.0",       "255.240.0.0",    "255.255.0.0",
                                                           "255.255.0.0",     "255.255.255.0",  "255.255.255.0",
                                                           "255.255.255.255", "255.255.255.255"};
        QTest::newRow("Comments") << 3 << QStringList{"", "", "", "lan", "lan", "lead zero", "note", "spaced"};
    }
    void sortByColumn() {
        QFETCH(int, column);
        QFETCH(QStringList, order);
        w_->clickHeader(networks(), column);
        QStringList texts;
        for (int i = 0; i < rowCount(networks()); ++i)
            texts << cell(networks(), i, column);
        QCOMPARE(texts, order);
        QVERIFY(!w_->window->ConfigChanged);
        QCOMPARE(w_->window->SortColumn, column);

        // Edit the row now shown where "spaced" (its line "GD:1:10.0.0.10:...") stands.
        const int row =
            static_cast<int>(rowTexts(networks()).indexOf(QStringLiteral("1|10.0.0.10|255.255.255.255|spaced")));
        ModalAnswers answers;
        answers.pushDialog<TFNet>([](TFNet* d) {
            type(d->comment, QStringLiteral("after sort"));
            pressOk(d);
        });
        w_->doubleClick(networks(), row);
        QVERIFY(answers.allAnswered());
        QCOMPARE(cell(networks(), row, 3), QStringLiteral("after sort"));
        QCOMPARE(savedLines(), replaced(kSaved, 4, "GD:1:10.0.0.10:255.255.255.255:after sort"));
        // Rows added later go to the end.
        answers.pushDialog<TFNet>([](TFNet* d) {
            type(d->groupID, QStringLiteral("0"));
            type(d->ip, QStringLiteral("0.0.0.0"));
            type(d->mask, QStringLiteral("0.0.0.0"));
            pressOk(d);
        });
        w_->doubleClick(networks(), -1);
        QCOMPARE(cell(networks(), rowCount(networks()) - 1, 1), QStringLiteral("0.0.0.0"));
    }

    // "Ok" is refused while a field holds what a rule line cannot store: an error box names the field and the
    // dialog stays open with everything typed.
    void refusedField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("pasted"); // set as a paste would; else typed key by key
        QTest::addColumn<QString>("message");
        QTest::newRow("colon in the address")
            << "ip"
            << "10.0.0.1:8080" << false
            << "The field \"IP Address\" cannot hold \":\": it separates the fields of a rule line.";
        QTest::newRow("colon in the comment")
            << "comment"
            << "http://x" << false
            << "The field \"Comments\" cannot hold \":\": it separates the fields of a rule line.";
        QTest::newRow("line break in the mask")
            << "mask"
            << "255.0.0.0\n255.255.0.0" << true << "The field \"Mask\" cannot hold a line break.";
        QTest::newRow("character outside Windows-1251")
            << "comment" << QString::fromUtf8("ok \u2713") << false
            << QString::fromUtf8("The field \"Comments\" holds \"\u2713\", a character the rule files cannot store "
                                 "(Windows-1251).");
        QTest::newRow("group not a number") << "groupID"
                                            << "1-2" << false << "The field \"Group ID\" must hold a whole number.";
        QTest::newRow("group empty") << "groupID"
                                     << "" << false
                                     << "Choose the group of the rule in \"Group ID\": pick it from the list or type "
                                        "its number (0 to 64).";
    }
    void refusedField() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, pasted);
        QFETCH(QString, message);
        ModalAnswers answers;
        QStringList kept;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            type(d->groupID, QStringLiteral("1"));
            type(d->ip, QStringLiteral("10.9.9.9"));
            type(d->mask, QStringLiteral("255.255.255.255"));
            type(d->comment, QStringLiteral("c"));
            auto* edit = d->findChild<QLineEdit*>(field);
            if (pasted)
                edit->setText(text);
            else
                type(edit, text);
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Ok);
        QString focused;
        answers.pushDialog<TFNet>([&](TFNet* d) { // the same dialog, still open
            kept = QStringList{d->groupID->text(), d->ip->text(), d->mask->text(), d->comment->text()};
            // The group field's combo box takes the focus for it.
            QWidget* focus = d->focusWidget();
            if (auto* combo = qobject_cast<QComboBox*>(focus))
                focus = combo->lineEdit();
            focused = focus ? focus->objectName() : QString();
            type(d->findChild<QLineEdit*>(field), fixedText(field));
            pressOk(d);
        });
        w_->doubleClick(networks(), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(focused, field);
        QCOMPARE(answers.seen().size(), std::size_t(1));
        QCOMPARE(answers.seen()[0].caption, QStringLiteral("Error"));
        QCOMPARE(answers.seen()[0].icon, QMessageBox::Critical);
        QCOMPARE(answers.seen()[0].text, message);
        const QStringList names{"groupID", "ip", "mask", "comment"};
        const int index = static_cast<int>(names.indexOf(field));
        QCOMPARE(kept[index], text);
        QCOMPARE(rowCount(networks()), kNetworkRows.size() + 1);
        QStringList values{"1", "10.9.9.9", "255.255.255.255", "c"};
        values[index] = fixedText(field);
        QVERIFY(savedLines().contains("GD:" + values.join(QLatin1Char(':')).toLatin1()));
    }

    // Address and mask are taken in IPv4 dotted form only; an address with its prefix length and no mask is split
    // into both. A refusal names the field and its text and keeps the dialog open with what was typed.
    void networkInDottedForm_data() {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QByteArray>("line"); // null: refused
        QTest::addColumn<QString>("message"); // the refusal
        const QString notAddress = QStringLiteral("which is not an IPv4 address in dotted form (such as 192.168.1.0, "
                                                  "or 192.168.1.0/24 with the mask left empty).");
        const QString notMask = QStringLiteral("which is not an IPv4 mask in dotted form (such as 255.255.255.0).");
        QTest::newRow("prefix, no mask") << "192.168.1.0/24"
                                         << "" << QByteArray("GD:4:192.168.1.0:255.255.255.0:c") << QString();
        QTest::newRow("prefix, the same mask")
            << " 10.1.0.0/16 "
            << "255.255.0.0" << QByteArray("GD:4:10.1.0.0:255.255.0.0:c") << QString();
        QTest::newRow("prefix 0") << "0.0.0.0/0"
                                  << "" << QByteArray("GD:4:0.0.0.0:0.0.0.0:c") << QString();
        QTest::newRow("blanks around, kept")
            << " 10.0.0.1"
            << "255.255.255.255 " << QByteArray("GD:4: 10.0.0.1:255.255.255.255 :c") << QString();
        QTest::newRow("prefix and another mask")
            << "10.0.0.0/8"
            << "255.255.0.0" << QByteArray()
            << "The field \"IP Address\" holds \"10.0.0.0/8\", whose prefix length gives the mask 255.0.0.0, not the "
               "mask \"255.255.0.0\".";
        QTest::newRow("prefix 33") << "10.0.0.0/33"
                                   << "" << QByteArray()
                                   << "The field \"IP Address\" holds \"10.0.0.0/33\", " + notAddress;
        QTest::newRow("host name") << "router.corp"
                                   << "255.255.255.255" << QByteArray()
                                   << "The field \"IP Address\" holds \"router.corp\", " + notAddress;
        QTest::newRow("number above 255")
            << "10.0.0.256"
            << "255.255.255.255" << QByteArray() << "The field \"IP Address\" holds \"10.0.0.256\", " + notAddress;
        QTest::newRow("leading zero") << "10.0.0.010"
                                      << "255.255.255.255" << QByteArray()
                                      << "The field \"IP Address\" holds \"10.0.0.010\", " + notAddress;
        QTest::newRow("empty address") << ""
                                       << "255.255.255.255" << QByteArray()
                                       << "The field \"IP Address\" holds \"\", " + notAddress;
        QTest::newRow("no mask") << "10.0.0.1"
                                 << "" << QByteArray() << "The field \"Mask\" holds \"\", " + notMask;
        QTest::newRow("three numbers") << "10.0.0.1"
                                       << "255.255.255" << QByteArray()
                                       << "The field \"Mask\" holds \"255.255.255\", " + notMask;
    }
    void networkInDottedForm() {
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        ModalAnswers answers;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            type(d->groupID, QStringLiteral("4"));
            type(d->ip, ip);
            type(d->mask, mask);
            type(d->comment, QStringLiteral("c"));
            pressOkLater(d);
        });
        QStringList kept;
        if (line.isNull()) {
            answers.pushBox(QMessageBox::Ok);
            answers.pushDialog<TFNet>([&](TFNet* d) {
                kept = QStringList{d->ip->text(), d->mask->text()};
                pressCancel(d);
            });
        } else {
            answers.pushBox(QMessageBox::Ok); // "New group created succesfull!"
        }
        w_->doubleClick(networks(), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        if (line.isNull()) {
            QCOMPARE(answers.seen()[0].caption, QStringLiteral("Error"));
            QCOMPARE(answers.seen()[0].text, message);
            QCOMPARE(kept, (QStringList{ip, mask}));
            QCOMPARE(rowCount(networks()), kNetworkRows.size());
            QVERIFY(!w_->window->ConfigChanged);
        } else {
            QCOMPARE(answers.seen()[0].text, QStringLiteral("New group created succesfull!"));
            QVERIFY2(savedLines().contains(line), line.constData());
        }
    }

    // A group number out of range is brought into 0..64 when "Ok" is given with Enter from the field itself.
    void groupOutOfRangeConfirmedWithEnter_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("created");
        QTest::newRow("above") << "99"
                               << "64" << true;
        QTest::newRow("below") << "-5"
                               << "0" << false;
    }
    void groupOutOfRangeConfirmedWithEnter() {
        QFETCH(QString, typed);
        QFETCH(QString, group);
        QFETCH(bool, created);
        ModalAnswers answers;
        answers.pushDialog<TFNet>([&](TFNet* d) {
            type(d->ip, QStringLiteral("10.64.0.0/16"));
            type(d->groupID, typed);
            QTest::keyClick(d->groupID, Qt::Key_Return);
        });
        if (created)
            answers.pushBox(QMessageBox::Ok); // "New group created succesfull!"
        w_->doubleClick(networks(), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(rowText(networks(), 8), group + QStringLiteral("|10.64.0.0|255.255.0.0|"));
        QVERIFY(savedLines().contains("GD:" + group.toLatin1() + ":10.64.0.0:255.255.0.0:"));
    }

    // A row whose line is no longer held in its group (taken behind the list's back): Edit and Delete say so and
    // change nothing.
    void lineGoneIsReported_data() {
        QTest::addColumn<bool>("edit");
        QTest::newRow("Edit") << true;
        QTest::newRow("Delete") << false;
    }
    void lineGoneIsReported() {
        QFETCH(bool, edit);
        TProxyUsers* group = w_->window->Groups.find(1);
        QVERIFY(group);
        group->NetworkRules.remove(group->NetworkRules[1].id); // the line of row 1
        w_->click(networks(), 1);
        ModalAnswers answers;
        if (edit)
            answers.pushDialog<TFNet>([](TFNet* d) {
                type(d->comment, QStringLiteral("lost"));
                pressOk(d);
            });
        answers.pushBox(QMessageBox::Ok);
        if (edit)
            w_->doubleClick(networks(), 1);
        else
            w_->key(networks(), Qt::Key_Delete);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(answers.seen()[0].caption, QStringLiteral("Error"));
        QVERIFY(answers.seen()[0].text.contains(QStringLiteral("no longer held")));
        QStringList rows = kNetworkRows; // the row shows its line: there is none left but the group
        rows[1] = QStringLiteral("1|||");
        QCOMPARE(rowTexts(networks()), rows);
        QVERIFY(!w_->window->ConfigChanged);
        QCOMPARE(savedLines(), replaced(kSaved, 3, QByteArray()));
    }
};

QTEST_MAIN(TestNetworksHosts)
#include "test_networks_hosts.moc"
