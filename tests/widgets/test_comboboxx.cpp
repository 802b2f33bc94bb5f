#include "widgets/Comboboxx.h"

#include "ui_comboboxx_form.h"

#include <QFrame>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

const QStringList DayNames = {"EveryDay", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

bool activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

QWidget* focused() {
    return QApplication::focusWidget();
}

// The state a test compares: text | selected rows | buttons | open or closed (+editor while editing).
// Buttons: e(dit) n(ew) x (delete) u(p) d(own), each a "." while it is off.
QString describe(const TCustomComboBoxX* combo) {
    QStringList rows;
    for (int row : combo->selectedIndexes())
        rows << QString::number(row);
    QString buttons;
    const std::pair<TCustomComboBoxX::TCBXButton, char> letters[] = {{TCustomComboBoxX::cbxbEdit, 'e'},
                                                                     {TCustomComboBoxX::cbxbNew, 'n'},
                                                                     {TCustomComboBoxX::cbxbDelete, 'x'},
                                                                     {TCustomComboBoxX::cbxbUp, 'u'},
                                                                     {TCustomComboBoxX::cbxbDown, 'd'}};
    for (const auto& [button, letter] : letters)
        buttons += combo->toolButton(button)->isEnabled() ? QChar(letter) : QChar(u'.');
    const bool editing = combo->inplaceEditing() && combo->inplaceEdit()->isVisible();
    return QStringLiteral("%1|%2|%3|%4%5")
        .arg(combo->text(), rows.join(u','), buttons, combo->droppedDown() ? "open" : "closed",
             editing ? "+editor" : "");
}

} // namespace

class TestComboboxx : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window_;
    QLineEdit* before_ = nullptr;
    TFlatComboBoxX* day_ = nullptr;

    // The middle of an entry's row, scrolled into view first as a person would.
    QPoint rowCenter(const QString& entry) const {
        QListWidget* list = day_->listBox();
        const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
        if (found.isEmpty())
            return {-100, -100};
        list->scrollToItem(found.first());
        return list->visualItemRect(found.first()).center();
    }

    void mouse(QEvent::Type type, Qt::MouseButtons buttons, QPoint pos) const {
        QWidget* viewport = day_->listBox()->viewport();
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }

    // One step of a session, as a person (or a caller of the named slots) takes it.
    void perform(const QString& step) {
        const QString verb = step.section(u':', 0, 0);
        const QString arg = step.section(u':', 1);
        QWidget* viewport = day_->listBox()->viewport();
        if (verb == u"drop")
            QTest::mouseClick(day_->dropButton(), Qt::LeftButton);
        else if (verb == u"type")
            QTest::keyClicks(focused(), arg);
        else if (verb == u"key") {
            const QKeyCombination key = QKeySequence::fromString(arg)[0];
            QTest::keyClick(focused(), key.key(), key.keyboardModifiers());
        } else if (verb == u"button") {
            const int index = QStringList{"Edit", "New", "Delete", "Up", "Down", "Pin"}.indexOf(arg);
            QTest::mouseClick(day_->toolButton(TCustomComboBoxX::TCBXButton(1 << index)), Qt::LeftButton);
        } else if (verb == u"invoke")
            QVERIFY(QMetaObject::invokeMethod(day_, arg.toLatin1().constData()));
        else if (verb == u"click")
            QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCenter(arg));
        else if (verb == u"ctrlclick")
            QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, rowCenter(arg));
        else if (verb == u"dclick") {
            QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCenter(arg));
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowCenter(arg));
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, rowCenter(arg));
        } else if (verb == u"hover")
            mouse(QEvent::MouseMove, Qt::NoButton, rowCenter(arg));
        else if (verb == u"drag") {
            const QPoint from = rowCenter(arg.section(u'>', 0, 0));
            QTest::mousePress(viewport, Qt::LeftButton, {}, from);
            const QPoint to = rowCenter(arg.section(u'>', 1));
            QTest::mouseMove(viewport, to);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
        } else if (verb == u"multi")
            day_->setMultiSelect(true);
        else if (verb == u"outside") {
            const QPoint outside(-20, -20); // where Qt delivers a press elsewhere while the pop-up is open
            QMouseEvent press(QEvent::MouseButtonPress, outside, day_->popup()->mapToGlobal(outside), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(day_->popup(), &press);
        } else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }

