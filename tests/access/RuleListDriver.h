#pragma once

// Driving the rule lists of a real main window offscreen, the way a person does: clicks and double clicks on
// rows and on empty space, keys, the shared pop-up menu and header clicks; dialogs and boxes are answered with
// ModalAnswers (support/GuiTestSupport.h).

#include "app/Main.h"
#include "support/GuiTestSupport.h"
#include "support/ListReading.h"
#include "widgets/Advspin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <memory>

namespace rulelists {

using namespace listview;

// glym30.ini naming the three rule files of a program directory.
inline QByteArray serverIni() {
    return "[Cache Skip]\r\nEnable=1\r\nFile Name=skip.txt\r\n"
           "[Router]\r\nFile Name=router.txt\r\n"
           "[Check]\r\nEnable=1\r\nFile Name=access.txt\r\n";
}

// The lines of a saved rule file (CR LF ends every line).
inline QByteArrayList fileLines(const QByteArray& bytes) {
    QByteArrayList lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// Types into a field as a person does after selecting its whole text.
inline void type(QLineEdit* field, const QString& text) {
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, char(c.unicode()));
        } else { // QTest knows keys of ASCII only: a key event that carries the character
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &release);
        }
    }
}

// Presses a dialog's button: "Button1" is "Ok", "IAeverButton1" is "Cancel".
inline void press(QWidget* dialog, const char* button) {
    auto* pressed = dialog->findChild<QAbstractButton*>(QLatin1String(button));
    if (!pressed)
        qFatal("the dialog has no button %s", button);
    pressed->click();
}
inline void pressOk(QWidget* dialog) {
    press(dialog, "Button1");
}
inline void pressCancel(QWidget* dialog) {
    press(dialog, "IAeverButton1");
}
// Presses "Ok" once the answer that calls it has returned: a box that "Ok" opens inside the dialog (a refused
// field) can then be answered by the next answer of ModalAnswers, whose timer does not run inside its own answer.
inline void pressOkLater(QWidget* dialog) {
    QTimer::singleShot(0, dialog, [dialog] { pressOk(dialog); });
}

// What a question box asked, and the button Enter would have pressed in it.
struct Asked {
    QString text;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};
// Answers the next modal widget, a question box, with one of its buttons, keeping what it asked.
inline void pushQuestion(ModalAnswers& answers, QMessageBox::StandardButton button, Asked& asked) {
    answers.push([button, &asked](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QAbstractButton* pressed = box ? box->button(button) : nullptr;
        if (!pressed) {
            asked.text = QStringLiteral("no question with that button");
            widget->close();
            return;
        }
        asked = {box->text(), box->standardButton(box->defaultButton())};
        pressed->click();
    });
}

// Answers the next pop-up menu that opens by pressing a key in it (the entries' mnemonics: A, E, D), as a person
// choosing "&Add", "&Edit" or "&Delete" does.
class PopupAnswer : public QObject {
public:
    explicit PopupAnswer(Qt::Key key) : key_(key) {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* popup = QApplication::activePopupWidget();
            if (!popup || !popup->isVisible())
                return;
            timer_.stop();
            menuName_ = popup->objectName();
            for (QAction* action : popup->actions())
                entries_ << action->text();
            QTest::keyClick(popup, key_);
        });
        timer_.start();
    }
    bool answered() const { return !timer_.isActive(); }
    QString menuName() const { return menuName_; }
    QStringList entries() const { return entries_; }

private:
    Qt::Key key_;
    QTimer timer_;
    QString menuName_;
    QStringList entries_;
};

// A main window started in a program directory of its own, with the rule lists at hand.
class Window {
public:
    // Writes glym30.ini and the rule files given (a null array writes no file), then starts the window.
    Window(const QByteArray& access, const QByteArray& skip = QByteArray(), const QByteArray& router = QByteArray()) {
        dir.write(QStringLiteral("glym30.ini"), serverIni());
        if (!access.isNull())
            dir.write(QStringLiteral("access.txt"), access);
        if (!skip.isNull())
            dir.write(QStringLiteral("skip.txt"), skip);
        if (!router.isNull())
            dir.write(QStringLiteral("router.txt"), router);
        window = std::make_unique<TMainWnd>(dir.executable());
        window->resize(1000, 900);
        window->show();
        // The networks box starts low; drag the splitter so that both lists show all their rows and some space.
        if (auto* splitter = window->findChild<QSplitter*>(QStringLiteral("NetHostSplitter")))
            splitter->setSizes({360, 360});
        QApplication::processEvents();
    }
    ~Window() {
        if (window)
            window->ConfigChanged = false; // nothing to ask on close
    }

    QTableView* list(const char* name) const { return window->findChild<QTableView*>(QLatin1String(name)); }

    // Brings the page that holds the widget to the front, as a person opening its tabs does.
    void showPageOf(QWidget* widget) {
        for (QWidget* w = widget; w && w != window.get(); w = w->parentWidget()) {
            QWidget* stack = w->parentWidget();
            if (auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr)
                tabs->setCurrentWidget(w);
        }
        QApplication::processEvents();
    }

    QPoint rowPoint(QTableView* list, int row) {
        showPageOf(list);
        list->scrollTo(at(list, row));
        QApplication::processEvents();
        const QRect rect = list->visualRect(at(list, row));
        return QPoint(rect.left() + 10, rect.center().y());
    }
    // A point of the list below its last row.
    QPoint emptyPoint(QTableView* list) {
        showPageOf(list);
        const QPoint point(10, list->viewport()->height() - 3);
        if (list->indexAt(point).isValid())
            qFatal("the list %s has no empty space to click (%d rows in %d pixels)", qPrintable(list->objectName()),
                   rowCount(list), list->viewport()->height());
        return point;
    }

    void click(QTableView* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(list, row));
    }
    void clickEmpty(QTableView* list) { QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, emptyPoint(list)); }
    void doubleClick(QTableView* list, int row) {
        const QPoint at = row < 0 ? emptyPoint(list) : rowPoint(list, row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void key(QTableView* list, Qt::Key key) {
        showPageOf(list);
        list->setFocus();
        QTest::keyClick(list, key);
    }
    void clickHeader(QTableView* list, int column) {
        showPageOf(list);
        QHeaderView* header = list->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    // Opens the shared pop-up menu on a row (or on empty space for row -1) and chooses an entry by its key.
    // Returns the entries the menu showed.
    QStringList popup(QTableView* list, int row, Qt::Key entry) {
        const QPoint at = row < 0 ? emptyPoint(list) : rowPoint(list, row);
        PopupAnswer answer(entry);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        QApplication::processEvents();
        return answer.answered() ? answer.entries() : QStringList{QStringLiteral("no pop-up menu")};
    }

    // The save handler itself: ButtonSave is disabled while nothing has changed, and some checks save at once.
    void save() {
        window->ButtonSaveClick();
        QApplication::processEvents();
    }
    // Saves, then reads back the lines of one rule file.
    QByteArrayList savedLines(const QString& file) {
        save();
        return fileLines(dir.read(file));
    }

    ProgramDir dir;
    std::unique_ptr<TMainWnd> window;
};

// Starts a window in place of the one held. The old one goes first: its program directory, when it goes, puts
// back the current directory it found, which the new window must not lose.
inline void startAnew(std::unique_ptr<Window>& w, const QByteArray& access, const QByteArray& skip = QByteArray(),
                      const QByteArray& router = QByteArray()) {
    w.reset();
    w = std::make_unique<Window>(access, skip, router);
}

} // namespace rulelists
