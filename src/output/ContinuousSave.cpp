#include "output/ContinuousSave.h"

#include "output/NoReplaceRename.h"
#include "output/PictureFile.h"
#include "output/SaveSettingsValidation.h"
#include "platform/FileWriting.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace vistrel {

namespace {

// The parts of one save's names; only the number changes between candidates.
struct NamePattern {
    QString folder; // ends with the separator
    QString prefix;
    QString suffix;
    QString extension;
    int digits = 3;

    QString name(int number) const
    {
        return prefix + SequenceNumberText(number, digits) + suffix + QLatin1Char('.') + extension;
    }
    QString path(int number) const { return folder + name(number); }
};

// Removes the partial file however the save ends; after the move there is nothing left.
class PartialFile {
public:
    explicit PartialFile(QString path) : m_path(std::move(path)) {}
    ~PartialFile() { QFile::remove(m_path); }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    const QString& path() const { return m_path; }

private:
    QString m_path;
};

// Puts the finished file in the target's place; whatever held the name, a symbolic link
// included, is replaced as a directory entry and never followed.
void replaceWith(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    const int error = errno;
    throw std::runtime_error(
        QStringLiteral("%1 に書き込めません\n%2").arg(to, systemErrorText(error)).toStdString());
}

} // namespace

ContinuousSave::ContinuousSave(NameClock clock, Writer writer)
    : m_clock(std::move(clock)), m_writer(std::move(writer))
{
    if (!m_writer)
        m_writer = [](const QImage& picture, int saveType, const QString& path,
                      const PictureSaveOptions& options) {
            savePictureFile(picture, saveType, path, options);
        };
}

std::optional<QString> ContinuousSave::save(const QImage& picture,
                                            const ContinuousSaveSettings& settings, int& counter,
                                            const PictureSaveOptions& options) const
{
    if (!QFileInfo(settings.dir).isDir()) {
        MessageBox::information(QString::fromUtf8(MissingFolderMessage));
        return std::nullopt;
    }
    const QDateTime now = m_clock();
    if (const QString refusal = ValidateContinuousSaveName(settings.file, settings.fileAfter, now);
        !refusal.isEmpty()) {
        MessageBox::information(refusal);
        return std::nullopt;
    }
    NamePattern pattern;
    pattern.folder = settings.dir;
    if (!pattern.folder.endsWith(QLatin1Char('/')))
        pattern.folder += QLatin1Char('/');
    pattern.prefix = ExpandFileNameTokens(settings.file, now);
    pattern.suffix = ExpandFileNameTokens(settings.fileAfter, now);
    pattern.extension = SaveTypeExtension(settings.saveType);
    pattern.digits = settings.digits;

    int number = counter;
    // Finish the file under a private name first, so that the final name never holds half a
    // picture and a symbolic link under it is replaced rather than written through.
    removeStalePartialFiles(pattern.folder);
    PartialFile partial(newPartialFilePath(pattern.folder));
    if (settings.overwrite) {
        // The finished file will replace an old one: it must be on disk before it does.
        PictureSaveOptions replacing = options;
        replacing.durable = QFileInfo::exists(pattern.path(number));
        writePartial(picture, settings.saveType, partial.path(), pattern.path(number), replacing);
        replaceWith(partial.path(), pattern.path(number));
    } else {
        while (QFileInfo::exists(pattern.path(number)))
            ++number;
        writePartial(picture, settings.saveType, partial.path(), pattern.path(number), options);
        while (NoReplaceRename::move(partial.path(), pattern.path(number)) ==
               NoReplaceRename::Result::TargetExists)
            ++number;
    }
    Q_EMIT PictureFileEvents::instance().pictureFileWritten(folderOfPath(pattern.path(number)));
    counter = number + 1;
    return pattern.name(number);
}

void ContinuousSave::writePartial(const QImage& picture, int saveType, const QString& partial,
                                  const QString& target, const PictureSaveOptions& options) const
{
    const QSignalBlocker quiet(&PictureFileEvents::instance());
    try {
        m_writer(picture, saveType, partial, options);
    } catch (const std::runtime_error& error) {
        // The user knows the file by its final name, not by the private one.
        throw std::runtime_error(
            QString::fromUtf8(error.what()).replace(partial, target).toStdString());
    }
}

} // namespace vistrel
