#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QEvent;
class QLabel;
class QMainWindow;
class QMenu;
class QStatusBar;
class QUndoStack;
class QWidget;

// What a main window offers around its pages, the same in every window of the program: the hints of its controls,
// the keys that must not become text, and the Edit menu's Undo, Redo and Find.
class WindowShell : public QObject {
    Q_OBJECT

public:
    // Watches every event of the program for the window's hints and keys. invalidMark names the dynamic property
    // of a field whose text cannot be used: its tool tip (the complaint) shows even with pop-up hints off. The
    // status bar gets its two panels: StatusPanel0 (350 pixels, left to the hint of the control under the mouse)
    // and StatusPanel1, the notes of the window, which stays visible while a hint shows.
    WindowShell(QMainWindow* window, QStatusBar* statusBar, const char* invalidMark);
    QLabel* notePanel() const { return notePanel_; }

    // Pop-up hints (tool tips) of the window's controls; the status bar shows the long hint either way.
    void setPopupHints(bool on) { popupHints_ = on; }
    bool popupHints() const { return popupHints_; }

    // A report of what a command did ("Deleted 3 URL rules. ..."): the bar's message area shows it until the keys
    // go to another control or another report comes. The hint of a control under the mouse covers it only while
    // the mouse is there; the keys coming back to the control that had them (a box closed) keep it.
    void showReport(const QString& report);
    // The report ends: a step is done or undone (Undo and Redo, addEditActions), or the keys move.
    void endReport();

    // Runs at every event of the program (the window shows a state its code may have written directly).
    std::function<void()> everyEvent;

    // Undo, Redo and Find: the form's actions of those objectNames ("UndoAction", "RedoAction", "FindAction"),
    // or made in a menu "&Edit" after fileMenu. Their keys work with the menu bar hidden; Undo and Redo name the
    // step ("Undo delete URL rule") and are enabled as the stack allows; a step done or undone ends the report.
    struct EditActions {
        QAction* undo;
        QAction* redo;
        QAction* find;
    };
    EditActions addEditActions(QMenu* fileMenu, const QUndoStack& steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* editAction(QMenu* fileMenu, const char* name, const QString& text, const QList<QKeySequence>& keys);
    void showFocusHint(QWidget* focused);
    void makeRoomFor(const QString& message);

    QMainWindow* window_;
    QStatusBar* statusBar_;
    const char* invalidMark_;
    QLabel* hintPanel_;
    QLabel* notePanel_;
    // The panels a long message took room from, with the maximum width each had before.
    std::vector<std::pair<QPointer<QWidget>, int>> squeezed_;
    QPointer<QWidget> focusHinted_; // the control whose hint the focus showed last
    QString report_;
    bool popupHints_ = false;
};
