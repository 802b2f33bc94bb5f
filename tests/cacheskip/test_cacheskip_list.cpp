// The cache-skip rules list (CacheSkipRules) and the pop-up menu that all rule lists share: load, Add, Edit,
// Delete, the sort of the lines, the copy in Memo1, and the dispatch of "&Add", "&Edit" and "&Delete" by the list
// that opened the menu.

#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/RuleListDriver.h"
#include "base/Images.h"
#include "base/Text.h"
#include "cacheskip/CacheSkipDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using namespace rulelists;

namespace {

// Hand-written lines: a tag with blanks around it (kept as read), a lower-case tag and another tag (dropped),
// fewer and more fields than three; "Яблоко" and "абв" in Windows-1251.
const QByteArray kSkip = "SD:/cgi-bin/:dynamic pages\r\n"
                         " SA :x:y\r\n"
                         "sa:x:y\r\n"
                         "SA:x\r\n"
                         "GN:1:Office:\r\n"
                         "BR:403:forbidden:extra\r\n"
                         "SD:\xDF\xE1\xEB\xEE\xEA\xEE:fruit\r\n"
                         "SA:Beta:b\r\n"
                         "SD:\xE0\xE1\xE2:\r\n"
                         "SA:alpha:a\r\n";

const QByteArrayList kLines{"SD:/cgi-bin/:dynamic pages",
                            " SA :x:y",
                            "SA:x",
                            "BR:403:forbidden:extra",
                            "SD:\xDF\xE1\xEB\xEE\xEA\xEE:fruit",
                            "SA:Beta:b",
                            "SD:\xE0\xE1\xE2:",
                            "SA:alpha:a"};
const QStringList kRows{"Cache Denied|/cgi-bin/|dynamic pages",
                        "Cache Access|x|y",
                        "Cache Access|x|",
                        "Code Blocking|403|forbidden",
                        QString::fromUtf8("Cache Denied|Яблоко|fruit"),
                        "Cache Access|Beta|b",
                        QString::fromUtf8("Cache Denied|абв|"),
                        "Cache Access|alpha|a"};

// The lines sorted by their whole text, letters (Latin and Cyrillic) compared without regard to case: the
// blank before " SA " sorts first; then "Code Blocking", "Cache Access", "Cache Denied".
const QByteArrayList kSortedLines{
    " SA :x:y", "BR:403:forbidden:extra",     "SA:alpha:a",       "SA:Beta:b",
    "SA:x",     "SD:/cgi-bin/:dynamic pages", "SD:\xE0\xE1\xE2:", "SD:\xDF\xE1\xEB\xEE\xEA\xEE:fruit"};

QByteArrayList heldLines(const TMainWnd& window) {
    QByteArrayList lines;
    for (const std::string& line : window.CacheSkipLines)
        lines << QByteArray::fromStdString(line);
    return lines;
}

QString memoText(const QByteArrayList& lines) {
    QStringList texts;
    for (const QByteArray& line : lines)
        texts << fromFileBytes(line.toStdString());
    return texts.join(QLatin1Char('\n'));
}

struct SeenSkipDialog {
    QString title, box, url, comment;
    int kind = -2;
};

SeenSkipDialog seeDialog(TFCacheSkip* d) {
    return {d->windowTitle(), d->Box1->title(), d->url->text(), d->comment->text(), d->Combo->currentIndex()};
}

} // namespace

