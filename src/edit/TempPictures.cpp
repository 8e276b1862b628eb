#include "edit/TempPictures.h"

#include "output/codecs/BmpFile.h"

#include "platform/FileWriting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vistrel {

namespace {

constexpr int DefaultLastTab = 50;
constexpr int DefaultLastScrollFrame = 200;
constexpr int BmpHeaderBytes = 14 + 40;

// The file and info headers of a bottom-up 32-bit bitmap without compression.
QByteArray bmpHeader32(int width, int height)
{
    QByteArray header(BmpHeaderBytes, '\0');
    const auto put32 = [&header](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = char((value >> (8 * i)) & 0xff);
    };
    const quint32 imageBytes = quint32(width) * quint32(height) * 4;
    header[0] = 'B';
    header[1] = 'M';
    put32(2, BmpHeaderBytes + imageBytes);
    put32(10, BmpHeaderBytes);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    header[26] = 1;  // planes
    header[28] = 32; // bits per pixel
    put32(34, imageBytes);
    return header;
}

[[noreturn]] void throwUnwritable(const QString& file, const QString& reason)
{
    throw std::runtime_error(
        QStringLiteral("%1 に書き込めません\n%2").arg(file, reason).toStdString());
}

// A tab's picture in its own pixel format, under a partial name renamed into place so that
// another program never reads half a picture; not flushed to disk, as it is only a copy.
void writeTabPicture(const QImage& bitmap, const QString& file)
{
    const QByteArray bytes = BmpFile::encode(bitmap, 0);
    const QString partial = newPartialFilePath(QFileInfo(file).absolutePath());
    QFile out(partial);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush()) {
        const QString reason = out.errorString();
        out.close();
        QFile::remove(partial);
        throwUnwritable(file, reason);
    }
    out.close();
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(file).constData()) !=
        0) {
        const int error = errno;
        QFile::remove(partial);
        throwUnwritable(file, systemErrorText(error));
    }
}

// Scroll frames live for one capture and are read back only when written whole: rows go
// out straight from the grab, so no second frame-sized buffer is needed.
void writeScrollFrame(const QImage& bitmap, const QString& file)
{
    QFile out(file);
    bool written = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   out.write(bmpHeader32(bitmap.width(), bitmap.height())) == BmpHeaderBytes;
    const qint64 rowBytes = qint64(bitmap.width()) * 4;
    for (int y = bitmap.height() - 1; written && y >= 0; --y)
        written =
            out.write(reinterpret_cast<const char*>(bitmap.constScanLine(y)), rowBytes) == rowBytes;
    written = written && out.flush();
    if (!written) {
        const QString reason = out.errorString();
        out.close();
        QFile::remove(file);
        throwUnwritable(file, reason);
    }
}

} // namespace

// One thread writing the pictures handed to it in turn; the newest picture for a file
// replaces one still waiting.
class TempPictures::Writer {
public:
    Writer() : m_thread([this] { run(); }) {}
    ~Writer()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void add(const QString& file, const QImage& bitmap, bool scrollFrame)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_failures.erase(file);
            for (Job& job : m_jobs)
                if (job.file == file) {
                    job.bitmap = bitmap;
                    job.scrollFrame = scrollFrame;
                    return;
                }
            m_jobs.push_back({file, bitmap, scrollFrame});
        }
        m_changed.notify_all();
    }

    // Drops what waits for `files`, then waits for the rest; gives back the failure of the
    // first of `files` that failed, if any.
    QString settle(const QStringList& dropped, const QString& asked = QString())
    {
        std::unique_lock lock(m_mutex);
        std::erase_if(m_jobs, [&dropped](const Job& job) { return dropped.contains(job.file); });
        m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
        for (const QString& file : dropped)
            m_failures.erase(file);
        const auto failed = m_failures.find(asked);
        return failed == m_failures.end() ? QString() : failed->second;
    }

private:
    struct Job {
        QString file;
        QImage bitmap;
        bool scrollFrame = false;
    };

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // stopping once everything handed over is written
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
            lock.unlock();
            QString failure;
            try {
                if (job.scrollFrame)
                    writeScrollFrame(job.bitmap, job.file);
                else
                    writeTabPicture(job.bitmap, job.file);
            } catch (const std::exception& error) {
                failure = QString::fromUtf8(error.what());
            }
            job.bitmap = QImage(); // released before anyone waiting is woken
            lock.lock();
            m_busy = false;
            if (!failure.isEmpty())
                m_failures[job.file] = failure;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    std::map<QString, QString> m_failures;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the rest is ready
};

TempPictures::TempPictures(std::function<QString()> folder)
    : m_folder(std::move(folder)), m_writer(std::make_unique<Writer>())
{}

TempPictures::~TempPictures() = default;

void TempPictures::waitForWrites() const
{
    m_writer->settle({});
}

QString TempPictures::path(Kind kind, int number) const
{
    const QString prefix = kind == Kind::Tab ? QStringLiteral("Tab") : QStringLiteral("Scr");
    return QDir(m_folder()).filePath(prefix + QString::number(number) + QStringLiteral(".cbmp"));
}

void TempPictures::WriteTempPicture(const QImage& bitmap, Kind kind, int number) const
{
    BmpFile::requireAllocated(bitmap);
    m_writer->add(path(kind, number), bitmap,
                  kind == Kind::Scroll && bitmap.format() == QImage::Format_RGB32);
}

void TempPictures::ReadTempPicture(QImage& bitmap, Kind kind, int number) const
{
    const QString file = path(kind, number);
    const QString failure = m_writer->settle({}, file);
    if (!failure.isEmpty())
        throw std::runtime_error(failure.toStdString());
    if (QFile::exists(file))
        bitmap = BmpFile::read(file);
}

void TempPictures::DeleteTempPictures(Kind kind, int last) const
{
    if (last < 0)
        last = kind == Kind::Tab ? DefaultLastTab : DefaultLastScrollFrame;
    QStringList files;
    for (int number = 0; number <= last; ++number)
        files.append(path(kind, number));
    m_writer->settle(files);
    for (const QString& file : std::as_const(files))
        QFile::remove(file);
}

} // namespace vistrel
