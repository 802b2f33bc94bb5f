#include "widgets/Advspin.h"

#include "ui_advspin_form.h"

#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// Drives the field like a person: a key in the field, or a click on one of its buttons.
void perform(TAdvSpinEdit* spin, const QString& action) {
    if (action == u"UpButton")
        QTest::mouseClick(spin->spinButton()->upButton(), Qt::LeftButton);
    else if (action == u"DownButton")
        QTest::mouseClick(spin->spinButton()->downButton(), Qt::LeftButton);
    else {
        const Qt::Key key = action == u"Up"     ? Qt::Key_Up
                            : action == u"Down" ? Qt::Key_Down
                            : action == u"PgUp" ? Qt::Key_PageUp
                                                : Qt::Key_PageDown;
        QTest::keyClick(spin, key);
    }
}

bool activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

} // namespace

class TestAdvspin : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window_;
    QLineEdit* before_ = nullptr;
    TAdvSpinEdit* spin_ = nullptr;
    QLineEdit* after_ = nullptr;
    QLocale locale_;

    // The field with the given bounds and text, focused, with its caret at the end.
    void setUpSpin(int min, int max, const QString& text) {
        spin_->setMinValue(min);
        spin_->setMaxValue(max);
        spin_->setFocus(Qt::MouseFocusReason);
        spin_->setText(text);
    }

