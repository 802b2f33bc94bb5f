// A list's rows under Add, Edit, Delete and sorting: every row the view shows is its own line, and a save writes
// the lines in their own order. The editors' steps are played on the models directly, then the rows the view
// shows and the lines the records hold are compared with what they must be.

#include "base/ListActions.h"
#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/RowOrder.h"
#include "base/Text.h"
#include "base/TextOrder.h"
#include "cacheskip/CacheSkipEditor.h"
#include "common/Error.h"
#include "rules/Strings.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QtTest>
#include <algorithm>
#include <numeric>

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

// A list of one line per group: the traffic limits.
constexpr std::string TProxyUsers::*kLimitLine[] = {&TProxyUsers::LimitRule};
constexpr ListColumn kLimitColumns[] = {
    {.title = "Group ID", .numeric = true, .text = cells::groupId},
    {.title = "Limit", .numeric = true, .text = cells::field<2>},
};
constexpr ListDescriptor kLimits{
    .objectName = "Limits",
    .columns = kLimitColumns,
    .source = RowSource::GroupLine,
    .singleLines = kLimitLine,
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

// Columns whose sort keys differ in different parts: a number (or none), a short text, texts alike in their first
// 8 places, texts alike in their first 16 places and more.
constexpr ListColumn kKeyColumns[] = {
    {.title = "Number", .numeric = true, .text = cells::field<2>},
    {.title = "Short", .text = cells::field<3>},
    {.title = "Alike in 8", .text = cells::field<4>},
    {.title = "Alike in 16", .text = cells::field<5>},
};

constexpr ListDescriptor kKeyList{
    .objectName = "Keys",
    .columns = kKeyColumns,
    .source = RowSource::GroupLines,
    .lines = &TProxyUsers::HostRules,
};

// Groups 1 ("b", "A"), 2 ("c") and 3 ("a"): the rows start as 1|b, 1|A, 2|c, 3|a.
void load(GroupTable& groups);

// A window holding the view "List" in a box layout, the groups of load() and the window's list views.
struct ListWindow {
    ListWindow() {
        table->setObjectName(QStringLiteral("List"));
        (new QVBoxLayout(&window))->addWidget(table);
        load(groups);
    }
    QWidget window;
    QTableView* table = new QTableView(&window);
    GroupTable groups;
    ListViews views{&window};
};

void load(GroupTable& groups) {
    for (const char* line : {"GD:1:b:", "GD:1:A:", "GD:2:c:", "GD:3:a:"}) {
        const TStructString fields(line, ":");
        groups.create(*GroupTable::groupNumber(fields.Field(1))).NetworkRules.append(line);
    }
}

// Checks every signal and answer of a model (or proxy) while it lives; the first fault fails the test.
struct Checked {
    explicit Checked(QAbstractItemModel* model)
        : tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal) {}
    QAbstractItemModelTester tester;
};

QString fromUtf8(const char* text) {
    return QString::fromUtf8(text);
}

std::string bytesOf(const QString& text) {
    return toFileBytes(text).value();
}

// The texts of a column, top to bottom.
QStringList columnTexts(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

} // namespace

