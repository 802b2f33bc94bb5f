// A list's rows under Add, Edit, Delete and sorting: every row the view shows is its own line, and a save writes
// the lines in their own order. The editors' steps are played on the models directly, then the rows the view
// shows and the lines the records hold are compared with what they must be.

#include "base/ListActions.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/RowOrder.h"
#include "common/Error.h"
#include "rules/Strings.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QtTest>

namespace {

constexpr ListColumn kColumns[] = {
    {.title = "Group ID", .numeric = true, .text = cells::groupId},
    {.title = "Value", .text = cells::field<2>},
};

constexpr ListDescriptor kList{
    .objectName = "List",
    .columns = kColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::NetworkRules,
};

// The same list with the image every access rule row shows.
int firstImage(const RowLine&) {
    return 0;
}

constexpr ListColumn kImageColumns[] = {
    {.title = "Group ID", .text = cells::groupId, .image = firstImage},
    {.title = "Value", .text = cells::field<2>},
};

constexpr ListDescriptor kImageList{
    .objectName = "List",
    .columns = kImageColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::NetworkRules,
};

// Groups 1 ("b", "A"), 2 ("c") and 3 ("a"): the rows start as 1|b, 1|A, 2|c, 3|a.
void load(GroupTable& groups) {
    for (const char* line : {"GD:1:b:", "GD:1:A:", "GD:2:c:", "GD:3:a:"}) {
        const TStructString fields(line, ":");
        groups.create(*GroupTable::groupNumber(fields.Field(1))).NetworkRules.append(line);
    }
}

} // namespace

// Actions that note each call with the model row selected ("edit 2"; "add" with none).
class RecordingActions : public ListActions {
public:
    void add(BoundList& list) override { note("add", list); }
    void edit(BoundList& list) override { note("edit", list); }
    void remove(BoundList& list) override { note("remove", list); }
    bool popupNeedsSelection() const override { return needsSelection; }

    bool needsSelection = false;
    QStringList calls;

private:
    void note(const char* action, const BoundList& list) {
        const std::optional<int> row = list.selectedRow();
        calls << (row ? QStringLiteral("%1 %2").arg(QLatin1String(action)).arg(*row) : QLatin1String(action));
    }
};

class TestListModels : public QObject {
    Q_OBJECT

private slots:
    // A script is steps separated by ";": "add <group as typed> <value>", "edit <view row> <value>",
    // "delete <view row>", "sort <column>", "click <column>" (a header click), "filter [text]", "undo", "redo",
    // "select <view row>".
    void rowsStayTheirLines_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown");    // the rows the view shows, top to bottom
        QTest::addColumn<QString>("lines");    // the lines a save writes, groups in number order
        QTest::addColumn<QString>("selected"); // the row selected at the end, if any

