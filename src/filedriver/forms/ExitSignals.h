#pragma once

#include <signal.h>

#include <QObject>
#include <array>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the thread that made this object. The
// handler only writes a byte to a socket pair; its other end wakes the event loop, so no Qt call
// is ever made inside the handler. One object at a time; the earlier handlers come back when it
// goes.
class TExitSignals : public QObject {
    Q_OBJECT
public:
    explicit TExitSignals(QObject* Parent = nullptr);
    ~TExitSignals() override;
    TExitSignals(const TExitSignals&) = delete;
    TExitSignals& operator=(const TExitSignals&) = delete;

signals:
    // One or more of the signals arrived.
    void Received();

private:
    void Drain();

    std::array<int, 2> FSockets{-1, -1};   // [0] written by the handler, [1] read here
    QSocketNotifier* FNotifier = nullptr;  // none: the signals keep their default action
    std::array<struct sigaction, 3> FPrevious{};
};