// Actions that note each call with the model row selected ("edit 2"; "add" with none).
class RecordingActions : public ListActions {
public:
    void add(BoundList& list) override { note("add", list); }
    void edit(BoundList& list) override { note("edit", list); }
    // The rows a delete takes: every row selected ("remove 1,3").
    void remove(BoundList& list) override {
        QStringList rows;
        for (const int row : list.selectedRows())
            rows << QString::number(row);
        calls << QStringLiteral("remove %1").arg(rows.join(u',')).trimmed();
    }
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
        QTest::newRow("two deletes after a sort") << "sort 1;delete 0;delete 0"
                                                  << "1|b 2|c"
                                                  << "b c"
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
        const Checked checkedModel(&model);
        const Checked checkedView(&view);
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
        const Checked checkedModel(list.model);
        const Checked checkedView(list.proxy);
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
    // Insert or Ctrl+N adds, F2 edits the one row selected; Shift and Ctrl select several rows, which Delete
    // removes all, while F2 and Enter do nothing on them.
    // A script is steps separated by ";": "select <view row>", "ctrl <view row>" and "shift <view row>" (clicks with
    // those keys), "clear" (a click on empty space), "dblclick", "key [Ctrl+|Shift+]<key>", "keydown <code>",
    // "popup <add|edit|delete>" (noting "refused" when the entry does not run).
    void inputRunsTheListsActions_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("actions"); // 0 none, 1 actions, 2 actions whose pop-up Edit and Delete need a row
        QTest::addColumn<QString>("calls");
        QTest::newRow("double click on a row edits it") << "select 2;dblclick" << 1 << "edit 2";
        QTest::newRow("double click on empty space adds") << "select 1;clear;dblclick" << 1 << "add";
        QTest::newRow("Enter edits the selected row") << "select 1;key Enter" << 1 << "edit 1";
        QTest::newRow("Return with no row selected adds") << "key Return" << 1 << "add";
        QTest::newRow("Delete removes the selected row") << "select 3;key Del" << 1 << "remove 3";
        QTest::newRow("Windows' code of Delete removes") << "select 0;keydown 46" << 1 << "remove 0";
        QTest::newRow("Insert and Ctrl+N add, F2 edits")
            << "select 0;key Ins;key Ctrl+N;key F2" << 1 << "add 0;add 0;edit 0";
        QTest::newRow("other keys run nothing") << "select 0;key Ctrl+Ins;key Shift+F2;keydown 45" << 1 << "";
        QTest::newRow("Delete removes every row selected")
            << "select 1;ctrl 3;key Del;select 0;shift 2;key Del" << 1 << "remove 1,3;remove 0,1,2";
        QTest::newRow("several rows are none to edit") << "select 1;ctrl 2;key F2;key Enter" << 1 << "";
        QTest::newRow("pop-up entries") << "select 1;popup add;popup edit;popup delete" << 1 << "add 1;edit 1;remove 1";
        QTest::newRow("pop-up edit and delete without a row") << "popup edit;popup delete" << 1 << "edit;remove";
        QTest::newRow("pop-up edit and delete that need a row")
            << "popup edit;popup delete;popup add" << 2 << "refused;refused;add";
        QTest::newRow("no actions: the input runs nothing") << "select 1;dblclick;key Del;popup add" << 0 << "refused";
    }
    void inputRunsTheListsActions() {
        QFETCH(QString, script);
        QFETCH(int, actions);
        QFETCH(QString, calls);
        ListWindow shown;
        QWidget& window = shown.window;
        QTableView* table = shown.table;
        GroupTable& groups = shown.groups;
        ListViews& views = shown.views;
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
            if (verb == u"select" || verb == u"ctrl" || verb == u"shift") {
                const QRect row = table->visualRect(table->model()->index(argument.toInt(), 0));
                const Qt::KeyboardModifiers with = verb == u"ctrl"    ? Qt::ControlModifier
                                                   : verb == u"shift" ? Qt::ShiftModifier
                                                                      : Qt::NoModifier;
                QTest::mouseClick(table->viewport(), Qt::LeftButton, with, row.center());
            } else if (verb == u"clear") {
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(5, table->viewport()->height() - 3));
            } else if (verb == u"dblclick") {
                const QModelIndex current = table->currentIndex();
                const QPoint at = list.selectedRow() ? table->visualRect(current).center()
                                                     : QPoint(5, table->viewport()->height() - 3);
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
            } else if (verb == u"key") {
                const QKeyCombination key = QKeySequence(argument)[0];
                QTest::keyClick(table, key.key(), key.keyboardModifiers());
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

    // The buttons above a list run its commands and are enabled as the selection allows: Edit with one row
    // selected, Delete with one or more. The list's keys work on its buttons too (not in its filter field), and
    // Shift+F10 or the Menu key opens the pop-up menu below the selected row, wherever the mouse is.
    void commandButtonsFollowTheSelection() {
        ListWindow shown;
        QTableView* table = shown.table;
        auto model = std::make_unique<GroupLinesModel>(kList, shown.groups);
        model->fill();
        RecordingActions recorder;
        BoundList& list = shown.views.bind(kList, std::move(model), &recorder);
        QMenu* menu = shown.views.addPopupMenu("Popup", {"AddEntry", "EditEntry", "DeleteEntry"}, {});
        shown.window.resize(400, 300);
        shown.window.show();
        QApplication::setActiveWindow(&shown.window);
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        auto button = [&shown](const char* kind) {
            return shown.window.findChild<QToolButton*>(QStringLiteral("List") + QLatin1String(kind));
        };
        auto enabled = [&button] {
            return QString::number(button("Add")->isEnabled()) + QString::number(button("Edit")->isEnabled()) +
                   QString::number(button("Delete")->isEnabled());
        };
        QCOMPARE(enabled(), QStringLiteral("100"));
        list.selectRow(2);
        QCOMPARE(enabled(), QStringLiteral("111"));
        table->selectionModel()->select(table->model()->index(0, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(enabled(), QStringLiteral("101"));
        qobject_cast<GroupLinesModel*>(list.model)->fill(); // the rows shown afresh: none selected
        QCOMPARE(enabled(), QStringLiteral("100"));

        list.selectRow(2);
        QTest::mouseClick(button("Edit"), Qt::LeftButton);
        button("Add")->setFocus();
        QTest::keyClick(button("Add"), Qt::Key_Delete);
        for (const QKeyCombination key : {Qt::SHIFT | Qt::Key_F10, QKeyCombination(Qt::Key_Menu)}) {
            QCursor::setPos(table->mapToGlobal(QPoint(390, 5)));
            QPoint openedAt;
            QTimer answer;
            connect(&answer, &QTimer::timeout, [&] {
                if (QWidget* popup = QApplication::activePopupWidget(); popup && popup->isVisible()) {
                    answer.stop();
                    openedAt = popup->pos();
                    QTest::keyClick(popup, Qt::Key_E);
                }
            });
            answer.start(5);
            table->setFocus();
            QTest::keyClick(table, key.key(), key.keyboardModifiers());
            const QRect row = table->visualRect(table->model()->index(2, 0));
            QCOMPARE(openedAt, table->viewport()->mapToGlobal(row.bottomLeft()));
        }
        QVERIFY(!menu->isVisible());
        // The filter field takes those keys as a field does.
        auto* filter = shown.window.findChild<QLineEdit*>(QStringLiteral("ListFilter"));
        filter->setFocus();
        for (const QKeyCombination key : {QKeyCombination(Qt::Key_Insert), Qt::CTRL | Qt::Key_N,
                                          QKeyCombination(Qt::Key_F2), QKeyCombination(Qt::Key_Delete)})
            QTest::keyClick(filter, key.key(), key.keyboardModifiers());
        QCOMPARE(recorder.calls.join(u';'), QStringLiteral("edit 2;remove 2;edit 2;edit 2"));

        // The drawings take the colours of the palette, also of one set later (a dark one).
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        dark.setColor(QPalette::ButtonText, Qt::white);
        QApplication::setPalette(dark);
        QApplication::processEvents(); // the windows hear of it
        const QImage drawn = button("Add")->icon().pixmap(16).toImage();
        QApplication::setPalette(before);
        QCOMPARE(drawn.pixelColor(8, 8), QColor(Qt::white));
    }

    // A list of one line per group in a sorted view: a line set for a new group is a new last row, one set for a
    // group shown replaces its row where it stands, a line cleared takes its row away.
    void singleLinesInASortedView() {
        GroupTable groups;
        for (const char* line : {"TL:1:300:", "TL:2:100:", "TL:3:200:"})
            groups.create(line[3] - '0').LimitRule = line;
        GroupLineModel model(kLimits, groups);
        model.fill();
        RowOrderProxy view;
        view.setSourceModel(&model);
        const Checked checkedModel(&model);
        const Checked checkedView(&view);
        auto shown = [&view] {
            QStringList rows;
            for (int row = 0; row < view.rowCount(); ++row)
                rows << view.index(row, 0).data().toString() + u'|' + view.index(row, 1).data().toString();
            return rows.join(u' ');
        };
        view.sortOnce(1);
        QCOMPARE(shown(), QStringLiteral("2|100 3|200 1|300"));
        model.setLine(5, 0, "TL:5:50:");
        model.setLine(3, 0, "TL:3:999:");
        QCOMPARE(shown(), QStringLiteral("2|100 3|999 1|300 5|50"));
        model.clearLine(model.findRow(2));
        QCOMPARE(shown(), QStringLiteral("3|999 1|300 5|50"));
        QCOMPARE(groups.find(2)->LimitRule, std::string());
    }

    // The filter field keeps the selected row selected while the row shows, sorted or not, and counts the rows.
    void theFilterKeepsTheSelection_data() {
        QTest::addColumn<QString>("typed"); // the texts typed one after another, separated by ";"
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<int>("selected"); // the model row selected at the end, -1 for none
        QTest::addColumn<QString>("count");
        QTest::newRow("the row shows") << "c" << false << 2 << "1 of 4";
        QTest::newRow("the row shows in a sorted view") << "a" << true << 3 << "2 of 4";
        QTest::newRow("the filter erased") << "a;" << true << 3 << "4 of 4";
        QTest::newRow("the row hidden") << "b" << false << -1 << "1 of 4";
    }
    void theFilterKeepsTheSelection() {
        QFETCH(QString, typed);
        QFETCH(bool, sorted);
        QFETCH(int, selected);
        QFETCH(QString, count);
        ListWindow shown;
        QWidget& window = shown.window;
        auto model = std::make_unique<GroupLinesModel>(kImageList, shown.groups);
        model->fill();
        const BoundList& list = shown.views.bind(kImageList, std::move(model));
        const Checked checkedModel(list.model);
        const Checked checkedView(list.proxy);
        auto* filter = window.findChild<QLineEdit*>(QStringLiteral("ListFilter"));
        QVERIFY(filter);
        if (sorted)
            list.proxy->sortByClick(1);
        list.selectRow(selected < 0 ? 1 : selected);
        for (const QString& text : typed.split(u';'))
            filter->setText(text);
        QCOMPARE(list.selectedRow(), selected < 0 ? std::nullopt : std::optional<int>(selected));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("ListFilterCount"))->text(), count);
    }

    // The keys order any two texts as the collator's own sort keys do: texts of the characters the table keys,
    // and texts of every character of the code page (the collator keys them all).
    void keysOrderAsTheCollatorDoes() {
        for (const QString& alphabet :
             {fromUtf8("aAbBzZ09_-.:/ абвгдеёжзийЕЖЙЯя"), fromUtf8("aAeE.-_ еЕёЁжЖ№…™ЃЇ\t")}) {
            std::vector<std::string> texts;
            quint32 seed = 7;
            for (int i = 0; i < 3000; ++i) {
                QString text;
                seed = seed * 1103515245u + 12345u;
                for (quint32 n = (seed >> 16) % 20; n > 0; --n) {
                    seed = seed * 1103515245u + 12345u;
                    text += alphabet[static_cast<qsizetype>((seed >> 16) % static_cast<quint32>(alphabet.size()))];
                }
                texts.push_back(bytesOf(text));
            }
            textorder::TextKeys keys;
            for (const std::string& text : texts)
                keys.add(text);
            keys.finish();
            for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
                const int expected = textorder::collator()
                                         .sortKey(fromFileBytes(texts[i]))
                                         .compare(textorder::collator().sortKey(fromFileBytes(texts[i + 1])));
                QVERIFY2((expected > 0) - (expected < 0) == keys.compare(i, i + 1),
                         qPrintable(fromFileBytes(texts[i]) + u'|' + fromFileBytes(texts[i + 1])));
            }
        }
    }

    // Sorts by every kind of column, each way round and each from the order the sort before left, order the rows as
    // a plain stable sort does with the collator: numbers by value before cells that hold none, then by text. Many
    // rows share a key, so the order they had must stay.
    void sortsAsAStableSortDoes() {
        GroupTable groups;
        const char* const numbers[] = {"3", "12", "", "-4", "x", "0", "12", "7"};
        const char* const shorts[] = {"b", "A", "a", "_c", "B", "10", "9", "\xC0"};
        std::vector<std::string> lines;
        quint32 seed = 11;
        auto next = [&seed](quint32 count) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % count;
        };
        for (int i = 0; i < 600; ++i) {
            const std::string number = numbers[next(8)];
            const std::string line = "CD:" + std::to_string(next(3)) + ":" + number + ":" + shorts[next(8)] +
                                     ":networks" + shorts[next(8)] + ":sixteen places, " + shorts[next(8)] + "." +
                                     std::to_string(next(4)) + ":" + std::to_string(i);
            groups.create(static_cast<int>(ruleField(line, 1)[0] - '0')).HostRules.append(line);
        }
        GroupLinesModel model(kKeyList, groups);
        model.fill();
        RowOrderProxy view;
        view.setSourceModel(&model);
        const Checked checkedView(&view);

        auto cellOf = [&model](int row, int column) {
            return model.cellText(row, column);
        };
        std::vector<int> expected(static_cast<std::size_t>(model.rowCount()));
        std::iota(expected.begin(), expected.end(), 0);
        for (const auto& [column, order] :
             std::initializer_list<std::pair<int, Qt::SortOrder>>{{0, Qt::AscendingOrder},
                                                                  {1, Qt::AscendingOrder},
                                                                  {0, Qt::DescendingOrder},
                                                                  {2, Qt::AscendingOrder},
                                                                  {3, Qt::DescendingOrder},
                                                                  {1, Qt::DescendingOrder},
                                                                  {3, Qt::AscendingOrder},
                                                                  {2, Qt::DescendingOrder}}) {
            auto less = [&](int a, int b) {
                const QString x = cellOf(a, column);
                const QString y = cellOf(b, column);
                if (column == 0) {
                    bool xNumber = false;
                    bool yNumber = false;
                    const qlonglong xValue = x.toLongLong(&xNumber);
                    const qlonglong yValue = y.toLongLong(&yNumber);
                    if (xNumber != yNumber)
                        return xNumber;
                    if (xNumber && xValue != yValue)
                        return xValue < yValue;
                }
                return textorder::collator().compare(x, y) < 0;
            };
            if (order == Qt::AscendingOrder)
                std::stable_sort(expected.begin(), expected.end(), less);
            else
                std::stable_sort(expected.begin(), expected.end(), [&less](int a, int b) { return less(b, a); });
            view.sortOnce(column, order);
            std::vector<int> shown;
            for (int row = 0; row < view.rowCount(); ++row)
                shown.push_back(view.sourceRow(row));
            QVERIFY2(shown == expected, qPrintable(QStringLiteral("column %1, order %2").arg(column).arg(order)));
        }
    }

    // More than 16 rows of one key: the order they had stays, either way round.
    void tiesKeepTheirOrder() {
        std::vector<std::string> lines;
        QStringList access, denied;
        for (int i = 0; i < 40; ++i) {
            const QString url = QStringLiteral("u%1").arg(i);
            lines.push_back((i % 3 == 0 ? "SA:" : "SD:") + url.toStdString() + ":");
            (i % 3 == 0 ? access : denied) << url;
        }
        FileLinesModel model(CacheSkipEditor::list(), lines);
        RowOrderProxy view;
        view.setSourceModel(&model);
        const Checked checkedModel(&model);
        const Checked checkedView(&view);
        view.sortOnce(0); // "Cache Access" before "Cache Denied"
        QCOMPARE(columnTexts(view, 1), access + denied);
        view.sortOnce(0, Qt::DescendingOrder);
        QCOMPARE(columnTexts(view, 1), denied + access);
    }

    // The cache-skip sort, which puts the lines themselves in order, and a column sort of the same texts agree: marks
    // before digits before letters, letter case ignored (ties keep their order), "Ё" between "Е" and "Ж".
    void cacheSkipSortAgreesWithTheColumnSort() {
        const QStringList urls = fromUtf8("Ж aab b Ё a_b B 1 Е a.b").split(u' ');
        std::vector<std::string> lines;
        for (const QString& url : urls)
            lines.push_back("SD:" + bytesOf(url) + ":");
        FileLinesModel model(CacheSkipEditor::list(), lines);
        RowOrderProxy view;
        view.setSourceModel(&model);
        const Checked checkedModel(&model);
        const Checked checkedView(&view);
        view.sortOnce(1);
        const QStringList sorted = fromUtf8("1 a_b a.b aab b B Е Ё Ж").split(u' ');
        QCOMPARE(columnTexts(view, 1), sorted);

        QWidget window;
        CacheSkipEditor editor(&window, lines);
        BoundList list;
        list.descriptor = &CacheSkipEditor::list();
        list.model = &model;
        editor.sort(list);
        QCOMPARE(columnTexts(model, 1), sorted);
    }
};

QTEST_MAIN(TestListModels)
#include "test_listmodels.moc"
