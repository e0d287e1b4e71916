// The program block of Ostrelin: the application, the main window, the message loop.
#include <QThreadPool>

#include "ConstUnit.h"
#include "ExitSignals.h"
#include "MainUnit.h"
#include "OstrelinApp.h"
#include "ProgramServices.h"

int main(int argc, char** argv) {
    TOstrelinApp app(argc, argv);
    // A shutdown or a service stop ends the program as a confirmed Exit does. Made before the
    // window, so that a signal while the window is taken down is still caught.
    TExitSignals exitSignals;
    TMainForm form(GetModulePath(false), ProgramServices());
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&exitSignals, &TExitSignals::Received, &form, &TMainForm::RequestExit);
    form.show();
    const int code = app.exec();
    // The toolkit's painting threads are ended now, not by its own teardown after main, where
    // they would still be going away while the process ends.
    QThreadPool::globalInstance()->waitForDone();
    return code;
}
