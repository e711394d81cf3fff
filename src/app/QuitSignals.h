#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl+C in a terminal) quit the program the way
// File > Quit does, so tools stop and an app being put in place finishes. The handler only
// writes a byte to a socket; the window's thread reads it and quits.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

private:
    static void onSignal(int signal);
    QSocketNotifier *m_notifier = nullptr;
};
