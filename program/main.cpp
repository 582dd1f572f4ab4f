#include "app/app_identity.h"
#include "cli/command_line.h"
#include "ui/form1.h"
#include "ui/form2.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char* argv[]) {
    SetApplicationIdentity();

    // Arguments other than Qt's own options: the command line, without windows or a display.
    if (cli::IsCommandLine(argc, argv)) {
        QCoreApplication application(argc, argv);
        return cli::RunCommandLine(QCoreApplication::arguments());
    }

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
