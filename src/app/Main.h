#pragma once

#include <QCoreApplication>
#include <QMainWindow>
#include <memory>

namespace Ui {
class TMainWnd;
}

// The configurator's main window: every server setting lives in its controls, and it owns the rule data.
class TMainWnd : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainWnd(const QString& executablePath = QCoreApplication::applicationFilePath(),
                      QWidget* parent = nullptr);
    ~TMainWnd() override;

private:
    std::unique_ptr<Ui::TMainWnd> ui;
};
