// The program block of Ostrelin: the application, the main window, the message loop.
#include "ConstUnit.h"
#include "MainUnit.h"
#include "OstrelinApp.h"
#include "ProgramServices.h"

int main(int argc, char** argv) {
    TOstrelinApp app(argc, argv);
    TMainForm form(GetModulePath(false), ProgramServices());
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}
