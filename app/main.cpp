// The Pellomar II program.
#include "PellomarApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CPellomarApp app;
    if (!app.InitInstance())
        return 0;
    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}