private slots:
    void init() {
        window_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window_.get());
        layout->addWidget(before_ = new QLineEdit);
        layout->addWidget(day_ = new TFlatComboBoxX);
        layout->addStretch();
        day_->setObjectName(QStringLiteral("day"));
        day_->setItems(DayNames);
        window_->resize(300, 400);
        QVERIFY(activate(window_.get()));
        day_->setFocus();
    }

    void cleanup() { window_.reset(); }

    void session_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("entries"); // "" when they are the eight day names as before
        QTest::addColumn<QString>("state");   // see describe()

        // Opening points the list at the text.
        QTest::newRow("typed text selects its entry") << QStringList{"type:Tu", "drop"} << ""
                                                      << "Tu|2|enxud|open";
        QTest::newRow("equal but for case and blanks") << QStringList{"type: friday ", "key:F4"} << ""
                                                       << " friday |5|enxud|open";
        QTest::newRow("text that begins with an entry") << QStringList{"type:Mondays", "key:Alt+Down"} << ""
                                                        << "Mondays|1|enxud|open";
        QTest::newRow("no entry for the text") << QStringList{"type:Xmas", "drop"} << ""
                                               << "Xmas||.n...|open";
        QTest::newRow("empty text") << QStringList{"drop"} << ""
                                    << "||.n...|open";

        // Moving entries.
        QTest::newRow("Up, then Up is off") << QStringList{"type:Monday", "drop", "button:Up"}
                                            << "Monday,EveryDay,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday"
                                            << "Monday|0|enx.d|open";
        QTest::newRow("Down onto the last row, then Down is off")
            << QStringList{"type:Saturday", "drop", "button:Down"}
            << "EveryDay,Monday,Tuesday,Wednesday,Thursday,Friday,Sunday,Saturday"
            << "Saturday|7|enxu.|open";
        QTest::newRow("Up and Down by name and by keys")
            << QStringList{"type:Friday", "drop", "invoke:ItemUpEvent", "key:Ctrl+Up", "key:Ctrl+Down"}
            << "EveryDay,Monday,Tuesday,Wednesday,Friday,Thursday,Saturday,Sunday"
            << "Friday|4|enxud|open";
        QTest::newRow("drag up onto another entry")
            << QStringList{"drop", "drag:Sunday>Monday"}
            << "EveryDay,Sunday,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday"
            << "Sunday|1|enxud|open";
        QTest::newRow("drag down onto another entry")
            << QStringList{"drop", "drag:Monday>Saturday"}
            << "EveryDay,Tuesday,Wednesday,Thursday,Friday,Saturday,Monday,Sunday"
            << "Monday|6|enxud|open";
        QTest::newRow("drag onto itself is a click") << QStringList{"drop", "drag:Friday>Friday"} << ""
                                                     << "Friday|5|enxud|closed";

        // New, Delete and the in-place editor.
        QTest::newRow("New is named at once, and so is the text")
            << QStringList{"drop", "button:New", "type:Holiday", "key:Return"}
            << "EveryDay,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,Holiday"
            << "Holiday|8|enxu.|open";
        QTest::newRow("second New is NewItem2, whatever the case")
            << QStringList{"drop", "key:Insert", "type:newitem", "key:Return", "button:New"}
            << "EveryDay,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,newitem,NewItem2"
            << "NewItem2|9|enxu.|open+editor";
        QTest::newRow("Enter accepts an edit; the text stays")
            << QStringList{"type:Friday", "drop", "button:Edit", "type:Fri", "key:Return"}
            << "EveryDay,Monday,Tuesday,Wednesday,Thursday,Fri,Saturday,Sunday"
            << "Friday|5|enxud|open";
        QTest::newRow("pinned, the edited entry becomes the text")
            << QStringList{"type:Friday", "drop", "button:Pin", "button:Edit", "type:Fri", "key:Return"}
            << "EveryDay,Monday,Tuesday,Wednesday,Thursday,Fri,Saturday,Sunday"
            << "Fri|5|enxud|open";
        QTest::newRow("Escape cancels the edit, not the pop-up")
            << QStringList{"type:Friday", "drop", "key:F2", "type:Fri", "key:Escape"} << ""
            << "Friday|5|enxud|open";
        QTest::newRow("leaving the editor cancels")
            << QStringList{"type:Friday", "drop", "button:Edit", "type:Fri", "key:Tab"} << ""
            << "Friday|5|enxud|open";
        QTest::newRow("a second Edit closes the editor")
            << QStringList{"type:Friday", "drop", "button:Edit", "type:Fri", "button:Edit"} << ""
            << "Friday|5|enxud|open";
        QTest::newRow("Delete empties the text") << QStringList{"type:Sunday", "drop", "button:Delete"}
                                                 << "EveryDay,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday"
                                                 << "||.n...|open";
        QTest::newRow("the named slots") << QStringList{"type:Monday",          "invoke:DropDown",
                                                        "invoke:ItemDownEvent", "invoke:ItemNewEvent",
                                                        "key:Return",           "invoke:ItemEditEvent",
                                                        "invoke:ItemEditEvent", "invoke:ItemDeleteEvent",
                                                        "invoke:DropUp"}
                                         << "EveryDay,Tuesday,Monday,Wednesday,Thursday,Friday,Saturday,Sunday"
                                         << "||.n...|closed";

        // Picking with the mouse and the keys.
        QTest::newRow("a click picks and closes") << QStringList{"drop", "click:Wednesday"} << ""
                                                  << "Wednesday|3|enxud|closed";
        QTest::newRow("pinned, a click picks and stays open")
            << QStringList{"drop", "button:Pin", "click:Wednesday"} << ""
            << "Wednesday|3|enxud|open";
        QTest::newRow("pinned, a double click picks and closes")
            << QStringList{"drop", "invoke:PinChangedEvent", "dclick:Tuesday"} << ""
            << "Tuesday|2|enxud|closed";
        QTest::newRow("hover and arrows move only the selection")
            << QStringList{"type:Monday", "drop", "hover:Thursday", "key:Down"} << ""
            << "Monday|5|enxud|open";
        QTest::newRow("Escape closes and points at the text again")
            << QStringList{"type:Monday", "key:F4", "key:Down", "key:Escape"} << ""
            << "Monday|1|enxud|closed";
        QTest::newRow("Enter picks the row reached with the keys")
            << QStringList{"type:Monday", "key:F4", "key:Down", "key:Return"} << ""
            << "Tuesday|2|enxud|closed";
        QTest::newRow("Down from nothing reaches the first entry")
            << QStringList{"key:F4", "key:Down", "key:Return"} << ""
            << "EveryDay|0|enx.d|closed";
        QTest::newRow("typing in the open pop-up goes into the text")
            << QStringList{"type:Monday", "drop", "type:Fr"} << ""
            << "Fr|5|enxud|open";
        QTest::newRow("a press outside closes") << QStringList{"type:Tue", "drop", "outside"} << ""
                                                << "Tue|2|enxud|closed";

        // Several entries at once.
        QTest::newRow("multiple: every named entry") << QStringList{"multi", "type:monday, Friday", "drop"} << ""
                                                     << "monday, Friday|1,5|.nx..|open";
        QTest::newRow("multiple: Ctrl+click, then Delete")
            << QStringList{"multi", "drop", "click:Monday", "ctrlclick:Wednesday", "button:Delete"}
            << "EveryDay,Tuesday,Thursday,Friday,Saturday,Sunday"
            << "||.n...|open";
    }
    void session() {
        QFETCH(QStringList, steps);
        QFETCH(QString, entries);
        for (const QString& step : steps) {
            perform(step);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(day_->items().join(u','), entries.isEmpty() ? DayNames.join(u',') : entries);
        QTEST(describe(day_), "state");
        // The pop-up and its state agree.
        QCOMPARE(day_->popup()->isVisible(), day_->droppedDown());
    }

    void handlersMayRefuseOrChange() {
        bool refuseDrop = true;
        connect(day_, &TCustomComboBoxX::OnDropDown, this, [&refuseDrop](bool& accept) { accept = !refuseDrop; });
        connect(day_, &TCustomComboBoxX::OnNewItem, this, [](QString& text, QVariant& object, bool&) {
            text = QStringLiteral("Holiday");
            object = 42;
        });
        connect(day_, &TCustomComboBoxX::OnModifiedItem, this,
                [](QString& text, QVariant&, bool&) { text = text.toUpper(); });
        connect(day_, &TCustomComboBoxX::OnDeleteItem, this, [](bool& accept) { accept = false; });
        connect(day_, &TCustomComboBoxX::OnMoveUpItem, this, [](bool& accept) { accept = false; });

        day_->DropDown();
        QVERIFY(!day_->droppedDown());
        refuseDrop = false;
        day_->DropDown();
        QVERIFY(day_->droppedDown());

        day_->ItemNewEvent();
        QCOMPARE(day_->itemText(8), QStringLiteral("Holiday"));
        QCOMPARE(day_->itemObject(8), QVariant(42));
        QTest::keyClicks(focused(), QStringLiteral("feast"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(day_->itemText(8), QStringLiteral("FEAST"));
        QCOMPARE(day_->itemObject(8), QVariant(42));
        day_->ItemDeleteEvent();
        day_->ItemUpEvent();
        QCOMPARE(day_->count(), 9);
        QCOMPARE(day_->text(), QStringLiteral("FEAST"));
    }

    void popupPlacement_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("dropDownCount");
        QTest::addColumn<int>("popupListWidth");
        QTest::addColumn<bool>("nearScreenBottom");
        QTest::addColumn<int>("rowsShown");
        QTest::newRow("eight entries, seven rows") << 8 << 7 << 0 << false << 7;
        QTest::newRow("fewer entries than rows") << 3 << 7 << 0 << false << 3;
        QTest::newRow("no entries: one empty row") << 0 << 7 << 0 << false << 1;
        QTest::newRow("a wider list") << 8 << 4 << 400 << false << 4;
        QTest::newRow("too narrow for the buttons") << 8 << 7 << 20 << false << 7;
        QTest::newRow("no room below: above") << 8 << 7 << 0 << true << 7;
    }
    void popupPlacement() {
        QFETCH(int, entries);
        QFETCH(int, dropDownCount);
        QFETCH(int, popupListWidth);
        QFETCH(bool, nearScreenBottom);
        QFETCH(int, rowsShown);
        day_->setItems(DayNames.mid(0, entries));
        day_->setDropDownCount(dropDownCount);
        day_->setPopupListWidth(popupListWidth);
        const QRect screen = day_->screen()->availableGeometry();
        if (nearScreenBottom) {
            const int fieldBottom = day_->mapTo(window_.get(), QPoint(0, day_->height())).y();
            window_->move(window_->x(), screen.bottom() - fieldBottom - 5);
        }
        day_->DropDown();
        QVERIFY(QTest::qWaitForWindowExposed(day_->popup()));

        const QRect popup = day_->popup()->geometry();
        QCOMPARE(day_->listBox()->viewport()->height(), rowsShown * day_->rowHeight());
        QVERIFY2(screen.contains(popup), "the pop-up stays on the screen");
        const QRect field(day_->mapToGlobal(QPoint(0, 0)), day_->size());
        QCOMPARE(popup.left(), field.left());
        if (nearScreenBottom)
            QCOMPARE(popup.bottom(), field.top() - 1);
        else
            QCOMPARE(popup.top(), field.bottom() + 1);
        int buttons = 0;
        for (QToolButton* button : day_->popup()->findChildren<QToolButton*>())
            buttons += button->width();
        QCOMPARE(popup.width(), std::max(popupListWidth ? popupListWidth : day_->width(), buttons + 3 + 2));
    }

    // Holding a dragged entry at the list's bottom edge scrolls the list to its end; releasing it there moves it.
    void edgeScrolling() {
        day_->DropDown();
        QListWidget* list = day_->listBox();
        QWidget* viewport = list->viewport();
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QTest::mousePress(viewport, Qt::LeftButton, {}, rowCenter("Monday"));
        const QPoint edge(viewport->width() / 2, viewport->height() - 2);
        QTest::mouseMove(viewport, edge);
        QTRY_COMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, edge);
        QCOMPARE(day_->items().join(u','),
                 QStringLiteral("EveryDay,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,Monday"));
        QVERIFY(day_->droppedDown());
    }

    void designerForm() {
        QWidget form;
        Ui::ComboboxxForm ui;
        ui.setupUi(&form);
        QCOMPARE(ui.day->items(), DayNames);
        QCOMPARE(ui.day->dropDownCount(), 7);
        QCOMPARE(ui.day->itemHeight(), 13);
        QCOMPARE(ui.direction->comboStyle(), TCustomComboBoxX::csDropDownList);
        QVERIFY(ui.direction->isReadOnly());
        QCOMPARE(ui.direction->buttons(), TCustomComboBoxX::cbxbUp | TCustomComboBoxX::cbxbDown);
        QCOMPARE(ui.direction->toolButton(TCustomComboBoxX::cbxbDown)->toolTip(), QStringLiteral("Later"));
        QCOMPARE(ui.direction->toolButton(TCustomComboBoxX::cbxbPin)->toolTip(), QStringLiteral("Keep open"));
        QVERIFY(ui.day->toolButton(TCustomComboBoxX::cbxbPin)->toolTip().isEmpty()); // ShowHint is off there

        // A list-only field takes its text from the pinned pop-up when it closes.
        ui.direction->setPinDown(true);
        ui.direction->DropDown();
        ui.direction->setItemIndex(1);
        ui.direction->DropUp();
        QCOMPARE(ui.direction->text(), QStringLiteral("Output"));
    }

    // The pictures are drawn in the palette's button text colour, and off buttons look different.
    void buttonPicturesFollowThePalette_data() {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(30, 30, 30) << QColor(230, 230, 230);
    }
    void buttonPicturesFollowThePalette() {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        QPalette palette = day_->palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::ButtonText, text);
        day_->setPalette(palette);
        for (QToolButton* button : day_->popup()->findChildren<QToolButton*>()) {
            const QIcon icon = button->icon();
            QVERIFY2(!icon.isNull(), qPrintable(button->objectName()));
            const QImage normal = icon.pixmap(QSize(32, 32)).toImage();
            bool inTextColour = false;
            for (int y = 0; y < normal.height() && !inTextColour; ++y)
                for (int x = 0; x < normal.width() && !inTextColour; ++x)
                    inTextColour = normal.pixelColor(x, y) == text;
            QVERIFY2(inTextColour, qPrintable(button->objectName()));
            QVERIFY(icon.pixmap(QSize(32, 32), QIcon::Disabled).toImage() != normal);
        }
    }
};

QTEST_MAIN(TestComboboxx)
#include "test_comboboxx.moc"