        QTest::newRow("loaded") << ""
                                << "1|b 1|A 2|c 3|a"
                                << "b A c a"
                                << "";
        QTest::newRow("sort: letter case ignored, ties keep their order") << "sort 1"
                                                                          << "1|A 3|a 1|b 2|c"
                                                                          << "b A c a"
                                                                          << "";
        QTest::newRow("a second sort keeps the order of the first among ties") << "sort 1;sort 0"
                                                                               << "1|A 1|b 2|c 3|a"
                                                                               << "b A c a"
                                                                               << "";
        QTest::newRow("a row added after a sort goes to the end; its caption as typed") << "sort 1;add 02 B"
                                                                                        << "1|A 3|a 1|b 2|c 02|B"
                                                                                        << "b A c B a"
                                                                                        << "";
        QTest::newRow("delete after a sort") << "sort 1;delete 2"
                                             << "1|A 3|a 2|c"
                                             << "A c a"
                                             << "";
        QTest::newRow("edit after a sort") << "sort 1;edit 0 z"
                                           << "1|z 3|a 1|b 2|c"
                                           << "b z c a"
                                           << "";
        QTest::newRow("an added row deleted after a sort") << "add 1 0;sort 1;delete 0;add 3 d"
                                                           << "1|A 3|a 1|b 2|c 3|d"
                                                           << "b A c a d"
                                                           << "";
        QTest::newRow("edit an added row, then delete the row before it") << "add 3 x;sort 1;edit 4 y;delete 3"
                                                                          << "1|A 3|a 1|b 3|y"
                                                                          << "b A a y"
                                                                          << "";
        QTest::newRow("the selection follows its row through a sort") << "select 2;sort 1"
                                                                      << "1|A 3|a 1|b 2|c"
                                                                      << "b A c a"
                                                                      << "2|c";
        QTest::newRow("the selection follows its row when one above goes") << "sort 1;select 3;delete 0"
                                                                           << "3|a 1|b 2|c"
                                                                           << "b c a"
                                                                           << "2|c";
        QTest::newRow("a second click reverses; ties keep their order") << "click 1;click 1"
                                                                        << "2|c 1|b 1|A 3|a"
                                                                        << "b A c a"
                                                                        << "";
        QTest::newRow("a click on another column sorts it ascending") << "click 1;click 1;click 0"
                                                                      << "1|b 1|A 2|c 3|a"
                                                                      << "b A c a"
                                                                      << "";
        QTest::newRow("group numbers by value, the one typed 02 too") << "add 10 x;add 02 y;click 0;click 0"
                                                                      << "10|x 3|a 2|c 02|y 1|b 1|A"
                                                                      << "b A c y a x"
                                                                      << "";
        // The filter: any cell, letters of either case; each step acts on the line of the row shown.
        QTest::newRow("filter on any column, case ignored") << "filter A"
                                                            << "1|A 3|a"
                                                            << "b A c a"
                                                            << "";
        QTest::newRow("filter then edit and delete the rows shown") << "filter 3;edit 0 q;filter 1;delete 1"
                                                                    << "1|b"
                                                                    << "b c q"
                                                                    << "";
        QTest::newRow("typing on narrows, erasing widens in the sorted order") << "click 1;filter 1;filter 1b;filter"
                                                                               << "1|A 3|a 1|b 2|c"
                                                                               << "b A c a"
                                                                               << "";
        QTest::newRow("a row added under a filter shows") << "filter c;add 1 z"
                                                          << "2|c 1|z"
                                                          << "b A z c a"
                                                          << "";
        QTest::newRow("nothing matches") << "filter \u0436"
                                         << ""
                                         << "b A c a"
                                         << "";
        // Undo puts each line back where it stood, ids and all; redo does the step again.
        QTest::newRow("undo everything; a row put back goes to the end of a sorted view")
            << "add 2 n;edit 0 e;click 1;delete 1;undo;undo;undo"
            << "1|A 2|c 1|b 3|a"
            << "b A c a"
            << "";
        QTest::newRow("undo everything, then redo everything")
            << "add 2 n;edit 0 e;delete 1;undo;undo;undo;redo;redo;redo"
            << "1|e 2|c 3|a 2|n"
            << "e c n a"
            << "";
        QTest::newRow("undo a delete made under a filter and a sort") << "click 1;filter a;delete 1;undo"
                                                                      << "1|A 3|a"
                                                                      << "b A c a"
                                                                      << "";
    }
    void rowsStayTheirLines() {
        QFETCH(QString, script);
        QFETCH(QString, shown);
        QFETCH(QString, lines);
        QFETCH(QString, selected);
        GroupTable groups;
        load(groups);
        GroupLinesModel model(kList, groups);
        model.fill();
        QUndoStack steps;
        model.setUndoStack(&steps);
        RowOrderProxy view;
        view.setSourceModel(&model);
        QItemSelectionModel selection(&view);

        for (const QString& step : script.split(u';', Qt::SkipEmptyParts)) {
            const QStringList words = step.split(u' ');
            const std::string value = words.value(2).toStdString();
            if (words[0] == u"add") {
                const std::string group = words[1].toStdString();
                model.addLine(*GroupTable::groupNumber(group), "GD:" + group + ":" + value + ":");
            } else if (words[0] == u"sort") {
                view.sortOnce(words[1].toInt());
            } else if (words[0] == u"click") {
                view.sortByClick(words[1].toInt());
            } else if (words[0] == u"filter") {
                view.setFilter(words.value(1));
            } else if (words[0] == u"undo") {
                steps.undo();
            } else if (words[0] == u"redo") {
                steps.redo();
            } else if (words[0] == u"select") {
                selection.select(view.index(words[1].toInt(), 0), QItemSelectionModel::ClearAndSelect);
            } else {
                const int row = view.sourceRow(words[1].toInt());
                if (words[0] == u"edit") {
                    const std::string caption = model.cellText(row, 0).toStdString();
                    QVERIFY(model.replaceLine(row, "GD:" + caption + ":" + value + ":"));
                } else {
                    QVERIFY(model.removeLine(row));
                }
            }
        }

        QStringList rows;
        for (int row = 0; row < view.rowCount(); ++row)
            rows << view.index(row, 0).data().toString() + u'|' + view.index(row, 1).data().toString();
        QCOMPARE(rows.join(u' '), shown);
        std::vector<std::string> saved;
        for (int group = 0; group < GroupTable::kSlotCount; ++group)
            if (const TProxyUsers* record = groups.find(group))
                record->WriteTo(saved);
        QStringList values;
        for (const std::string& line : saved)
            values << QString::fromStdString(TStructString(line, ":").Field(2));
        QCOMPARE(values.join(u' '), lines);
        const QModelIndexList chosen = selection.selectedIndexes();
        QCOMPARE(chosen.isEmpty() ? QString() : rows.value(chosen.first().row()), selected);
    }

    // A list is built once, when its window is: a view the window does not hold stops that with a message naming
    // it. The list's input needs nothing of the window: no slot of it is looked up.
    void bindingFailsOnWhatTheWindowLacks_data() {
        QTest::addColumn<bool>("hasView");
        QTest::addColumn<QString>("message");
        QTest::newRow("no view") << false << "no list view named List";
        QTest::newRow("all there") << true << "";
    }
    void bindingFailsOnWhatTheWindowLacks() {
        QFETCH(bool, hasView);
        QFETCH(QString, message);
        QWidget window;
        if (hasView)
            (new QTableView(&window))->setObjectName(QStringLiteral("List"));
        GroupTable groups;
        ListViews views(&window);
        RecordingActions actions;
        QString error;
        try {
            views.bind(kList, std::make_unique<GroupLinesModel>(kList, groups), &actions);
        } catch (const GlymError& failure) {
            error = QString::fromStdString(failure.what());
        }
        QVERIFY2(message.isEmpty() ? error.isEmpty() : error.contains(message), qPrintable(error));
    }

    // A list reads as a report: rows as high as their text and image need (and no higher, so a list shows as
    // many rows as before), no row numbers, and the keys of a list: Home and End go to the first and the last row
    // (a table's own go to the first and the last column), the arrows move the selection, Tab leaves the list.
    void aListIsAReport() {
        QWidget window;
        auto* table = new QTableView(&window);
        table->setObjectName(QStringLiteral("List"));
        auto* next = new QLineEdit(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(table);
        layout->addWidget(next);
        GroupTable groups;
        load(groups);
        ListViews views(&window);
        auto model = std::make_unique<GroupLinesModel>(kImageList, groups);
        model->fill();
        const BoundList& list = views.bind(kImageList, std::move(model));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QVERIFY(table->verticalHeader()->isHidden());
        QCOMPARE(table->rowHeight(0), static_cast<QAbstractItemView*>(table)->sizeHintForRow(0));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_End);
        QCOMPARE(list.selectedRow(), std::optional<int>(3));
        QTest::keyClick(table, Qt::Key_Up);
        QCOMPARE(list.selectedRow(), std::optional<int>(2));
        QTest::keyClick(table, Qt::Key_Home);
        QCOMPARE(list.selectedRow(), std::optional<int>(0));
        QTest::keyClick(table, Qt::Key_Tab);
        QVERIFY(next->hasFocus());
    }

    // The user's input on a list runs the actions it was bound with, by pointer: a double click or Enter edits the
    // selected row or adds one when none is selected, the Delete key (or Windows' code 46 given to keyDown)
    // removes it, and the pop-up menu's entries run theirs; "&Edit" and "&Delete" there need a row when the
    // actions say so. A list bound without actions takes none of this input and has no pop-up menu.
    // A script is steps separated by ";": "select <view row>", "clear" (a click on empty space), "dblclick",
    // "key <Enter|Return|Delete|Insert>", "keydown <code>", "popup <add|edit|delete>" (noting "refused" when the
    // entry does not run).
    void inputRunsTheListsActions_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("actions"); // 0 none, 1 actions, 2 actions whose pop-up Edit and Delete need a row
        QTest::addColumn<QString>("calls");
        QTest::newRow("double click on a row edits it") << "select 2;dblclick" << 1 << "edit 2";
        QTest::newRow("double click on empty space adds") << "select 1;clear;dblclick" << 1 << "add";
        QTest::newRow("Enter edits the selected row") << "select 1;key Enter" << 1 << "edit 1";
        QTest::newRow("Return with no row selected adds") << "key Return" << 1 << "add";
        QTest::newRow("Delete removes the selected row") << "select 3;key Delete" << 1 << "remove 3";
        QTest::newRow("Windows' code of Delete removes") << "select 0;keydown 46" << 1 << "remove 0";
        QTest::newRow("other keys run nothing") << "select 0;key Insert;keydown 45" << 1 << "";
        QTest::newRow("pop-up entries") << "select 1;popup add;popup edit;popup delete" << 1 << "add 1;edit 1;remove 1";
        QTest::newRow("pop-up edit and delete without a row") << "popup edit;popup delete" << 1 << "edit;remove";
        QTest::newRow("pop-up edit and delete that need a row")
            << "popup edit;popup delete;popup add" << 2 << "refused;refused;add";
        QTest::newRow("no actions: the input runs nothing")
            << "select 1;dblclick;key Delete;popup add" << 0 << "refused";
    }
    void inputRunsTheListsActions() {
        QFETCH(QString, script);
        QFETCH(int, actions);
        QFETCH(QString, calls);
        QWidget window;
        auto* table = new QTableView(&window);
        table->setObjectName(QStringLiteral("List"));
        (new QVBoxLayout(&window))->addWidget(table);
        GroupTable groups;
        load(groups);
        ListViews views(&window);
        auto model = std::make_unique<GroupLinesModel>(kList, groups);
        model->fill();
        RecordingActions recorder;
        recorder.needsSelection = actions == 2;
        BoundList& list = views.bind(kList, std::move(model), actions == 0 ? nullptr : &recorder);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(table->contextMenuPolicy(), actions == 0 ? Qt::DefaultContextMenu : Qt::CustomContextMenu);

        for (const QString& step : script.split(u';')) {
            const QString verb = step.section(u' ', 0, 0);
            const QString argument = step.section(u' ', 1);
            if (verb == u"select") {
                const QRect row = table->visualRect(table->model()->index(argument.toInt(), 0));
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row.center());
            } else if (verb == u"clear") {
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(5, table->viewport()->height() - 3));
            } else if (verb == u"dblclick") {
                const QModelIndex current = table->currentIndex();
                const QPoint at = list.selectedRow() ? table->visualRect(current).center()
                                                     : QPoint(5, table->viewport()->height() - 3);
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
            } else if (verb == u"key") {
                const Qt::Key key = argument == u"Enter"    ? Qt::Key_Enter
                                    : argument == u"Return" ? Qt::Key_Return
                                    : argument == u"Delete" ? Qt::Key_Delete
                                                            : Qt::Key_Insert;
                QTest::keyClick(table, key);
            } else if (verb == u"keydown") {
                list.keyDown(argument.toInt());
            } else if (verb == u"popup") {
                const PopupEntry entry = argument == u"add"    ? PopupEntry::Add
                                         : argument == u"edit" ? PopupEntry::Edit
                                                               : PopupEntry::Delete;
                if (!list.popup(entry))
                    recorder.calls << QStringLiteral("refused");
            }
        }
        QCOMPARE(recorder.calls.join(u';'), calls);
    }
};

QTEST_MAIN(TestListModels)
#include "test_listmodels.moc"
