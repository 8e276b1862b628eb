#include "PrivateCups.h"

#include "harness/Wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel::test {

namespace {

const char* const Ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// cups-pdf reads a queue's own settings from here; there is no other place to point it.
const QString CupsPdfConfig = QStringLiteral("/etc/cups/cups-pdf-%1.conf");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

QString PrivateCups::skipReason()
{
    if (::geteuid() != 0)
        return QStringLiteral("a private cupsd and the cups-pdf backend need root");
    if (QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin"}).isEmpty() ||
        !QFileInfo::exists(QString::fromLatin1(Ppd)))
        return QStringLiteral("cups and printer-driver-cups-pdf are not installed");
    return {};
}

PrivateCups::PrivateCups()
{
    static std::atomic<int> serial{0};
    m_queue = QStringLiteral("vistrel_%1_%2").arg(::getpid()).arg(++serial);
    const QString root = m_dir.path();
    // The filters run as "lp": they need to pass through and write their temporary files.
    ::chmod(QFile::encodeName(root).constData(), 0755);
    for (const char* sub : {"conf", "spool", "cache", "state", "log", "tmp", "pdf"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    ::chmod(QFile::encodeName(root + "/tmp").constData(), 01777);
    writeFile(root + "/conf/cupsd.conf", "Listen " + QFile::encodeName(server()) +
                                             "\nLogLevel info\nWebInterface No\nBrowsing Off\n"
                                             "PreserveJobFiles Yes\n"
                                             "<Location />\n  Order allow,deny\n  Allow all\n"
                                             "</Location>\n");
    const QByteArray r = QFile::encodeName(root);
    writeFile(root + "/conf/cups-files.conf",
              "ServerRoot " + r + "/conf\nRequestRoot " + r + "/spool\nCacheDir " + r +
                  "/cache\nStateDir " + r + "/state\nTempDir " + r + "/tmp\nErrorLog " + r +
                  "/log/error_log\nAccessLog " + r + "/log/access_log\nPageLog " + r +
                  "/log/page_log\nDataDir /usr/share/cups\nServerBin /usr/lib/cups\n"
                  "User lp\nGroup lp\nSystemGroup root\n");
    ChildOptions options;
    options.outputFile = root + "/log/cupsd.out";
    m_cupsd = std::make_unique<ChildProcess>(
        QStringList{QStringLiteral("/usr/sbin/cupsd"), QStringLiteral("-f"), QStringLiteral("-c"),
                    root + "/conf/cupsd.conf", QStringLiteral("-s"),
                    root + "/conf/cups-files.conf"},
        options);
    const bool up = waitFor([&] {
        return QFileInfo::exists(server()) &&
               admin({QStringLiteral("lpstat"), QStringLiteral("-r")}).exitCode == 0;
    });
    if (!up)
        throw std::runtime_error("cupsd did not start:\n" + log().toStdString());
}

PrivateCups::~PrivateCups()
{
    removeQueue();
    if (m_cupsd)
        m_cupsd->stop();
}

QString PrivateCups::server() const
{
    return m_dir.filePath(QStringLiteral("cups.sock"));
}

QString PrivateCups::pdfFolder() const
{
    return m_dir.filePath(QStringLiteral("pdf"));
}

QStringList PrivateCups::pdfFiles() const
{
    QStringList files;
    for (const QFileInfo& entry : QDir(pdfFolder()).entryInfoList({"*.pdf"}, QDir::Files))
        files << entry.filePath();
    return files;
}

QStringList PrivateCups::spooledDocuments() const
{
    QStringList files;
    const QDir spool(m_dir.filePath(QStringLiteral("spool")));
    for (const QString& name : spool.entryList({"d*-001"}, QDir::Files, QDir::Name))
        files << spool.filePath(name);
    return files;
}

QString PrivateCups::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("log/error_log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

CommandResult PrivateCups::admin(const QStringList& argv)
{
    ChildOptions options;
    options.setEnv[QStringLiteral("CUPS_SERVER")] = server();
    return runCommand(argv, options);
}

void PrivateCups::addPdfQueue()
{
    writeFile(CupsPdfConfig.arg(m_queue),
              "Out " + QFile::encodeName(pdfFolder()) + "\nLog " +
                  QFile::encodeName(m_dir.filePath(QStringLiteral("log"))) + "\nLabel 1\n");
    const CommandResult added =
        admin({QStringLiteral("lpadmin"), QStringLiteral("-p"), m_queue, QStringLiteral("-E"),
               QStringLiteral("-v"), QStringLiteral("cups-pdf:/") + m_queue, QStringLiteral("-P"),
               QString::fromLatin1(Ppd)});
    if (added.exitCode != 0)
        throw std::runtime_error("lpadmin could not add the queue:\n" + log().toStdString());
}

void PrivateCups::removeQueue()
{
    if (QFile::remove(CupsPdfConfig.arg(m_queue)))
        admin({QStringLiteral("lpadmin"), QStringLiteral("-x"), m_queue});
}

void PrivateCups::rejectJobs()
{
    admin({QStringLiteral("cupsreject"), m_queue});
}

} // namespace vistrel::test
