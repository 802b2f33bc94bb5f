#include "base/WindowShell.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSizeGrip>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QUndoStack>
#include <algorithm>

namespace {

// A key pressed with Alt (and not Ctrl, which AltGr may bring) is a command: one that no menu, label or button
// took must not become a letter in a text field.
bool isCommandKeyForField(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (!(modifiers & Qt::AltModifier) || (modifiers & Qt::ControlModifier) || key->text().isEmpty())
        return false;
    return qobject_cast<QLineEdit*>(watched) || qobject_cast<QPlainTextEdit*>(watched) ||
           qobject_cast<QTextEdit*>(watched);
}

// The notes never go below this width; every panel takes about this much besides its own (the bar's spacing).
constexpr int kLeastNotesWidth = 50;
constexpr int kPanelSpacing = 6;

} // namespace

WindowShell::WindowShell(QMainWindow* window, QStatusBar* statusBar, const char* invalidMark)
    : QObject(window), window_(window), statusBar_(statusBar), invalidMark_(invalidMark),
      hintPanel_(new QLabel(statusBar)), notePanel_(new QLabel(statusBar)) {
    hintPanel_->setObjectName(QStringLiteral("StatusPanel0"));
    hintPanel_->setFixedWidth(350);
    notePanel_->setObjectName(QStringLiteral("StatusPanel1"));
    notePanel_->setMinimumWidth(kLeastNotesWidth);
    statusBar->addWidget(hintPanel_);
    statusBar->addPermanentWidget(notePanel_, 1);
    connect(statusBar, &QStatusBar::messageChanged, this, &WindowShell::makeRoomFor);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { showFocusHint(now); });
}

// A message (the hint of a control, a report) is painted where the hint panel stands, which it hides, up to the
// panels on the right: the notes, which stretch over the rest, give their room up while it shows, and for a longer
// message the other panels (the service's state, the statistics' totals) give theirs, from the left, or the message
// would be cut. They get it back when it goes.
void WindowShell::makeRoomFor(const QString& message) {
    for (const auto& [panel, width] : squeezed_)
        if (panel)
            panel->setMaximumWidth(width);
    squeezed_.clear();
    if (message.isEmpty())
        return notePanel_->setMaximumWidth(QWIDGETSIZE_MAX);
    QList<QWidget*> panels;
    for (QWidget* child : statusBar_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != notePanel_ && child != hintPanel_ && child->isVisible()) // a size grip counts too
            panels << child;
    std::sort(panels.begin(), panels.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    const int messageEnd = std::max(hintPanel_->width(), statusBar_->fontMetrics().horizontalAdvance(message) + 16);
    int room = statusBar_->width() - messageEnd - kLeastNotesWidth;
    for (QWidget* panel : panels)
        room -= panel->sizeHint().width() + kPanelSpacing;
    notePanel_->setMaximumWidth(kLeastNotesWidth + std::max(0, room));
    for (QWidget* panel : panels) {
        if (room >= 0 || qobject_cast<QSizeGrip*>(panel))
            continue;
        const int width = panel->sizeHint().width();
        const int given = std::min(width, -room);
        squeezed_.emplace_back(panel, panel->maximumWidth());
        panel->setMaximumWidth(width - given);
        room += given;
    }
}

bool WindowShell::eventFilter(QObject* watched, QEvent* event) {
    if (everyEvent)
        everyEvent();
    // The mouse leaving a control ends its hint: the report the hint covered comes back.
    if (event->type() == QEvent::StatusTip && !report_.isEmpty() &&
        static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == window_) {
            statusBar_->showMessage(report_);
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip && !popupHints_) {
        // A field's own complaint about its text is no hint: it shows either way.
        if (auto* widget = qobject_cast<QWidget*>(watched);
            widget && widget->window() == window_ && !widget->property(invalidMark_).toBool())
            return true;
    }
    return isCommandKeyForField(watched, event) || QObject::eventFilter(watched, event);
}

// The long hint of the control that receives the keys, as the pointer's shows when it moves over a control. The keys
// coming back to the control that had them (a box closed, the window active again) are no move: the bar keeps what
// it says, such as what the command answered there did.
void WindowShell::showFocusHint(QWidget* focused) {
    if (!focused || focused->window() != window_ || focused == focusHinted_)
        return;
    focusHinted_ = focused;
    report_.clear();
    QString hint;
    for (QWidget* widget = focused; widget && widget != window_ && hint.isEmpty(); widget = widget->parentWidget())
        hint = widget->statusTip();
    if (hint.isEmpty())
        statusBar_->clearMessage();
    else
        statusBar_->showMessage(hint);
}

void WindowShell::showReport(const QString& report) {
    report_ = report;
    statusBar_->showMessage(report);
}

void WindowShell::endReport() {
    if (!report_.isEmpty() && statusBar_->currentMessage() == report_)
        statusBar_->clearMessage();
    report_.clear();
}

QAction* WindowShell::editAction(QMenu* fileMenu, const char* name, const QString& text,
                                 const QList<QKeySequence>& keys) {
    auto* action = window_->findChild<QAction*>(QLatin1String(name));
    if (!action) {
        auto* menu = window_->findChild<QMenu*>(QStringLiteral("Edit1"));
        if (!menu) {
            menu = new QMenu(QStringLiteral("&Edit"), window_);
            menu->setObjectName(QStringLiteral("Edit1"));
            const QList<QAction*> entries = window_->menuBar()->actions();
            const int file = static_cast<int>(entries.indexOf(fileMenu->menuAction()));
            window_->menuBar()->insertMenu(entries.value(file + 1), menu);
        }
        action = new QAction(text, window_);
        action->setObjectName(QLatin1String(name));
        menu->addAction(action);
    }
    action->setShortcuts(keys);
    window_->addAction(action); // its keys work with the menu bar hidden too
    return action;
}

WindowShell::EditActions WindowShell::addEditActions(QMenu* fileMenu, const QUndoStack& steps) {
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))))
        redoKeys.prepend(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    const EditActions actions{
        editAction(fileMenu, "UndoAction", tr("Undo"), QKeySequence::keyBindings(QKeySequence::Undo)),
        editAction(fileMenu, "RedoAction", tr("Redo"), redoKeys),
        editAction(fileMenu, "FindAction", tr("Find"), QKeySequence::keyBindings(QKeySequence::Find))};
    auto named = [](QAction* action, const QString& verb, const QString& step) {
        action->setText(step.isEmpty() ? verb : verb + u' ' + step);
    };
    QAction* undo = actions.undo;
    QAction* redo = actions.redo;
    connect(&steps, &QUndoStack::undoTextChanged, undo, [=](const QString& step) { named(undo, tr("Undo"), step); });
    connect(&steps, &QUndoStack::redoTextChanged, redo, [=](const QString& step) { named(redo, tr("Redo"), step); });
    connect(&steps, &QUndoStack::indexChanged, this, &WindowShell::endReport); // what it said is past
    connect(&steps, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&steps, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    undo->setEnabled(false);
    redo->setEnabled(false);
    return actions;
}
