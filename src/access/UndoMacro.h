#pragma once

#include <QString>
#include <QUndoStack>

// Makes the steps taken during its life one step to undo, and ends the macro however the scope ends, so that the
// stack never stays open.
class UndoMacro {
public:
    UndoMacro(QUndoStack& stack, const QString& text) : stack_(stack) { stack_.beginMacro(text); }
    ~UndoMacro() { stack_.endMacro(); }
    UndoMacro(const UndoMacro&) = delete;
    UndoMacro& operator=(const UndoMacro&) = delete;

private:
    QUndoStack& stack_;
};
