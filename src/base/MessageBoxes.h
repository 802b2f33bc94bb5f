#pragma once

#include <QMessageBox>
#include <QString>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

class QWidget;

// Every message box of the program: a real modal QMessageBox with the caption, icon and buttons given.
namespace messages {

QMessageBox::StandardButton ask(QWidget* parent, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::Icon icon);

// As ask, with some of the standard buttons given texts of their own ({QMessageBox::Save, "Overwrite"}) and the
// button that Enter presses.
QMessageBox::StandardButton ask(QWidget* parent, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                const std::vector<std::pair<QMessageBox::StandardButton, QString>>& labels,
                                QMessageBox::StandardButton defaultButton);

// As ask, with one more button (text moreLabel, objectName moreName) that does not answer by itself: it runs more(),
// which gives the answer, or QMessageBox::NoButton to have the question asked again. For a question that is better
// answered after a look ("Show changes").
QMessageBox::StandardButton askWithMore(QWidget* parent, const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                        const std::vector<std::pair<QMessageBox::StandardButton, QString>>& labels,
                                        QMessageBox::StandardButton defaultButton, const QString& moreLabel,
                                        const QString& moreName,
                                        const std::function<QMessageBox::StandardButton()>& more);

// "Error" with the error icon and OK.
void error(QWidget* parent, const QString& text);
// "Note" with the information icon and OK.
void note(QWidget* parent, const QString& text);
// A plain notice: the program's name as caption, no icon, OK.
void notice(QWidget* parent, const QString& text);

// Runs action; an error it throws is shown in the standard error box and ends the action there.
// Returns whether the action ran to its end. Exceptions never reach the event loop.
bool guarded(QWidget* parent, const std::function<void()>& action);

} // namespace messages
