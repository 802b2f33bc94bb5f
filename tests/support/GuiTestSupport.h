#pragma once

// Helpers for tests that drive real windows offscreen: answering modal dialogs and message boxes the way a
// person does (find the active modal widget, read it, press a button), a program directory of its own, the main
// window started there (WindowTest), and the golden files of tests/data.

#include "app/Main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

// One message box as the test saw it.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the modal widgets that appear, in order: each one is handed to the next queued answer, which must
// close it. Boxes answered are recorded. Create it before the code that opens the dialogs.
class ModalAnswers : public QObject {
public:
    using Answer = std::function<void(QWidget*)>;

    ModalAnswers() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &ModalAnswers::poll);
        timer_.start();
    }

    // Any modal widget: the answer does what it likes with it (and closes it).
    void push(Answer answer) { answers_.push_back(std::move(answer)); }

    // A message box answered with one of its standard buttons.
    void pushBox(QMessageBox::StandardButton button) {
        push([this, button](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box) {
                unexpected_ << QStringLiteral("expected a message box, got %1").arg(widget->metaObject()->className());
                widget->close();
                return;
            }
            seen_.push_back({box->windowTitle(), box->text(), box->icon()});
            if (QAbstractButton* pressed = box->button(button))
                pressed->click();
            else {
                unexpected_ << QStringLiteral("the box \"%1\" has no such button").arg(box->text());
                box->close();
            }
        });
    }

    // A dialog of a given class: the answer fills it and presses its buttons.
    template <typename Dialog> void pushDialog(std::function<void(Dialog*)> answer) {
        push([this, answer](QWidget* widget) {
            auto* dialog = qobject_cast<Dialog*>(widget);
            if (!dialog) {
                unexpected_ << QStringLiteral("expected %1, got %2")
                                   .arg(Dialog::staticMetaObject.className(), widget->metaObject()->className());
                widget->close();
                return;
            }
            answer(dialog);
        });
    }

    const std::deque<SeenBox>& seen() const { return seen_; }
    const QStringList& unexpected() const { return unexpected_; }
    bool allAnswered() const { return answers_.empty(); }
    int pending() const { return static_cast<int>(answers_.size()); }

    // What went wrong: the widgets nobody expected, and the answers no widget came for.
    QStringList problems() const {
        QStringList found = unexpected_;
        if (!answers_.empty())
            found << QStringLiteral("%1 answer(s) left unused").arg(answers_.size());
        return found;
    }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == current_ || !modal->isVisible())
            return;
        current_ = modal;
        modal->installEventFilter(this);
        if (answers_.empty()) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                unexpected_ << QStringLiteral("unexpected box: %1").arg(box->text());
            else
                unexpected_ << QStringLiteral("unexpected dialog: %1").arg(modal->metaObject()->className());
            modal->close();
            return;
        }
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        answer(modal);
    }

    // A dialog that is kept and shown again (the main window's shared file dialog) is a new modal each time.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched == current_)
            current_ = nullptr;
        return false;
    }

    QTimer timer_;
    std::deque<Answer> answers_;
    std::deque<SeenBox> seen_;
    QStringList unexpected_;
    QPointer<QWidget> current_;
};

// A directory that plays the program's directory: the window is given an executable path inside it, so
// glym30.ini, the rule files and the preferences file all live there. The current directory (which the window
// changes) is restored when the object goes.
class ProgramDir {
public:
    ProgramDir() : previous_(QDir::currentPath()) {}
    ~ProgramDir() { QDir::setCurrent(previous_); }

    QString executable() const { return dir_.filePath(QStringLiteral("glymconf")); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write a test file");
        file.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return QFile::exists(path(name)); }

private:
    QString previous_;
    QTemporaryDir dir_;
};

// The main window in a program directory of its own, with the modal widgets it opens answered. A test class
// derives from it (after QObject), calls begin() in init() and verifyNoProblems(finish()) in cleanup().
struct WindowTest {
    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<ModalAnswers> answers;
    std::unique_ptr<TMainWnd> window;

    void begin() {
        dir = std::make_unique<ProgramDir>();
        answers = std::make_unique<ModalAnswers>();
    }
    // Starts the window on what the program directory holds.
    void start() { window = std::make_unique<TMainWnd>(dir->executable()); }
    // Writes glym30.ini, then starts the window.
    void start(const QByteArray& serverFile) {
        dir->write(QStringLiteral("glym30.ini"), serverFile);
        start();
    }
    // Closes the window and starts it again, as the next run of the program.
    void restart() {
        window.reset();
        start();
    }
    // Shows the window; true once it is on screen.
    bool showWindow() {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    // Closes the window and removes the directory; returns what the answers found wrong.
    QStringList finish() {
        window.reset();
        const QStringList problems = answers ? answers->problems() : QStringList();
        answers.reset();
        dir.reset();
        return problems;
    }

    template <typename T> T* child(const char* name) const { return window->findChild<T*>(QLatin1String(name)); }

    // A line edit's text, or "1"/"0" for a check box or radio button.
    QString valueOf(const QString& name) const {
        if (auto* edit = window->findChild<QLineEdit*>(name))
            return edit->text();
        if (auto* button = window->findChild<QAbstractButton*>(name))
            return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        return QStringLiteral("<no control %1>").arg(name);
    }
};

// For cleanup(): fails the test with every problem named when there are any.
inline void verifyNoProblems(const QStringList& problems) {
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

// A file of the test data (tests/data), by its path there; a text no file holds when it is missing.
inline QByteArray goldenFile(const QString& relativePath) {
    QFile file(QStringLiteral(GLYM_TEST_DATA "/") + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing golden file " + relativePath.toUtf8() + ">";
}

// The bytes a save would write into the rule file of that name (as the settings give it) if its rules were
// changed: a save leaves a rule file the user did not change as it is, so a test of what the window holds asks
// here. Empty when no rule file has that name.
inline QByteArray contentToSave(const TMainWnd& window, const QString& file) {
    auto name = [&window](const char* field) {
        return window.findChild<QLineEdit*>(QLatin1String(field))->text().toStdString();
    };
    const RuleFileNames names{name("CheckFile"), name("CacheSkipFile"), name("RouterFile")};
    for (const RuleFileContent& content : ruleFileContents(names, window.Groups, window.CacheSkipLines,
                                                           window.StandardServiceLines, window.ManualServiceLines))
        if (content.name == file.toStdString())
            return QByteArray::fromStdString(content.bytes);
    return QByteArray();
}
