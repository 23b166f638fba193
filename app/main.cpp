// Quillo Pad: start-up procedure.

#include "app/programfolder.h"
#include "app/qtuiservices.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "store/module1.h"
#include "ui/laterstyle.h"
#include "ui/main/edit.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    FontConfigPreload fonts;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo Pad"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillo-pad"));

    // CheckSingleInstance: a copy already running is restored and raised;
    // this one ends before any settings or files are touched.
    SingleInstance instance;
    if (instance.claim() == SingleInstance::Claim::HandedOver) {
        // Before the application object goes: its font database, going,
        // would otherwise read the configuration a second time.
        fonts.wait();
        return 0;
    }

    const ProgramFolder folder =
        ChooseProgramFolder(QCoreApplication::applicationDirPath(),
                            qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    QtUiServices services;
    Module1 module(services, folder.AppFolder);
    module.HelpFile = folder.HelpFile;
    LaterStyle::install();
    fonts.wait();
    edit window(module);
    QObject::connect(&instance, &SingleInstance::showRequested, &window,
                     [&window] { RestoreAndRaise(window); });
    QObject::connect(&window, &edit::endProgram, &app, [] { QCoreApplication::exit(0); });

    InitialLoad(module, window);
    ShowMainWindow(module, window);
    return QApplication::exec();
}
