#include <QApplication>
#include <chrono>
#include <string>

#include "app/windowmodule.h"
#include "platform/qt/qthost.h"
#include "shell/shell.h"
#include "ui/mainwindow.h"

// The window module's one entry. The parameter file travels as the command line
// does on Windows, in double quotes.
extern "C" int vantrel_window(int* argc, char** argv, const char* vtl) {
    QApplication qapp(*argc, argv);
    QApplication::setApplicationName("Vantrel");
    vantrel::QtHost host;
    vantrel::App app(host);
    // Rows come from the workers; a row they have not finished yet is waited for
    // only this long before the window handles its events again.
    app.driver.rowbudget = std::chrono::milliseconds(30);
    host.attach(app.window);
    const std::string file = vtl;
    return vantrel::WinMain(app, file.empty() ? std::string() : "\"" + file + "\"",
                            vantrel::MainWindowProc);
}
