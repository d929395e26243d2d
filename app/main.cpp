#include <QApplication>

#include "app/trace_app.h"
#include "platform/app_name.h"

int main(int, char** argv) {
    // The program reads no command line: the toolkit sees only the program's name.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QString::fromStdString(platform::AppName()));
    theApp.InitInstance();
    return 0;
}
