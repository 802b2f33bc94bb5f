// A whole editing session through the rule lists, with a filter and sorts on the way, undone to the last key
// and done again: the files saved after undoing everything are the files loaded, byte for byte, and the files
// saved after redoing everything are those of the session (golden files).

#include "access/GroupNameDialog.h"
#include "access/NetworkDialog.h"
#include "access/RuleListDriver.h"
#include "cacheskip/CacheSkipDialog.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QtTest>

using namespace rulelists;

namespace {

const QByteArray kAccess = "GN:0:AllUsers:\r\n"
                           "GN:1:Office:first floor\r\n"
                           "GD:1:192.168.1.0:255.255.255.0:lan\r\n"
                           "GD:1:10.0.0.9:255.255.255.255:\r\n"
                           "GD:1:10.0.0.10:255.255.255.255:boss\r\n"
                           "CD:1:PC1:\r\n"
                           "GN:2:Guests:\r\n"
                           "GD:2:172.16.0.0:255.240.0.0:wifi\r\n"
                           "CD:2:KIOSK:hall\r\n";

const QByteArray kSkip = "SD:news.example:\r\n"
                         "SA:Local.example:intranet\r\n"
                         "BR:404:\r\n"
                         "SD:ads.example:\r\n";

// Groups 2 and 3 have a network each and no name, group 4 a name and no network.
const QByteArray kMany = "GN:0:AllUsers:\r\n"
                         "GN:1:Office:\r\n"
                         "GD:1:192.168.1.0:255.255.255.0:lan\r\n"
                         "GD:2:172.16.0.0:255.240.0.0:wifi\r\n"
                         "GD:3:10.3.0.0:255.255.0.0:lab\r\n"
                         "GN:4:Lab:\r\n"
                         "PA:1:a.example:\r\n"
                         "PD:1:b.example:\r\n"
                         "PA:2:c.example:\r\n"
                         "PD:3:d.example:\r\n"
                         "PA:4:e.example:\r\n"
                         "TL:3:1000:\r\n";

constexpr const char* kLists[] = {"GroupName", "LNetwork", "LHost",  "LUrl",  "LWord", "LLimit",
                                  "LSpeed",    "LPortA",   "LPortB", "LTime", "LAuth", "CacheSkipRules"};

} // namespace

class TestUndoSession : public QObject {
    Q_OBJECT

    std::unique_ptr<Window> w_;
    ModalAnswers answers_;

    QTableView* list(const char* name) const { return w_->list(name); }
    QAction* action(const char* name) const { return w_->window->findChild<QAction*>(QLatin1String(name)); }
    QLineEdit* filterOf(const char* name) const {
        return w_->window->findChild<QLineEdit*>(QLatin1String(name) + QStringLiteral("Filter"));
    }

    void netDialog(const QString& group, const QString& ip, const QString& comment) {
        answers_.pushDialog<TFNet>([=](TFNet* d) {
            if (!group.isEmpty())
                type(d->groupID, group);
            if (!ip.isEmpty())
                type(d->ip, ip);
            type(d->comment, comment);
            pressOk(d);
        });
    }
    void nameDialog(const QString& group, const QString& name) {
        answers_.pushDialog<TFGroupName>([=](TFGroupName* d) {
            if (!group.isEmpty())
                type(d->groupID, group);
            d->name->clear();
            type(d->name, name);
            pressOk(d);
        });
    }
    void skipDialog(const QString& url) {
        answers_.pushDialog<TFCacheSkip>([=](TFCacheSkip* d) {
            d->url->clear();
            type(d->url, url);
            pressOk(d);
        });
    }

    // Ctrl+Z or Ctrl+Shift+Z as often as there are steps, with a list holding the focus.
    void keys(Qt::KeyboardModifiers modifiers, int times) {
        w_->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_->window.get()));
        w_->showPageOf(list("LNetwork"));
        list("LNetwork")->setFocus();
        for (int i = 0; i < times; ++i)
            QTest::keyClick(list("LNetwork"), Qt::Key_Z, modifiers);
    }

    // Saves and returns the two rule files.
    QByteArrayList saved() {
        w_->save();
        return {w_->dir.read(QStringLiteral("access.txt")), w_->dir.read(QStringLiteral("skip.txt"))};
    }

