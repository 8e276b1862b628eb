#pragma once

#include <QObject>

class QSocketNotifier;

namespace vistrel {

// Turns SIGTERM, SIGINT and SIGHUP (how a Linux session ends its programs)
// into a Qt signal on the event loop, where the exit sequence can run safely.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    // Whether a termination signal has arrived, for work that runs without the
    // event loop (a scroll capture) and must stop before it ends.
    static bool signalArrived();

Q_SIGNALS:
    void terminationRequested();

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vistrel
