#include "OstrelinApp.h"

#include <stdexcept>

#include "AbortError.h"

TOstrelinApp::TOstrelinApp(int& Argc, char** Argv) : QApplication(Argc, Argv) {
    // The main window hides in the tray; closing the last message box must not end the program.
    setQuitOnLastWindowClosed(false);
}

bool TOstrelinApp::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const EAbort&) {
        // Silent by definition: whoever raised it has reported what there was to report.
    } catch (const std::exception& e) {
        if (OnException) {
            OnException(Receiver, e);
        }
    } catch (...) {
        if (OnException) {
            OnException(Receiver, std::runtime_error("Unknown exception"));
        }
    }
    return false;
}