class TestCacheSkipList : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    QTableView* rules() const { return w_->list("CacheSkipRules"); }
    QPlainTextEdit* memo() const { return w_->window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1")); }

    void start(const QByteArray& skip = kSkip) { startAnew(w_, QByteArray(), skip); }
    QByteArrayList savedLines() { return w_->savedLines(QStringLiteral("skip.txt")); }
    // The hidden page "Test" brought to the front, as the memo is seen.
    QString shownMemo() {
        auto* pages = w_->window->findChild<QTabWidget*>(QStringLiteral("PageControl"));
        pages->setTabVisible(TMainWnd::kTestPageIndex, true);
        pages->setCurrentIndex(TMainWnd::kTestPageIndex);
        QApplication::processEvents();
        return memo()->toPlainText();
    }

private slots:
    void init() { start(); }
    void cleanup() { w_.reset(); }

    // Lines of the three tags are kept as read (the tag compared after trimming, case-sensitive), others are
    // left out; a row shows the kind with its image and the trimmed fields 1 and 2.
    void loadKeepsTheRuleLines() {
        QCOMPARE(heldLines(*w_->window), kLines);
        QCOMPARE(rowTexts(rules()), kRows);
        const QList<int> images{0, 1, 1, 2, 0, 1, 0, 1};
        for (int i = 0; i < images.size(); ++i)
            QCOMPARE(imageKey(rules(), i, 0), listImage(ImageList::CacheSkipImage, images[i]).cacheKey());
        QVERIFY(!w_->window->ConfigChanged);
        QCOMPARE(memo()->toPlainText(), QString()); // the memo is filled by an add or an edit only
        // A save writes the lines kept once the rules change; the untouched file it leaves as it is, with the lines
        // the load left out, and without a backup.
        QCOMPARE(fileLines(contentToSave(*w_->window, QStringLiteral("skip.txt"))), kLines);
        QCOMPARE(savedLines(), fileLines(kSkip));
        QVERIFY(!w_->dir.exists(QStringLiteral("skip.txt.bak")));
    }

    // A rule of 50 MB is shown by its start and an ellipsis (drawing it whole held the window for minutes); the
    // line itself keeps every byte, and so does the next save.
    void longRuleShowsShortened() {
        const QByteArray url(50 * 1024 * 1024, 'u');
        const QByteArray skip = "SD:short:\r\nSA:" + url + ":long rule\r\n";
        start(skip);
        w_->showPageOf(rules());
        QCOMPARE(rowCount(rules()), 2);
        const QString shown = cell(rules(), 1, 1);
        QCOMPARE(shown.size(), kMaxShownCharacters);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(QStringView(shown).chopped(1).toString() == QString(kMaxShownCharacters - 1, u'u'));
        QCOMPARE(cell(rules(), 1, 2), QStringLiteral("long rule"));
        QCOMPARE(cell(rules(), 0, 1), QStringLiteral("short"));
        w_->save();
        QVERIFY(w_->dir.read(QStringLiteral("skip.txt")) == skip);
    }

    void missingFileGivesNoRules() {
        start(QByteArray());
        QCOMPARE(rowCount(rules()), 0);
        QVERIFY(w_->window->CacheSkipLines.empty());
    }

    // Add builds the line from the kind, the URL and the comment as typed; the row shows the re-parsed line.
    void add_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("row");
        QTest::newRow("URL only, kind untouched") << -1 << "/tmp/"
                                                  << "" << QByteArray("SD:/tmp/:") << "Cache Denied|/tmp/|";
        QTest::newRow("Cache Access") << 1 << "www.example.com"
                                      << "ok" << QByteArray("SA:www.example.com:ok")
                                      << "Cache Access|www.example.com|ok";
        QTest::newRow("Code Blocking") << 2 << "404"
                                       << "" << QByteArray("BR:404:") << "Code Blocking|404|";
        QTest::newRow("blanks kept in the line, trimmed in the row")
            << 0 << "  a b  "
            << " c " << QByteArray("SD:  a b  : c ") << "Cache Denied|a b|c";
        QTest::newRow("Cyrillic") << 1 << QString::fromUtf8("сайт.рф") << QString::fromUtf8("Тест")
                                  << QByteArray("SA:\xF1\xE0\xE9\xF2.\xF0\xF4:\xD2\xE5\xF1\xF2")
                                  << QString::fromUtf8("Cache Access|сайт.рф|Тест");
    }
    void add() {
        QFETCH(int, kind);
        QFETCH(QString, url);
        QFETCH(QString, comment);
        QFETCH(QByteArray, line);
        QFETCH(QString, row);
        ModalAnswers answers;
        SeenSkipDialog seen;
        answers.pushDialog<TFCacheSkip>([&](TFCacheSkip* d) {
            seen = seeDialog(d);
            if (kind >= 0)
                d->Combo->setCurrentIndex(kind);
            type(d->url, url);
            type(d->comment, comment);
            pressOk(d);
        });
        w_->doubleClick(rules(), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(seen.title, QStringLiteral("Cache Skip Rules"));
        QCOMPARE(seen.box, QStringLiteral(" Add Skip Cache rules "));
        QCOMPARE(seen.kind, 0);
        QCOMPARE(rowTexts(rules()), kRows + QStringList{row});
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(savedLines(), kLines + QByteArrayList{line});
    }

    void addOkUntouchedAddsNothing() {
        ModalAnswers answers;
        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) { pressOk(d); });
        w_->doubleClick(rules(), -1);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowTexts(rules()), kRows);
        QVERIFY(!w_->window->ConfigChanged);
    }

    // Edit fills the dialog from line i of the row's index and puts the rebuilt line (three fields) in its
    // place; the row is rebuilt in place.
    void edit_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QByteArray>("newLine");
        QTest::addColumn<QString>("newRow");
        QTest::newRow("blanks around the tag") << 1 << 1 << "x"
                                               << "y" << QByteArray("SA:x:Y") << "Cache Access|x|Y";
        QTest::newRow("two fields") << 2 << 1 << "x"
                                    << "" << QByteArray("SA:x:Y") << "Cache Access|x|Y";
        QTest::newRow("four fields") << 3 << 2 << "403"
                                     << "forbidden" << QByteArray("BR:403:Y") << "Code Blocking|403|Y";
        QTest::newRow("Cyrillic") << 4 << 0 << QString::fromUtf8("Яблоко") << "fruit"
                                  << QByteArray("SD:\xDF\xE1\xEB\xEE\xEA\xEE:Y")
                                  << QString::fromUtf8("Cache Denied|Яблоко|Y");
    }
    void edit() {
        QFETCH(int, row);
        QFETCH(int, kind);
        QFETCH(QString, url);
        QFETCH(QString, comment);
        QFETCH(QByteArray, newLine);
        QFETCH(QString, newRow);
        ModalAnswers answers;
        SeenSkipDialog seen;
        answers.pushDialog<TFCacheSkip>([&](TFCacheSkip* d) {
            seen = seeDialog(d);
            type(d->comment, QStringLiteral("Y"));
            pressOk(d);
        });
        w_->doubleClick(rules(), row);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(seen.box, QStringLiteral(" Edit Skip Cache rules "));
        QCOMPARE(seen.kind, kind);
        QCOMPARE(seen.url, url);
        QCOMPARE(seen.comment, comment);
        QStringList rows = kRows;
        rows[row] = newRow;
        QCOMPARE(rowTexts(rules()), rows);
        QVERIFY(w_->window->ConfigChanged);
        QByteArrayList lines = kLines;
        lines[row] = newLine;
        QCOMPARE(savedLines(), lines);
    }

    void editChangesTheKind() {
        ModalAnswers answers;
        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) {
            d->Combo->setCurrentIndex(2);
            pressOk(d);
        });
        w_->click(rules(), 0);
        w_->key(rules(), Qt::Key_Return);
        QVERIFY(answers.allAnswered());
        QCOMPARE(rowText(rules(), 0), QStringLiteral("Code Blocking|/cgi-bin/|dynamic pages"));
        QCOMPARE(imageKey(rules(), 0, 0), listImage(ImageList::CacheSkipImage, 2).cacheKey());
        QCOMPARE(heldLines(*w_->window)[0], QByteArray("BR:/cgi-bin/:dynamic pages"));
    }

    // A URL typed with ":" is refused by the dialog, which stays open with the text.
    void colonInTheUrlIsRefused() {
        ModalAnswers answers;
        QString kept;
        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) {
            type(d->url, QStringLiteral("http://x"));
            pressOkLater(d);
        });
        answers.pushBox(QMessageBox::Ok);
        answers.pushDialog<TFCacheSkip>([&](TFCacheSkip* d) {
            kept = d->url->text();
            pressCancel(d);
        });
        w_->doubleClick(rules(), -1);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(answers.seen()[0].text,
                 QStringLiteral("The field \"URL\" cannot hold \":\": it separates the fields of a rule line."));
        QCOMPARE(kept, QStringLiteral("http://x"));
        QCOMPARE(rowTexts(rules()), kRows);
    }

    void deleteKey() {
        w_->click(rules(), 3);
        QVERIFY(!w_->window->ConfigChanged);
        w_->key(rules(), Qt::Key_Delete);
        QStringList rows = kRows;
        rows.removeAt(3);
        QCOMPARE(rowTexts(rules()), rows);
        QVERIFY(w_->window->ConfigChanged);
        QByteArrayList lines = kLines;
        lines.removeAt(3);
        QCOMPARE(savedLines(), lines);

        w_->clickEmpty(rules());
        w_->key(rules(), Qt::Key_Delete); // no row selected: nothing
        QCOMPARE(rowTexts(rules()), rows);
        QVERIFY(!w_->window->ConfigChanged);
    }

    // A header click sorts the lines (whichever column), shows them again, and counts as a change; row i then
    // still shows, edits and deletes line i.
    void sortThenEditAndDelete_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("Cached") << 0;
        QTest::newRow("URL / Code") << 1;
        QTest::newRow("Comments") << 2;
    }
    void sortThenEditAndDelete() {
        QFETCH(int, column);
        w_->clickHeader(rules(), column);
        QCOMPARE(heldLines(*w_->window), kSortedLines);
        QStringList kinds;
        for (int i = 0; i < rowCount(rules()); ++i)
            kinds << cell(rules(), i, 0);
        QCOMPARE(kinds, (QStringList{"Cache Access", "Code Blocking", "Cache Access", "Cache Access", "Cache Access",
                                     "Cache Denied", "Cache Denied", "Cache Denied"}));
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(savedLines(), kSortedLines);

        ModalAnswers answers;
        SeenSkipDialog seen;
        answers.pushDialog<TFCacheSkip>([&](TFCacheSkip* d) {
            seen = seeDialog(d);
            type(d->url, QStringLiteral("gamma"));
            pressOk(d);
        });
        w_->doubleClick(rules(), 3);
        QVERIFY(answers.allAnswered());
        QCOMPARE(seen.url, QStringLiteral("Beta"));
        QCOMPARE(rowText(rules(), 3), QStringLiteral("Cache Access|gamma|b"));
        w_->click(rules(), 1);
        w_->key(rules(), Qt::Key_Delete);
        QByteArrayList lines = kSortedLines;
        lines[3] = "SA:gamma:b";
        lines.removeAt(1);
        QCOMPARE(savedLines(), lines);
        QCOMPARE(rowTexts(rules())[0], QStringLiteral("Cache Access|x|y"));
    }

    // Memo1 holds a copy of all lines as they stood after the last add or edit (a delete or a sort alone does
    // not refill it), whether it is on show at that time or brought to the front later.
    void memoCopy_data() {
        QTest::addColumn<bool>("shownFirst");
        QTest::newRow("memo on show") << true;
        QTest::newRow("memo shown later") << false;
    }
    void memoCopy() {
        QFETCH(bool, shownFirst);
        if (shownFirst)
            QCOMPARE(shownMemo(), QString());
        ModalAnswers answers;
        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) {
            type(d->url, QStringLiteral("new"));
            pressOk(d);
        });
        // The actions run directly: while the memo is on show, the list is not.
        w_->window->AddSkipActionExecute();
        QVERIFY(answers.allAnswered());
        const QByteArrayList afterAdd = kLines + QByteArrayList{"SD:new:"};
        if (shownFirst)
            QCOMPARE(memo()->toPlainText(), memoText(afterAdd));

        selectRow(rules(), 0);
        w_->window->DeleteSkipActionExecute();
        w_->window->UpdateSkipActionExecute();
        QCOMPARE(shownMemo(), memoText(afterAdd));

        answers.pushDialog<TFCacheSkip>([](TFCacheSkip* d) {
            type(d->comment, QStringLiteral("edited"));
            pressOk(d);
        });
        rules()->clearSelection();
        selectRow(rules(), 0);
        w_->window->EditSkipActionExecute();
        QVERIFY(answers.allAnswered());
        QCOMPARE(shownMemo(), memoText(heldLines(*w_->window)));
        QCOMPARE(heldLines(*w_->window)[0], QByteArray("SA:x:edited"));
    }

    // The shared pop-up menu: its entries, and Edit or Delete on the cache-skip list without a selected row.
    void popupWithoutSelection_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("&Edit") << int(Qt::Key_E);
        QTest::newRow("&Delete") << int(Qt::Key_D);
    }
    void popupWithoutSelection() {
        QFETCH(int, key);
        w_->clickEmpty(rules());
        ModalAnswers answers;
        answers.pushBox(QMessageBox::Ok);
        const QStringList entries = w_->popup(rules(), -1, Qt::Key(key));
        QCOMPARE(entries, (QStringList{"&Add", "&Edit", "&Delete"}));
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(answers.seen()[0].text, QStringLiteral("NoRules"));
        QCOMPARE(answers.seen()[0].icon, QMessageBox::NoIcon);
        QCOMPARE(rowTexts(rules()), kRows);
        QVERIFY(!w_->window->ConfigChanged);
    }

    void popupOnTheCacheSkipList() {
        ModalAnswers answers;
        SeenSkipDialog added, edited;
        answers.pushDialog<TFCacheSkip>([&](TFCacheSkip* d) {
            added = seeDialog(d);
            pressCancel(d);
        });
        answers.pushDialog<TFCacheSkip>([&](TFCacheSkip* d) {
            edited = seeDialog(d);
            pressCancel(d);
        });
        w_->popup(rules(), -1, Qt::Key_A);
        w_->click(rules(), 5);
        w_->popup(rules(), 5, Qt::Key_E);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(added.box, QStringLiteral(" Add Skip Cache rules "));
        QCOMPARE(edited.url, QStringLiteral("Beta"));
        w_->popup(rules(), 5, Qt::Key_D);
        QCOMPARE(rowCount(rules()), kRows.size() - 1);
        QVERIFY(!heldLines(*w_->window).contains("SA:Beta:b"));
    }

    // The pop-up runs the operation of the list that opened it.
    void popupDispatchesByList_data() {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("focusedList"); // a list of the same page that has the focus meanwhile
        QTest::addColumn<QString>("addTitle");
        QTest::addColumn<QString>("editBox");
        QTest::newRow("GroupName") << "GroupName"
                                   << "LNetwork"
                                   << "Add Group Name"
                                   << " Edit Group Name ";
        QTest::newRow("LNetwork") << "LNetwork"
                                  << "LHost"
                                  << "IP Addresses"
                                  << "Edit IP Address in Group ";
        QTest::newRow("LHost") << "LHost"
                               << "LNetwork"
                               << "Add Host"
                               << " Edit Host in Group ";
    }
    void popupDispatchesByList() {
        QFETCH(QString, listName);
        QFETCH(QString, focusedList);
        QFETCH(QString, addTitle);
        QFETCH(QString, editBox);
        startAnew(w_, QByteArray("GN:1:Office:\r\nGD:1:10.0.0.0:255.0.0.0:\r\nCD:1:PC1:\r\n"), kSkip);
        QTableView* list = w_->list(listName.toLatin1().constData());
        QStringList titles;
        auto see = [&](QWidget* d) {
            titles << d->windowTitle() << d->findChild<QGroupBox*>(QStringLiteral("Box1"))->title();
            pressCancel(d);
        };
        ModalAnswers answers;
        answers.push(see);
        answers.push(see);
        QTableView* focused = w_->list(focusedList.toLatin1().constData());
        w_->clickEmpty(list);
        w_->click(focused, 0); // a row selected and focused elsewhere plays no part
        QCOMPARE(QApplication::focusWidget(), focused);
        w_->popup(list, -1, Qt::Key_A);
        w_->popup(list, -1, Qt::Key_E); // nothing selected: the list's own Edit does nothing
        w_->popup(list, -1, Qt::Key_D);
        const int row = listName == QLatin1String("GroupName") ? 1 : 0;
        w_->click(list, row);
        w_->popup(list, row, Qt::Key_E);
        QVERIFY2(answers.problems().isEmpty(), qPrintable(answers.problems().join(u'\n')));
        QCOMPARE(titles.value(0), addTitle);
        QCOMPARE(titles.value(3), editBox);
        const int rows = rowCount(list);
        w_->popup(list, row, Qt::Key_D);
        QCOMPARE(rowCount(list), rows - 1);
        QCOMPARE(rowCount(focused), 1);
    }
};

QTEST_MAIN(TestCacheSkipList)
#include "test_cacheskip_list.moc"
