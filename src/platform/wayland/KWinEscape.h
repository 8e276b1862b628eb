#pragma once

#include "platform/wayland/CompositorWindows.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

namespace vistrel::wayland {

// Hears kglobalaccel's press signal on a thread of its own, so that the press is seen while
// the scroll keeps the program's own thread busy.
class KGlobalAccelPressWatcher : public QObject {
    Q_OBJECT
public:
    std::atomic<bool> pressed{false};

public Q_SLOTS:
    void onPressed(const QString& component, const QString& shortcut, qlonglong timestamp);
};

// Escape taken through KWin's global shortcuts (kglobalaccel): a shortcut of a component of
// our own holds the key for every program while it exists; it goes when this ends, and a
// component left behind by a run that crashed is removed at the next start.
class KWinEscapeBinding final : public EscapeBinding {
public:
    // Null when KWin does not take Escape for us.
    static std::unique_ptr<EscapeBinding> bind();
    // Removes the shortcuts runs that have ended left behind (a crash skips the removal).
    static void removeLeftover();

    KWinEscapeBinding();
    ~KWinEscapeBinding() override;
    KWinEscapeBinding(const KWinEscapeBinding&) = delete;
    KWinEscapeBinding& operator=(const KWinEscapeBinding&) = delete;

    bool pressed() override { return m_watcher->pressed; }

private:
    QThread m_thread;
    std::unique_ptr<KGlobalAccelPressWatcher> m_watcher;
};

} // namespace vistrel::wayland
