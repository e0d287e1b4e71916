#pragma once

#include <QApplication>
#include <exception>
#include <functional>

// The program's application object. An exception that escapes an event handler ends up here
// instead of ending the program: a silent abort is dropped, any other goes to OnException
// with the object whose event was being delivered.
class TOstrelinApp : public QApplication {
    Q_OBJECT
public:
    using TExceptionEvent = std::function<void(QObject* Sender, const std::exception& E)>;

    TOstrelinApp(int& Argc, char** Argv);

    bool notify(QObject* Receiver, QEvent* Event) override;

    TExceptionEvent OnException;
};
