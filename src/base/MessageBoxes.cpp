#include "base/MessageBoxes.h"

#include "base/Text.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QWidget>

namespace messages {

namespace {
const QString kProgramCaption = QStringLiteral("GLYM add-on");
} // namespace

QMessageBox::StandardButton ask(QWidget* parent, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton ask(QWidget* parent, const QString& caption, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                const std::vector<std::pair<QMessageBox::StandardButton, QString>>& labels,
                                QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    for (const auto& [button, label] : labels)
        box.button(button)->setText(label);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton askWithMore(QWidget* parent, const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                        const std::vector<std::pair<QMessageBox::StandardButton, QString>>& labels,
                                        QMessageBox::StandardButton defaultButton, const QString& moreLabel,
                                        const QString& moreName,
                                        const std::function<QMessageBox::StandardButton()>& more) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    for (const auto& [button, label] : labels)
        box.button(button)->setText(label);
    QPushButton* moreButton = box.addButton(moreLabel, QMessageBox::ActionRole);
    moreButton->setObjectName(moreName);
    for (;;) {
        box.setDefaultButton(defaultButton); // a button pressed last would be the default otherwise
        box.exec();
        if (box.clickedButton() != moreButton)
            return box.standardButton(box.clickedButton());
        if (const QMessageBox::StandardButton answer = more(); answer != QMessageBox::NoButton)
            return answer;
    }
}

void error(QWidget* parent, const QString& text) {
    ask(parent, QStringLiteral("Error"), text, QMessageBox::Ok, QMessageBox::Critical);
}

void note(QWidget* parent, const QString& text) {
    ask(parent, QStringLiteral("Note"), text, QMessageBox::Ok, QMessageBox::Information);
}

void notice(QWidget* parent, const QString& text) {
    ask(parent, kProgramCaption, text, QMessageBox::Ok, QMessageBox::NoIcon);
}

bool guarded(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& failure) {
        // Core messages are Windows-1251 bytes (they may quote file names and values).
        error(parent, fromFileBytes(failure.what()));
    }
    return false;
}

} // namespace messages
