// The working hours (LTime, TFTime with the day field's pop-up) and the authorization lines (LAuth, TFAuth),
// driven through the real window: a whole editing session saved and compared with a golden file, then what a
// day field the file holds shows, and which rows and lines authorization keeps per group and type.

#include "access/AuthorizationDialog.h"
#include "access/RuleListDriver.h"
#include "access/TimeDialog.h"
#include "base/Images.h"
#include "widgets/Comboboxx.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace rulelists;

namespace {

// Answers the box that "Ok" opened inside a dialog, keeping its text.
void pushRefusal(ModalAnswers& answers, QString& text) {
    answers.push([&text](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        text = box ? box->windowTitle() + QStringLiteral(": ") + box->text() : QStringLiteral("no box");
        widget->close();
    });
}

// Clicks an entry of the open day list, as a person picking it does.
void clickEntry(TCustomComboBoxX* day, const QString& text) {
    QListWidget* list = day->listBox();
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("the day list has no entry %s", qPrintable(text));
    const QRect rect = list->visualItemRect(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

QByteArray fileOf(const QByteArrayList& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

} // namespace

// The authorization rows as the list shows them: a password that is set as eight bullets, whatever it is.
QStringList masked(const QStringList& rows) {
    QStringList shown;
    for (QString row : rows) {
        QStringList fields = row.split(u'|');
        if (!fields.value(2).isEmpty())
            fields[2] = QString(8, QChar(0x2022));
        shown << fields.join(u'|');
    }
    return shown;
}

class TestTimeAuth : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    QTableView* times() const { return w_->list("LTime"); }
    QTableView* logins() const { return w_->list("LAuth"); }

private slots:
    // The dialog masks the password; its button shows it while pressed in, and the text is the same either way.
    void passwordIsMaskedUntilShown() {
        const std::unique_ptr<TRuleDialog> dialog = TFAuth::create(nullptr, EditorAction::Add);
        auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("passw"));
        auto* reveal = dialog->findChild<QToolButton*>(QStringLiteral("RevealPassword"));
        QVERIFY(password && reveal);
        QTest::keyClicks(password, QStringLiteral("s3cret"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        reveal->click();
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        reveal->click();
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog->record().values.value(1), QStringLiteral("s3cret"));
    }

    void cleanup() { w_.reset(); }

    void session() {
        const QByteArray input = goldenFile(QStringLiteral("access/timeauth/input/access.txt"));
        startAnew(w_, input);
        QCOMPARE(rowTexts(times()), (QStringList{"1|Monday|8|18|weekdays", "1|x|9|17|odd day", "2|9|10|12|out of range",
                                                 "2|EveryDay|8|18|"}));
        QCOMPARE(rowTexts(logins()), masked((QStringList{"1|boss|secret|", "2|in2|p2|", "2|out2|q2|note"})));
        ModalAnswers answers;

        // Sunday moved up in the pop-up and picked with Enter: the line stores Sunday (7), not the entry's new
        // place. A begin of 23 takes the end to 24.
        QString endAfterBegin;
        answers.pushDialog<TFTime>([&](TFTime* d) {
            type(d->groupID, QStringLiteral("2"));
            d->day->setFocus();
            QTest::keyClick(d->day, Qt::Key_F4);
            d->day->listBox()->setCurrentRow(7);
            QMetaObject::invokeMethod(d->day, "ItemUpEvent");
            QTest::keyClick(d->day->listBox(), Qt::Key_Return);
            type(d->begin, QStringLiteral("23"));
            endAfterBegin = d->end->text();
            type(d->comment, QStringLiteral("late"));
            pressOk(d);
        });
        w_->doubleClick(times(), -1);
        QCOMPARE(endAfterBegin, QStringLiteral("24"));

        // A day named in the pop-up that is no day is refused with the dialog open, and so is a missing group;
        // what was typed is still there for the second try.
        QString dayRefusal, groupRefusal, commentKept;
        answers.pushDialog<TFTime>([&](TFTime* d) {
            type(d->groupID, QStringLiteral("9"));
            QMetaObject::invokeMethod(d->day, "DropDown");
            QMetaObject::invokeMethod(d->day, "ItemNewEvent");
            type(d->day->inplaceEdit(), QStringLiteral("Holiday"));
            QTest::keyClick(d->day->inplaceEdit(), Qt::Key_Return);
            QMetaObject::invokeMethod(d->day, "ItemEditEvent"); // an edit given up is nothing the dialog stores
            type(d->day->inplaceEdit(), QStringLiteral("a:b"));
            QTest::keyClick(d->day->inplaceEdit(), Qt::Key_Escape);
            QMetaObject::invokeMethod(d->day, "DropUp");
            type(d->begin, QStringLiteral("9"));
            type(d->end, QStringLiteral("17"));
            type(d->comment, QStringLiteral("kept"));
            pressOkLater(d);
        });
        pushRefusal(answers, dayRefusal);
        answers.pushDialog<TFTime>([&](TFTime* d) {
            type(d->day, QStringLiteral("Friday"));
            pressOkLater(d);
        });
        pushRefusal(answers, groupRefusal);
        answers.pushDialog<TFTime>([&](TFTime* d) {
            commentKept = d->comment->text();
            type(d->groupID, QStringLiteral("1"));
            type(d->comment, QString());
            pressOk(d);
        });
        w_->doubleClick(times(), -1);
        QCOMPARE(dayRefusal, QStringLiteral("Error: The field \"Day\" must hold one of the day names: EveryDay, "
                                            "Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday; or "
                                            "Mon-Fri or Sat-Sun for several days."));
        QCOMPARE(groupRefusal, QStringLiteral("Error: Group not found!!! Greate group first!"));
        QCOMPARE(commentKept, QStringLiteral("kept"));

        // The row whose day field holds no day shows it as it stands; its Ok is refused and Cancel keeps it.
        QStringList oddShown;
        QString oddRefusal;
        answers.pushDialog<TFTime>([&](TFTime* d) {
            oddShown = {d->day->text(), d->begin->text(), d->end->text(), d->comment->text()};
            type(d->comment, QStringLiteral("changed"));
            pressOkLater(d);
        });
        pushRefusal(answers, oddRefusal);
        answers.pushDialog<TFTime>([](TFTime* d) { pressCancel(d); });
        w_->doubleClick(times(), 1);
        QCOMPARE(oddShown, (QStringList{"x", "9", "17", "odd day"}));
        QVERIFY(oddRefusal.contains(QStringLiteral("\"Day\"")));

        // The day out of range takes a day picked with the mouse; the Monday rule goes with the Delete key.
        QString box;
        answers.pushDialog<TFTime>([&](TFTime* d) {
            box = d->Box1->title();
            d->day->DropDown();
            clickEntry(d->day, QStringLiteral("Tuesday"));
            pressOk(d);
        });
        w_->doubleClick(times(), 2);
        QCOMPARE(box, QStringLiteral(" Edit Access Time "));
        w_->click(times(), 0);
        w_->key(times(), Qt::Key_Delete);
        QCOMPARE(rowTexts(times()), (QStringList{"1|x|9|17|odd day", "2|Tuesday|10|12|out of range", "2|EveryDay|8|18|",
                                                 "2|Sunday|23|24|late", "1|Friday|9|17|"}));

        // Authorization: group 1's input line replaced (its row follows), an output line added beside it without
        // choosing a type, group 2's output row turned into input (the output line goes, and so does the row of
        // the input line it replaces), then group 1's input row deleted.
        answers.pushDialog<TFAuth>([](TFAuth* d) {
            type(d->groupID, QStringLiteral("1"));
            d->Combo->setCurrentIndex(0);
            type(d->login, QStringLiteral("chief"));
            type(d->comment, QStringLiteral("x"));
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Yes); // group 1 has an input line
        w_->doubleClick(logins(), -1);
        answers.pushDialog<TFAuth>([](TFAuth* d) {
            type(d->login, QStringLiteral("out1"));
            type(d->passw, QStringLiteral("pw"));
            pressOk(d);
        });
        w_->click(logins(), 0);
        w_->popup(logins(), 0, Qt::Key_A); // the group comes from the selected row
        QStringList authShown;
        answers.pushDialog<TFAuth>([&](TFAuth* d) {
            authShown = {d->Box1->title(), d->Combo->currentText(), d->login->text(), d->passw->text()};
            d->Combo->setCurrentIndex(0);
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Yes); // group 2 has an input line
        w_->doubleClick(logins(), 2);
        QCOMPARE(authShown, (QStringList{" Edit Authorization Rules ", "Output", "out2", "q2"}));
        QCOMPARE(rowTexts(logins()), masked((QStringList{"1|chief||x", "2|out2|q2|note", "1|out1|pw|"})));
        const QList<qint64> loginImages{imageKey(logins(), 0, 1), imageKey(logins(), 1, 1), imageKey(logins(), 2, 1)};
        QCOMPARE(loginImages, (QList<qint64>{listImage(ImageList::ImageList1, mainimage::kInputLogin).cacheKey(),
                                             listImage(ImageList::ImageList1, mainimage::kInputLogin).cacheKey(),
                                             listImage(ImageList::ImageList1, mainimage::kOutputLogin).cacheKey()}));
        w_->click(logins(), 0);
        w_->key(logins(), Qt::Key_Delete);

        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        w_->save();
        QCOMPARE(w_->dir.read(QStringLiteral("access.txt.bak")), input);
        const QByteArray written = w_->dir.read(QStringLiteral("access.txt"));
        const QByteArray golden = goldenFile(QStringLiteral("access/timeauth/expected/access.txt"));
        if (written != golden)
            QFAIL(qPrintable(QStringLiteral("access.txt differs from the golden file:\n%1\n--- expected ---\n%2")
                                 .arg(QString::fromLatin1(written), QString::fromLatin1(golden))));

        // The next start shows one row per group and type, the input row first.
        startAnew(w_, written);
        QCOMPARE(rowTexts(logins()), masked((QStringList{"1|out1|pw|", "2|out2|q2|note"})));
    }

    // The day field takes a day name in any letter case, and in an Add "Mon-Fri" and "Sat-Sun" (put there by the
    // buttons beside it, or typed): one Ok adds one line per day with the same hours and comment, as one step
    // that one Ctrl+Z takes back whole, and Ctrl+Shift+Z brings back whole.
    void daysOfAnAdd_data() {
        QTest::addColumn<QString>("button"); // pressed; else the day is typed
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("days");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("Mon-Fri button") << "WorkDays"
                                        << "" << QList<int>{1, 2, 3, 4, 5} << "Undo add 5 time rules";
        QTest::newRow("Sat-Sun button") << "Weekend"
                                        << "" << QList<int>{6, 7} << "Undo add 2 time rules";
        QTest::newRow("mon-fri typed") << ""
                                       << "mon-fri" << QList<int>{1, 2, 3, 4, 5} << "Undo add 5 time rules";
        QTest::newRow("SAT-SUN typed") << ""
                                       << " SAT-SUN " << QList<int>{6, 7} << "Undo add 2 time rules";
        QTest::newRow("monday") << ""
                                << "monday" << QList<int>{1} << "Undo add time rule";
        QTest::newRow("SUNDAY") << ""
                                << "SUNDAY" << QList<int>{7} << "Undo add time rule";
        QTest::newRow("everyDay") << ""
                                  << "everyDay" << QList<int>{0} << "Undo add time rule";
    }
    void daysOfAnAdd() {
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QList<int>, days);
        QFETCH(QString, undoText);
        const QByteArrayList start{"GN:0:AllUsers:", "GN:1:Office:", "WT:1:3:7:8:"};
        startAnew(w_, fileOf(start));
        ModalAnswers answers;
        answers.pushDialog<TFTime>([&](TFTime* d) {
            type(d->groupID, QStringLiteral("1"));
            if (button.isEmpty())
                type(d->day, typed);
            else
                d->findChild<QPushButton*>(button)->click();
            type(d->begin, QStringLiteral("9"));
            type(d->end, QStringLiteral("18"));
            type(d->comment, QStringLiteral("office"));
            pressOk(d);
        });
        w_->doubleClick(times(), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QByteArrayList added;
        for (const int day : days)
            added << "WT:1:" + QByteArray::number(day) + ":9:18:office";
        QCOMPARE(rowCount(times()), 1 + days.size());
        QCOMPARE(w_->savedLines(QStringLiteral("access.txt")), start + added);
        QCOMPARE(w_->window->findChild<QAction*>(QStringLiteral("UndoAction"))->text(), undoText);

        w_->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_->window.get()));
        w_->showPageOf(times());
        times()->setFocus();
        QTest::keyClick(times(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rowTexts(times()), QStringList{"1|Wednesday|7|8|"});
        QVERIFY(!w_->window->findChild<QAction*>(QStringLiteral("UndoAction"))->isEnabled());
        QTest::keyClick(times(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rowCount(times()), 1 + days.size());
    }

    // An Edit changes one line of one day: the buttons are disabled, and "Mon-Fri" typed is refused with the
    // dialog left open.
    void editTakesOneDay() {
        startAnew(w_, fileOf({"GN:1:Office:", "WT:1:3:7:8:"}));
        ModalAnswers answers;
        bool buttonsEnabled = true;
        QString refusal;
        answers.pushDialog<TFTime>([&](TFTime* d) {
            buttonsEnabled = d->WorkDays->isEnabled() || d->Weekend->isEnabled();
            type(d->day, QStringLiteral("Mon-Fri"));
            pressOkLater(d);
        });
        pushRefusal(answers, refusal);
        answers.pushDialog<TFTime>([](TFTime* d) {
            type(d->day, QStringLiteral("friday"));
            pressOk(d);
        });
        w_->doubleClick(times(), 0);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QVERIFY(!buttonsEnabled);
        QCOMPARE(refusal, QStringLiteral("Error: The field \"Day\" must hold one of the day names: EveryDay, Monday, "
                                         "Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday."));
        QCOMPARE(rowTexts(times()), QStringList{"1|Friday|7|8|"});
    }

    // A day field that holds no day number is shown as it stands, the line is saved as it was, the lists filled
    // after the time rules are still filled, and Delete takes exactly that line.
    void dayFieldsOfTheFile_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("day number") << QByteArray("WT:1:3:8:18:c") << "Wednesday";
        QTest::newRow("leading zero") << QByteArray("WT:1:07:8:18:c") << "Sunday";
        QTest::newRow("above the days") << QByteArray("WT:1:8:8:18:c") << "8";
        QTest::newRow("negative") << QByteArray("WT:1:-1:8:18:c") << "-1";
        QTest::newRow("a name") << QByteArray("WT:1:Monday:8:18:c") << "Monday";
        QTest::newRow("empty") << QByteArray("WT:1::8:18:c") << "";
        QTest::newRow("beyond 32 bits") << QByteArray("WT:1:4294967297:8:18:c") << "4294967297";
    }
    void dayFieldsOfTheFile() {
        QFETCH(QByteArray, line);
        QFETCH(QString, shown);
        const QByteArrayList lines{"GN:1:Office:", line, "WT:1:1:8:9:", "IA:1:boss:secret:"};
        startAnew(w_, fileOf(lines));
        QCOMPARE(cell(times(), 0, 1), shown);
        QCOMPARE(rowCount(logins()), 1);
        QCOMPARE(fileLines(contentToSave(*w_->window, QStringLiteral("access.txt"))),
                 QByteArrayList{"GN:0:AllUsers:"} + lines);
        w_->click(times(), 0);
        w_->key(times(), Qt::Key_Delete);
        QCOMPARE(w_->savedLines(QStringLiteral("access.txt")),
                 (QByteArrayList{"GN:0:AllUsers:", "GN:1:Office:", "WT:1:1:8:9:", "IA:1:boss:secret:"}));
    }

    // Add and Edit of authorization keep one row per group and type, and the records hold exactly the lines the
    // rows show: Add updates the row of its group and type (found by number) or appends one; an Edit that
    // changes the type empties the former type's line.
    void authorizationRowsPerGroupAndType_data() {
        QTest::addColumn<QByteArrayList>("start");
        QTest::addColumn<int>("editRow"); // -1: Add
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("typeIndex");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArrayList>("saved");
        const QByteArrayList input{"GN:3:x:", "IA:3:in:p:"};
        const QByteArrayList both{"GN:3:x:", "IA:3:in:p:", "OA:3:out:q:"};
        QTest::newRow("add input over input, agreed") << input << -1 << "3" << 0 << QStringList{"3|new|n|"}
                                                      << QByteArrayList{"GN:0:AllUsers:", "GN:3:x:", "IA:3:new:n:"};
        QTest::newRow("add output beside input, typed 03")
            << input << -1 << "03" << 1 << QStringList{"3|in|p|", "3|new|n|"}
            << QByteArrayList{"GN:0:AllUsers:", "GN:3:x:", "IA:3:in:p:", "OA:3:new:n:"};
        QTest::newRow("add without a type is output")
            << input << -1 << "3" << -1 << QStringList{"3|in|p|", "3|new|n|"}
            << QByteArrayList{"GN:0:AllUsers:", "GN:3:x:", "IA:3:in:p:", "OA:3:new:n:"};
        QTest::newRow("edit input into output, none there")
            << input << 0 << "" << 1 << QStringList{"3|new|n|"}
            << QByteArrayList{"GN:0:AllUsers:", "GN:3:x:", "OA:3:new:n:"};
        QTest::newRow("edit output into input over input")
            << both << 1 << "" << 0 << QStringList{"3|new|n|"}
            << QByteArrayList{"GN:0:AllUsers:", "GN:3:x:", "IA:3:new:n:"};
        QTest::newRow("edit keeping the type")
            << both << 0 << "" << 0 << QStringList{"3|new|n|", "3|out|q|"}
            << QByteArrayList{"GN:0:AllUsers:", "GN:3:x:", "IA:3:new:n:", "OA:3:out:q:"};
    }
    void authorizationRowsPerGroupAndType() {
        QFETCH(QByteArrayList, start);
        QFETCH(int, editRow);
        QFETCH(QString, group);
        QFETCH(int, typeIndex);
        QFETCH(QStringList, rows);
        QFETCH(QByteArrayList, saved);
        startAnew(w_, fileOf(start));
        ModalAnswers answers;
        answers.pushDialog<TFAuth>([&](TFAuth* d) {
            if (editRow < 0)
                type(d->groupID, group);
            d->Combo->setCurrentIndex(typeIndex);
            type(d->login, QStringLiteral("new"));
            type(d->passw, QStringLiteral("n"));
            type(d->comment, QString());
            pressOkLater(d);
        });
        // An Add over the group's line of the same type asks first, and so does an Edit of the output row (1) into
        // input; an Edit keeping its type changes the row's own line.
        if (editRow != 0 && typeIndex == 0 && start.contains("IA:3:in:p:"))
            answers.pushBox(QMessageBox::Yes);
        w_->doubleClick(logins(), editRow);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(rowTexts(logins()), masked(rows));
        QCOMPARE(w_->savedLines(QStringLiteral("access.txt")), saved);
    }
};

QTEST_MAIN(TestTimeAuth)
#include "test_time_auth.moc"