private slots:
    void initTestCase() { locale_ = QLocale(); }

    void init() {
        window_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window_.get());
        layout->addWidget(before_ = new QLineEdit);
        layout->addWidget(spin_ = new TAdvSpinEdit);
        layout->addWidget(after_ = new QLineEdit);
        QVERIFY(activate(window_.get()));
    }

    void cleanup() {
        window_.reset();
        QLocale::setDefault(locale_);
    }

    void steps_data() {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("increment");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        QTest::newRow("port Up") << 1 << 65535 << 1 << "25"
                                 << "Up"
                                 << "26";
        QTest::newRow("port Down") << 1 << 65535 << 1 << "25"
                                   << "Down"
                                   << "24";
        QTest::newRow("port Page Down") << 1 << 65535 << 1 << "25"
                                        << "PgDn"
                                        << "15";
        QTest::newRow("Page Up stops at max") << 1 << 65535 << 1 << "65530"
                                              << "PgUp"
                                              << "65535";
        QTest::newRow("Page Down stops at min") << 1 << 65535 << 1 << "5"
                                                << "PgDn"
                                                << "1";
        QTest::newRow("Down at min") << 0 << 64 << 1 << "0"
                                     << "Down"
                                     << "0";
        QTest::newRow("above max steps to max") << 0 << 64 << 1 << "99"
                                                << "Up"
                                                << "64";
        QTest::newRow("empty steps from min") << 0 << 64 << 1 << ""
                                              << "Up"
                                              << "1";
        QTest::newRow("1-2 steps from min") << 5 << 64 << 1 << "1-2"
                                            << "Up"
                                            << "6";
        QTest::newRow("plus sign") << 0 << 64 << 1 << "+5"
                                   << "Up"
                                   << "6";
        QTest::newRow("speed step") << 0 << 1000000 << 128 << "256"
                                    << "Up"
                                    << "384";
        QTest::newRow("speed step button") << 0 << 1000000 << 128 << "256"
                                           << "DownButton"
                                           << "128";
        QTest::newRow("button Up") << 1 << 65535 << 1 << "25"
                                   << "UpButton"
                                   << "26";
        QTest::newRow("no bounds negative") << 0 << 0 << 1 << "-5"
                                            << "Down"
                                            << "-6";
        QTest::newRow("INT_MAX Up") << 0 << 0 << 1 << "2147483647"
                                    << "Up"
                                    << "2147483647";
        QTest::newRow("INT_MAX Page Up") << 0 << 0 << 1 << "2147483647"
                                         << "PgUp"
                                         << "2147483647";
        QTest::newRow("INT_MIN Down") << 0 << 0 << 1 << "-2147483648"
                                      << "Down"
                                      << "-2147483648";
        QTest::newRow("INT_MIN button") << 0 << 0 << 1 << "-2147483648"
                                        << "DownButton"
                                        << "-2147483648";
        QTest::newRow("beyond 32 bits is not a number") << 0 << 0 << 1 << "2147483648"
                                                        << "Up"
                                                        << "1";
    }
    void steps() {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, increment);
        QFETCH(QString, text);
        QFETCH(QString, action);
        QFETCH(QString, expected);
        setUpSpin(min, max, text);
        spin_->setIncrement(increment);
        QSignalSpy changes(spin_, &TAdvSpinEdit::OnChange);
        perform(spin_, action);
        QCOMPARE(spin_->text(), expected);
        QCOMPARE(changes.count(), text == expected ? 0 : 1);
    }

    void readOnlyBlocksSteps_data() {
        QTest::addColumn<QString>("action");
        for (const char* action : {"Up", "Down", "PgUp", "PgDn", "UpButton", "DownButton"})
            QTest::newRow(action) << action;
    }
    void readOnlyBlocksSteps() {
        QFETCH(QString, action);
        setUpSpin(0, 64, "25");
        spin_->setProperty("ReadOnly", true);
        QSignalSpy changes(spin_, &TAdvSpinEdit::OnChange);
        perform(spin_, action);
        QCOMPARE(spin_->text(), u"25");
        QCOMPARE(changes.count(), 0);
    }

    void caretAndSelectionStay_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("selected");
        QTest::newRow("caret") << "25" << 1 << 0 << "Up"
                               << "26" << 1 << "";
        QTest::newRow("selection") << "25" << 0 << 1 << "Down"
                                   << "24" << 1 << "2";
        QTest::newRow("backward selection") << "25" << 2 << -2 << "PgUp"
                                            << "35" << 0 << "35";
        QTest::newRow("caret past the shorter text") << "100" << 3 << 0 << "Down"
                                                     << "99" << 2 << "";
        QTest::newRow("button") << "25" << 1 << 0 << "UpButton"
                                << "26" << 1 << "";
    }
    void caretAndSelectionStay() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, action);
        setUpSpin(0, 1000, text);
        if (selLength != 0)
            spin_->setSelection(selStart, selLength);
        else
            spin_->setCursorPosition(selStart);
        perform(spin_, action);
        QTEST(spin_->text(), "expected");
        QTEST(spin_->cursorPosition(), "cursor");
        QTEST(spin_->selectedText(), "selected");
    }

    void typing_data() {
        QTest::addColumn<bool>("editorEnabled");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digits") << true << "123"
                                << "123";
        QTest::newRow("letter dropped") << true << "12a3"
                                        << "123";
        QTest::newRow("blank dropped") << true << "1 2"
                                       << "12";
        QTest::newRow("signs kept even where they make no number") << true << "+1-2"
                                                                   << "+1-2";
        QTest::newRow("editor disabled") << false << "7a"
                                         << "";
    }
    void typing() {
        QFETCH(bool, editorEnabled);
        QFETCH(QString, typed);
        setUpSpin(0, 64, "");
        spin_->setEditorEnabled(editorEnabled);
        QTest::keyClicks(spin_, typed);
        QTEST(spin_->text(), "expected");
    }

    // Keys that edit without typing a character, caret between "2" and "5", with the editor enabled and disabled.
    void editingKeys_data() {
        QTest::addColumn<bool>("editorEnabled");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Backspace") << true << int(Qt::Key_Backspace) << 0 << "5";
        QTest::newRow("Backspace, editor disabled") << false << int(Qt::Key_Backspace) << 0 << "25";
        QTest::newRow("Ctrl+Backspace, editor disabled") << false << int(Qt::Key_Backspace) << int(Qt::CTRL) << "25";
        QTest::newRow("Delete") << true << int(Qt::Key_Delete) << 0 << "2";
        QTest::newRow("Delete, editor disabled") << false << int(Qt::Key_Delete) << 0 << "25";
        QTest::newRow("Up, editor disabled") << false << int(Qt::Key_Up) << 0 << "26";
    }
    void editingKeys() {
        QFETCH(bool, editorEnabled);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        setUpSpin(0, 64, "25");
        spin_->setEditorEnabled(editorEnabled);
        spin_->setCursorPosition(1);
        QTest::keyClick(spin_, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTEST(spin_->text(), "expected");
    }

    void localeSeparators_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QChar>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("en_US decimal") << "en_US" << QChar(u'.') << true;
        QTest::newRow("en_US thousands") << "en_US" << QChar(u',') << true;
        QTest::newRow("en_US date") << "en_US" << QChar(u'/') << false;
        QTest::newRow("en_US time") << "en_US" << QChar(u':') << false;
        QTest::newRow("de_DE decimal") << "de_DE" << QChar(u',') << true;
        QTest::newRow("de_DE thousands is the date separator") << "de_DE" << QChar(u'.') << false;
        QTest::newRow("fr_FR thousands") << "fr_FR" << QLocale(u"fr_FR").groupSeparator().front() << true;
        QTest::newRow("fr_FR other locale's decimal") << "fr_FR" << QChar(u'.') << false;
    }
    void localeSeparators() {
        QFETCH(QString, locale);
        QFETCH(QChar, typed);
        QFETCH(bool, accepted);
        QLocale::setDefault(QLocale(locale));
        setUpSpin(0, 64, "3");
        // keyClicks() knows ASCII only; the French thousands separator is a narrow no-break space.
        QTest::sendKeyEvent(QTest::Click, spin_, Qt::Key_unknown, typed, Qt::NoModifier);
        QTest::keyClick(spin_, Qt::Key_5);
        QCOMPARE(spin_->text(), accepted ? QString(u'3') + typed + u'5' : QStringLiteral("35"));
        QCOMPARE(spin_->GetValue(), accepted ? 0 : 35); // a separator makes it no number
    }

    void defaultsAndControlCharacters() {
        QCOMPARE(spin_->text(), u"0");
        QCOMPARE(spin_->CheckValue(101), 100);
        QCOMPARE(spin_->IsValidChar(u'\b'), true);
        QCOMPARE(spin_->IsValidChar(u'\x03'), true); // Ctrl+C
        QCOMPARE(spin_->IsValidChar(u'\r'), false);
        spin_->setEditorEnabled(false);
        QCOMPARE(spin_->IsValidChar(u'\b'), false);
        QCOMPARE(spin_->IsValidChar(u'\x03'), true);
        QCOMPARE(spin_->IsValidChar(u'5'), false);
    }

    // Leaving the field (Tab) and applyBounds() bring a number into the bounds and leave other text alone.
    void leaving_data() {
        QTest::addColumn<bool>("byTab");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        for (const bool byTab : {true, false}) {
            const auto row = [byTab](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(QString::fromLatin1(name) + (byTab ? " (Tab)" : " (applyBounds)")))
                       << byTab;
            };
            row("above max") << 0 << 64 << "99"
                             << "64";
            row("below min") << 0 << 64 << "-5"
                             << "0";
            row("port above max") << 1 << 65535 << "70000"
                                  << "65535";
            row("in bounds with sign keeps its text") << 0 << 64 << "+05"
                                                      << "+05";
            row("not a number stays") << 0 << 64 << "1-2"
                                      << "1-2";
            row("empty stays") << 0 << 64 << ""
                               << "";
            row("beyond 32 bits stays") << 0 << 64 << "99999999999"
                                        << "99999999999";
            row("no bounds") << 7 << 7 << "-99999"
                             << "-99999";
        }
    }
    void leaving() {
        QFETCH(bool, byTab);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        setUpSpin(min, max, "");
        QTest::keyClicks(spin_, typed);
        QCOMPARE(spin_->text(), typed);
        QSignalSpy changes(spin_, &TAdvSpinEdit::OnChange);
        if (byTab) {
            QTest::keyClick(spin_, Qt::Key_Tab);
            QVERIFY(after_->hasFocus());
        } else {
            spin_->applyBounds();
        }
        QCOMPARE(spin_->text(), expected);
        QCOMPARE(changes.count(), typed == expected ? 0 : 1);
    }

    void enterInADialog_data() {
        QTest::addColumn<bool>("returnIsTab");
        QTest::newRow("passed on to the default button") << false;
        QTest::newRow("ReturnIsTab moves on") << true;
    }
    void enterInADialog() {
        QFETCH(bool, returnIsTab);
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* spin = new TAdvSpinEdit;
        auto* next = new QLineEdit;
        auto* ok = new QPushButton("OK");
        layout->addWidget(spin);
        layout->addWidget(next);
        layout->addWidget(ok);
        spin->setMaxValue(64);
        spin->setReturnIsTab(returnIsTab);
        ok->setDefault(true);
        QString read;
        connect(ok, &QPushButton::clicked, &dialog, [&] {
            read = spin->text();
            dialog.accept();
        });
        QVERIFY(activate(&dialog));
        spin->setFocus(Qt::MouseFocusReason);
        spin->clear();
        QTest::keyClicks(spin, "99");
        QTest::keyClick(spin, Qt::Key_Return);
        if (returnIsTab) {
            QVERIFY(next->hasFocus());
            QCOMPARE(dialog.result(), QDialog::Rejected);
        } else {
            QTRY_COMPARE(dialog.result(), QDialog::Accepted);
            QCOMPARE(read, u"64"); // the default button never sees a value outside the bounds
        }
        QCOMPARE(spin->text(), u"64");
    }

    void onChangeForEveryChange() {
        setUpSpin(0, 64, "1");
        QSignalSpy changes(spin_, &TAdvSpinEdit::OnChange);
        QTest::keyClick(spin_, Qt::Key_2);
        QCOMPARE(changes.count(), 1);
        QTest::keyClick(spin_, Qt::Key_Backspace);
        QCOMPARE(changes.count(), 2);
        spin_->SetValue(30);
        QCOMPARE(changes.count(), 3);
        spin_->SetValue(30); // same text: no change
        QCOMPARE(changes.count(), 3);
        spin_->setProperty("Value", 500);
        QCOMPARE(spin_->text(), u"64");
        QCOMPARE(changes.count(), 4);
    }

    void clipboard_data() {
        QTest::addColumn<bool>("editorEnabled");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("paste, not filtered") << true << false << int(Qt::Key_V) << "ab1";
        QTest::newRow("paste, editor disabled") << false << false << int(Qt::Key_V) << "25";
        QTest::newRow("paste, read-only") << true << true << int(Qt::Key_V) << "25";
        QTest::newRow("cut") << true << false << int(Qt::Key_X) << "";
        QTest::newRow("cut, editor disabled") << false << false << int(Qt::Key_X) << "25";
    }
    void clipboard() {
        QFETCH(bool, editorEnabled);
        QFETCH(bool, readOnly);
        QFETCH(int, key);
        QApplication::clipboard()->setText("ab1");
        setUpSpin(0, 64, "25");
        spin_->setEditorEnabled(editorEnabled);
        spin_->setReadOnly(readOnly);
        spin_->selectAll();
        QTest::keyClick(spin_, Qt::Key(key), Qt::ControlModifier);
        QTEST(spin_->text(), "expected");

        // The context menu offers the same.
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), spin_->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(spin_, &event);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        const QList<QAction*> actions = menu->actions();
        const auto paste = std::find_if(actions.begin(), actions.end(),
                                        [](QAction* a) { return a->text().startsWith(QLineEdit::tr("&Paste")); });
        const bool pasteOffered = paste != actions.end() && (*paste)->isEnabled(); // read-only: no such entry
        QCOMPARE(pasteOffered, editorEnabled && !readOnly);
        menu->close();
    }

    void enteringSelects_data() {
        QTest::addColumn<bool>("byTab");
        QTest::addColumn<QString>("selected");
        QTest::newRow("Tab selects all") << true << "25";
        QTest::newRow("a click places the caret") << false << "";
    }
    void enteringSelects() {
        QFETCH(bool, byTab);
        spin_->setText("25");
        before_->setFocus();
        if (byTab)
            QTest::keyClick(before_, Qt::Key_Tab);
        else
            QTest::mouseClick(spin_, Qt::LeftButton, {}, QPoint(3, spin_->height() / 2));
        QVERIFY(spin_->hasFocus());
        QTEST(spin_->selectedText(), "selected");
    }

    // The first field of a dialog that opens has its text selected, so that typing replaces the start value.
    void firstFieldOfANewDialogIsSelected() {
        QDialog dialog;
        auto* spin = new TAdvSpinEdit(&dialog);
        spin->setText("0");
        new QLineEdit(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTRY_VERIFY(spin->hasFocus());
        QCOMPARE(spin->selectedText(), QStringLiteral("0"));
        QTest::keyClicks(spin, "7");
        QCOMPARE(spin->text(), QStringLiteral("7"));
    }

    void buttonPressFocusesTheEdit() {
        spin_->setText("25");
        before_->setFocus();
        QTest::mousePress(spin_->spinButton()->upButton(), Qt::LeftButton);
        QVERIFY(spin_->hasFocus());
        QCOMPARE(spin_->selectedText(), u""); // a mouse entry, not a keyboard one
        QTest::mouseRelease(spin_->spinButton()->upButton(), Qt::LeftButton);
        QCOMPARE(spin_->text(), u"26");
    }

    void releaseOffTheButtonDoesNotStep() {
        setUpSpin(0, 1000, "0");
        QSignalSpy changes(spin_, &TAdvSpinEdit::OnChange);
        auto* up = spin_->spinButton()->upButton();
        QTest::mousePress(up, Qt::LeftButton);
        const QPoint off(-20, -20);
        QMouseEvent move(QEvent::MouseMove, off, up->mapToGlobal(off), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(up, &move);
        QTest::qWait(700); // held, but not over the button: no repeats
        QTest::mouseRelease(up, Qt::LeftButton, {}, off);
        QCOMPARE(changes.count(), 0);
    }

    // Held down ~1 s: repeats at about 400, 500, ... 1000 ms, then one step on release, then nothing.
    // The bounds allow for a loaded machine, where timers fire late (never early by more than a few percent).
    void holdingAButtonRepeats() {
        setUpSpin(0, 1000, "0");
        QList<qint64> times;
        QElapsedTimer clock;
        QObject guard;
        connect(spin_, &TAdvSpinEdit::OnChange, &guard, [&] { times << clock.elapsed(); });
        auto* up = spin_->spinButton()->upButton();
        clock.start();
        QTest::mousePress(up, Qt::LeftButton);
        QTest::qWait(1050);
        const qsizetype held = times.size();
        QTest::mouseRelease(up, Qt::LeftButton);
        QCOMPARE(times.size(), held + 1);
        QVERIFY2(held >= 3 && held <= 8, qPrintable(QString("%1 repeats").arg(held)));
        QVERIFY2(times.first() >= 350, qPrintable(QString("first repeat after %1 ms").arg(times.first())));
        for (qsizetype i = 1; i < held; ++i)
            QVERIFY2(times[i] - times[i - 1] >= 80,
                     qPrintable(QString("repeat gap %1 ms").arg(times[i] - times[i - 1])));
        QTest::qWait(300);
        QCOMPARE(times.size(), held + 1);
        QCOMPARE(spin_->GetValue(), held + 1);
    }

    // The members reach the field from a Designer form, as the dialogs set them.
    void designerProperties() {
        QWidget form;
        Ui::AdvspinForm ui;
        ui.setupUi(&form);
        QCOMPARE(ui.LPort->text(), u"25");
        QCOMPARE(ui.LPort->minValue(), 1);
        QCOMPARE(ui.LPort->maxValue(), 65535);
        QCOMPARE(ui.Speed->text(), u"4096");
        QCOMPARE(ui.Speed->increment(), 128);
        QCOMPARE(ui.Speed->incrementPage(), 1024);
        QCOMPARE(ui.Speed->editorEnabled(), false);
        QCOMPARE(ui.Speed->returnIsTab(), true);
        QVERIFY(ui.Speed->dynamicPropertyNames().isEmpty()); // every name matched a member
    }
};

QTEST_MAIN(TestAdvspin)
#include "test_advspin.moc"
