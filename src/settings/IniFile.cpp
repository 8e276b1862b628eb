#include "settings/IniFile.h"

#include "settings/TextEncoding.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The profile-file reading of a value: surrounding blanks go, and one pair of
// matching quotes around the whole value is taken off.
QString unquote(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

// A value that reading would change (blanks at either end, or quotes around
// it) is written inside quotes, so that it reads back exactly as it was.
QString quotedIfNeeded(const QString& value)
{
    return unquote(value) == value ? value : u'"' + value + u'"';
}

// A value never spans lines in the file.
QString singleLine(const QString& value)
{
    QString cleaned = value;
    cleaned.replace(u'\r', u' ');
    cleaned.replace(u'\n', u' ');
    return cleaned;
}

// Writes `bytes` beside `path` under a temporary name, then renames it over
// `path`. Written by hand: QSaveFile reports a write that a full disk cut
// short as a success and then commits the truncated file.
bool replaceFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    const QByteArray target =
        QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath());
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat old = {};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode =
        ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask);
    bool ok = ::fchmod(fd, mode) == 0;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t written =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        ok = written > 0;
        done += ok ? written : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

} // namespace

IniFile IniFile::fromBytes(const QByteArray& bytes)
{
    IniFile ini;
    QString text;
    if (isValidUtf8(bytes)) {
        text = QString::fromUtf8(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
    } else {
        text = decodeShiftJis(bytes);
        ini.m_encoding = Encoding::ShiftJis;
    }

    ini.m_sections.append(Section{});
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // the newline that ends the last line
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(u'[')) {
            const int close = trimmed.indexOf(u']');
            if (close > 0) {
                ini.m_sections.append(Section{trimmed.mid(1, close - 1).trimmed(), {}});
                continue;
            }
        }
        const int equals = raw.indexOf(u'=');
        if (equals > 0 && !trimmed.startsWith(u';') && !raw.left(equals).trimmed().isEmpty())
            ini.m_sections.back().lines.append(
                Line{raw.left(equals).trimmed(), unquote(raw.mid(equals + 1)), raw});
        else
            ini.m_sections.back().lines.append(Line{{}, {}, raw});
    }
    return ini;
}

IniFile IniFile::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fromBytes({});
    return fromBytes(file.readAll());
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    for (const Section& s : m_sections) {
        if (s.name.isEmpty() || !sameName(s.name, section))
            continue;
        for (const Line& line : s.lines)
            if (!line.key.isEmpty() && sameName(line.key, key))
                return &line;
    }
    return nullptr;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return findLine(section, key) != nullptr;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& fallback) const
{
    const Line* line = findLine(section, key);
    return (line ? line->value : fallback).left(MaxValueLength);
}

int IniFile::parseInteger(const QString& text, int fallback)
{
    bool ok = false;
    if (text.size() > 2 &&
        (text.startsWith(QStringLiteral("0x")) || text.startsWith(QStringLiteral("0X")))) {
        // Eight hex digits cover the whole 32-bit range, read as a signed value.
        const uint value = text.mid(2).toUInt(&ok, 16);
        return ok ? static_cast<int>(value) : fallback;
    }
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const
{
    const Line* line = findLine(section, key);
    return line ? parseInteger(line->value.left(MaxValueLength), fallback) : fallback;
}

bool IniFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

IniFile::Section& IniFile::sectionFor(const QString& name)
{
    for (Section& s : m_sections)
        if (!s.name.isEmpty() && sameName(s.name, name))
            return s;
    if (m_sections.isEmpty())
        m_sections.append(Section{});
    m_sections.append(Section{name, {}});
    return m_sections.back();
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& s = sectionFor(section);
    const QString clean = singleLine(value);
    for (Line& line : s.lines) {
        if (!line.key.isEmpty() && sameName(line.key, key)) {
            line.value = clean;
            line.raw.clear();
            return;
        }
    }
    // New keys go after the section's last key, before trailing blank lines.
    qsizetype at = s.lines.size();
    while (at > 0 && s.lines[at - 1].key.isEmpty() && s.lines[at - 1].raw.trimmed().isEmpty())
        --at;
    s.lines.insert(at, Line{key, clean, {}});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray IniFile::toBytes() const
{
    QString text;
    for (const Section& s : m_sections) {
        if (!s.name.isEmpty())
            text += u'[' + s.name + QStringLiteral("]\r\n");
        for (const Line& line : s.lines) {
            if (line.key.isEmpty() || !line.raw.isEmpty())
                text += line.raw;
            else
                text += line.key + u'=' + quotedIfNeeded(line.value);
            text += QStringLiteral("\r\n");
        }
    }
    if (m_encoding == Encoding::ShiftJis) {
        // A text Shift-JIS cannot hold is written in UTF-8 rather than lost.
        if (auto encoded = encodeShiftJis(text))
            return *encoded;
    }
    return text.toUtf8();
}

void IniFile::saveAtomically(const QString& path) const
{
    const QFileInfo info(path);
    if ((info.exists() && !info.isWritable()) || !replaceFile(path, toBytes()))
        throw std::runtime_error(QStringLiteral("%1 に書き込めません").arg(path).toStdString());
}

} // namespace vistrel