private slots:
    void undoEverythingThenRedoEverything() {
        w_ = std::make_unique<Window>(kAccess, kSkip);
        QVERIFY(!action("UndoAction")->isEnabled());
        int steps = 0;

        // Networks under the filter "10.": the rows shown are 10.0.0.9 and 10.0.0.10; each step reaches its line.
        w_->showPageOf(list("LNetwork"));
        type(filterOf("LNetwork"), QStringLiteral("10."));
        QCOMPARE(rowCount(list("LNetwork")), 2);
        netDialog({}, {}, QStringLiteral("edited"));
        w_->doubleClick(list("LNetwork"), 1), ++steps;
        w_->click(list("LNetwork"), 0);
        w_->key(list("LNetwork"), Qt::Key_Delete), ++steps;
        QCOMPARE(action("UndoAction")->text(), QStringLiteral("Undo delete network rule"));
        QTest::keyClick(filterOf("LNetwork"), Qt::Key_Escape);
        QCOMPARE(filterOf("LNetwork")->text(), QString());
        // Sorted by address, then a network added to a group that does not exist yet.
        w_->clickHeader(list("LNetwork"), 1);
        w_->clickHeader(list("LNetwork"), 1);
        netDialog(QStringLiteral("5"), QStringLiteral("10.5.0.0/16"), QStringLiteral("new group"));
        w_->doubleClick(list("LNetwork"), -1), ++steps;

        // Hosts and groups.
        nameDialog({}, QStringLiteral("PC2"));
        w_->doubleClick(list("LHost"), 0), ++steps;
        nameDialog(QStringLiteral("7"), QStringLiteral("Visitors"));
        w_->doubleClick(list("GroupName"), -1), ++steps;
        nameDialog({}, QStringLiteral("Head office"));
        w_->doubleClick(list("GroupName"), 1), ++steps;
        w_->click(list("GroupName"), 2);
        w_->key(list("GroupName"), Qt::Key_Delete), ++steps;

        // Cache-skip rules: add, edit, delete, and sorted in reverse (its lines follow).
        skipDialog(QStringLiteral("added.example"));
        w_->doubleClick(list("CacheSkipRules"), -1), ++steps;
        skipDialog(QStringLiteral("edited.example"));
        w_->doubleClick(list("CacheSkipRules"), 0), ++steps;
        w_->click(list("CacheSkipRules"), 1);
        w_->key(list("CacheSkipRules"), Qt::Key_Delete), ++steps;
        w_->clickHeader(list("CacheSkipRules"), 1), ++steps;
        w_->clickHeader(list("CacheSkipRules"), 1), ++steps;
        QCOMPARE(action("UndoAction")->text(), QStringLiteral("Undo sort cache-skip rules"));
        QVERIFY(answers_.allAnswered());
        QVERIFY(w_->window->ConfigChanged);

        const QByteArrayList edited = saved();
        QCOMPARE(edited.value(0), goldenFile(QStringLiteral("access/undo/access.txt")));
        QCOMPARE(edited.value(1), goldenFile(QStringLiteral("access/undo/skip.txt")));
        QVERIFY(!w_->window->ConfigChanged);

        keys(Qt::ControlModifier, steps);
        QVERIFY(!action("UndoAction")->isEnabled());
        QCOMPARE(action("RedoAction")->text(), QStringLiteral("Redo edit network rule"));
        QVERIFY(w_->window->ConfigChanged); // the saved state was the session's
        QCOMPARE(saved(), (QByteArrayList{kAccess, kSkip}));

        keys(Qt::ControlModifier | Qt::ShiftModifier, steps);
        QVERIFY(!action("RedoAction")->isEnabled());
        QVERIFY(w_->window->ConfigChanged);
        QCOMPARE(saved(), edited);

        // Back to what was saved last: nothing is left to save.
        w_->window->findChild<QAction*>(QStringLiteral("UndoAction"))->trigger();
        QVERIFY(w_->window->ConfigChanged);
        w_->window->findChild<QAction*>(QStringLiteral("RedoAction"))->trigger();
        QVERIFY(!w_->window->ConfigChanged);
    }

    // Rows selected with Ctrl and Shift go with one Delete, asking once about the rules of groups that would lose
    // their last network or name; the status bar says what went, and one Ctrl+Z brings everything back.
    void deletingSeveralRowsIsOneStep_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("clicks");   // view rows, "ctrl 2" or "shift 2" adding to the selection
        QTest::addColumn<QString>("question"); // how it begins, when one is asked
        QTest::addColumn<bool>("yes");         // the answer to it
        QTest::addColumn<int>("gone");         // rows gone from every list
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("step");
        const QString twoGroups = QStringLiteral("Groups 2 and 3 keep 3 rules");
        // clang-format off
        QTest::newRow("URL rules") << "LUrl" << "0;ctrl 2;ctrl 4" << "" << true << 3
            << "Deleted 3 URL rules. Ctrl+Z brings them back." << "delete 3 URL rules";
        QTest::newRow("one limit") << "LLimit" << "0" << "" << true << 1
            << "Deleted 1 traffic limit. Ctrl+Z brings it back." << "delete traffic limit";
        QTest::newRow("the networks of two groups") << "LNetwork" << "1;shift 2" << twoGroups << true << 5
            << "Deleted 2 network rules and 3 other rules. Ctrl+Z brings them back."
            << "delete 2 network rules and the 3 rules of groups 2 and 3";
        QTest::newRow("the question cancelled") << "LNetwork" << "1;shift 2" << twoGroups << false << 0
            << "" << "";
        QTest::newRow("groups") << "GroupName" << "2;ctrl 4" << "Group 4 \"Lab\" keeps 1 rule" << true << 3
            << "Deleted 2 groups and 1 other rule. Ctrl+Z brings them back."
            << "delete 2 groups and the 1 rule of group 4";
        QTest::newRow("cache-skip rules") << "CacheSkipRules" << "0;shift 2" << "" << true << 3
            << "Deleted 3 cache-skip rules. Ctrl+Z brings them back." << "delete 3 cache-skip rules";
        // clang-format on
    }
    void deletingSeveralRowsIsOneStep() {
        QFETCH(QString, name);
        QFETCH(QString, clicks);
        QFETCH(QString, question);
        QFETCH(bool, yes);
        QFETCH(int, gone);
        QFETCH(QString, message);
        QFETCH(QString, step);
        w_ = std::make_unique<Window>(kMany, kSkip);
        w_->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_->window.get()));
        auto everyRow = [this] {
            QStringList rows;
            for (const char* shown : kLists)
                rows << rowTexts(list(shown));
            return rows;
        };
        const QStringList before = everyRow();
        QTableView* view = list(qPrintable(name));
        for (const QString& click : clicks.split(u';'))
            w_->click(view, click.section(u' ', -1).toInt(),
                      click.startsWith(u"ctrl")    ? Qt::ControlModifier
                      : click.startsWith(u"shift") ? Qt::ShiftModifier
                                                   : Qt::NoModifier);
        const qsizetype unexpected = answers_.unexpected().size(); // boxes no answer was pushed for
        if (!question.isEmpty())
            answers_.pushBox(yes ? QMessageBox::Yes : QMessageBox::Cancel);
        w_->key(view, Qt::Key_Delete);
        QVERIFY(answers_.allAnswered() && answers_.unexpected().size() == unexpected);
        if (!question.isEmpty())
            QVERIFY2(answers_.seen().back().text.startsWith(question), qPrintable(answers_.seen().back().text));
        QCOMPARE(before.size() - everyRow().size(), gone);
        // The report stays when the keys come back to the list from another window (the question's), and comes back
        // when the mouse leaves a control whose hint covered it.
        QWidget elsewhere;
        elsewhere.show();
        QApplication::setActiveWindow(&elsewhere);
        QApplication::setActiveWindow(w_->window.get());
        QVERIFY(view->hasFocus());
        QStatusTipEvent hint(QStringLiteral("a hint")), hintEnds{QString()};
        QApplication::sendEvent(view, &hint);
        QApplication::sendEvent(view, &hintEnds);
        auto* bar = w_->window->findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
        const QString shown = bar->currentMessage();
        QCOMPARE(shown.startsWith(u"Deleted") ? shown : QString(), message);
        QCOMPARE(action("UndoAction")->isEnabled(), !step.isEmpty());
        if (step.isEmpty())
            return;
        QCOMPARE(action("UndoAction")->text(), QStringLiteral("Undo ") + step);
        keys(Qt::ControlModifier, 1);
        QCOMPARE(everyRow(), before);
        QVERIFY(!action("UndoAction")->isEnabled());
        QVERIFY(!bar->currentMessage().startsWith(u"Deleted")); // what it said is past
    }

    // Undoing every step after the load leaves a setting changed meanwhile a change to save.
    void aSettingChangedStaysAChange() {
        w_ = std::make_unique<Window>(kAccess, kSkip);
        w_->click(list("LNetwork"), 0);
        w_->key(list("LNetwork"), Qt::Key_Delete);
        w_->window->ValueChange();
        keys(Qt::ControlModifier, 1);
        QVERIFY(w_->window->ConfigChanged);
    }
};

QTEST_MAIN(TestUndoSession)
#include "test_undo_session.moc"
