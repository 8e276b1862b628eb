#pragma once

namespace vistrel {

// Whether a notification area shows StatusNotifier icons on the session bus: the watcher
// (org.kde.StatusNotifierWatcher) runs and says a host is registered with it. Asked each
// time, since a panel can come and go while the program runs.
bool statusNotifierHostRegistered();

} // namespace vistrel
