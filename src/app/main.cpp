#include "app/Main.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    TMainWnd window;
    window.show();
    return application.exec();
}
