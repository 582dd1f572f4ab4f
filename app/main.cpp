#include "ui/form1.h"
#include "ui/form2.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    application.setStyle(QStringLiteral("Fusion"));
    application.setQuitOnLastWindowClosed(false); // closing either window ends the program

    // The connection window's load is the whole start-up; it is shown unless the remembered
    // profile connected and the work window came up instead.
    Form1 connectionWindow;
    connectionWindow.Form_Load();
    if (!connectionWindow.WorkWindow() || connectionWindow.WorkWindow()->isHidden())
        connectionWindow.show();
    return application.exec();
}
