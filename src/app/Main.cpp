#include "app/Main.h"

#include "ui_Main.h"

TMainWnd::TMainWnd(const QString& executablePath, QWidget* parent) : QMainWindow(parent), ui(new Ui::TMainWnd) {
    Q_UNUSED(executablePath);
    ui->setupUi(this);
}

TMainWnd::~TMainWnd() = default;
