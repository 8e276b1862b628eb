#pragma once

#include "harness/ChildProcess.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace vistrel::test {

// A CUPS scheduler of the test's own, on a private socket with private spool folders, and
// optionally one cups-pdf queue that writes its PDF files into a folder of the test. Needs
// root (cupsd and the cups-pdf backend run as root); `skipReason` says why it cannot run.
class PrivateCups {
public:
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    static QString skipReason();

    // The value of CUPS_SERVER for clients of this scheduler.
    QString server() const;
    // Adds the PDF queue; its files land in pdfFolder().
    void addPdfQueue();
    void removeQueue();
    // Makes the queue refuse new jobs, as a stopped printer does.
    void rejectJobs();
    QString queue() const { return m_queue; }
    QString pdfFolder() const;
    // The PDF files written so far.
    QStringList pdfFiles() const;
    // The documents as they were handed to the scheduler, oldest first.
    QStringList spooledDocuments() const;
    QString log() const;

private:
    CommandResult admin(const QStringList& argv);

    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_cupsd;
    QString m_queue;
};

} // namespace vistrel::test
