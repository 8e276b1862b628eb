#pragma once

#include <QString>

namespace vistrel {

// Where the program keeps its per-user files, and who and where it runs.
// Shared by every platform implementation on Linux.
class PosixSession {
public:
    // Removes what earlier runs of this user left behind when they were killed.
    PosixSession();
    ~PosixSession();
    PosixSession(const PosixSession&) = delete;
    PosixSession& operator=(const PosixSession&) = delete;

    // VISTREL_CONFIG_DIR, else the executable's folder when writable (portable
    // use), else $XDG_CONFIG_HOME/vistrel.
    static QString settingsFolder();
    // A folder only this user can enter, made on first use and removed at exit.
    QString privateTempFolder();
    static QString loginName();
    static QString hostName();

private:
    static QString tempBase();

    QString m_tempFolder;
};

} // namespace vistrel
