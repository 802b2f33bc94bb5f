// A list's rows under Add, Edit, Delete and sorting: every row the view shows is its own line, and a save writes
// the lines in their own order. The editors' steps are played on the models directly, then the rows the view
// shows and the lines the records hold are compared with what they must be.

#include "base/ListModels.h"
#include "base/ListViews.h"
#include "base/RowOrder.h"
#include "common/Error.h"
#include "rules/Strings.h"

#include <QTreeView>
#include <QtTest>

namespace {

constexpr ListColumn kColumns[] = {
    {.title = "Group ID", .text = cells::groupId},
    {.title = "Value", .text = cells::field<2>},
};

constexpr ListDescriptor kList{
    .objectName = "List",
    .columns = kColumns,
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

// A window with a handler of its own.
class SortingWindow : public QWidget {
    Q_OBJECT

public Q_SLOTS:
    void sortColumn(int) {}
};

class TestListModels : public QObject {
    Q_OBJECT

private slots:
    // A script is steps separated by ";": "add <group as typed> <value>", "edit <view row> <value>",
    // "delete <view row>", "sort <column>", "select <view row>".
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
        RowOrderProxy view;
        view.setSourceModel(&model);
        QItemSelectionModel selection(&view);

        for (const QString& step : script.split(u';', Qt::SkipEmptyParts)) {
            const QStringList words = step.split(u' ');
            const std::string value = words.value(2).toStdString();
            if (words[0] == u"add") {
                const std::string group = words[1].toStdString();
                const RuleLines::Id id = groups.create(*GroupTable::groupNumber(group))
                                             .NetworkRules.append("GD:" + group + ":" + value + ":");
                model.appendAdded(*GroupTable::groupNumber(group), id);
            } else if (words[0] == u"sort") {
                view.sortOnce(words[1].toInt());
            } else if (words[0] == u"select") {
                selection.select(view.index(words[1].toInt(), 0), QItemSelectionModel::ClearAndSelect);
            } else {
                const int row = view.sourceRow(words[1].toInt());
                RuleLines* held = model.linesOf(row);
                const RuleLines::Id id = model.lineIdOf(row);
                if (words[0] == u"edit") {
                    const std::string caption = model.cellText(row, 0).toStdString();
                    QVERIFY(held->replace(id, "GD:" + caption + ":" + value + ":"));
                    model.lineEdited(row);
                } else {
                    model.eraseRow(row);
                    QVERIFY(held->remove(id));
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

    // A list is built once, when its window is: a view the window does not hold, or a handler it lacks, stops
    // that with a message naming it (a list sorted by its own handler needs no shared sort).
    void bindingFailsOnWhatTheWindowLacks_data() {
        QTest::addColumn<bool>("hasView");
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QString>("message");
        QTest::newRow("no view") << false << "ColumnClick"
                                 << "no list view named List";
        QTest::newRow("no such handler") << true << "NoSuchSlot"
                                         << "NoSuchSlot(int)";
        QTest::newRow("no shared column sort") << true << ""
                                               << "LNetworkColumnClick(QAbstractItemView*,int)";
        QTest::newRow("all there") << true << "sortColumn"
                                   << "";
    }
    void bindingFailsOnWhatTheWindowLacks() {
        QFETCH(bool, hasView);
        QFETCH(QString, handler);
        QFETCH(QString, message);
        const QByteArray name = handler.toLatin1();
        ListDescriptor list = kList;
        list.handlers.columnClick = name.isEmpty() ? nullptr : name.constData();
        SortingWindow window;
        if (hasView)
            (new QTreeView(&window))->setObjectName(QStringLiteral("List"));
        GroupTable groups;
        ListViews views(&window);
        QString error;
        try {
            views.bind(list, std::make_unique<GroupLinesModel>(list, groups));
        } catch (const GlymError& failure) {
            error = QString::fromStdString(failure.what());
        }
        QVERIFY2(message.isEmpty() ? error.isEmpty() : error.contains(message), qPrintable(error));
    }
};

QTEST_MAIN(TestListModels)
#include "test_listmodels.moc"
