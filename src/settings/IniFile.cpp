#include "settings/IniFile.h"

#include "settings/TextEncoding.h"

#include "platform/FileWriting.h"

#include <optional>

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

} // namespace

namespace {

// Length of the well-formed UTF-8 sequence at `i` (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when the byte there starts none.
int utf8SequenceLength(const QByteArray& bytes, qsizetype i)
{
    const auto byte = [&](qsizetype at) { return static_cast<unsigned char>(bytes[at]); };
    const unsigned char lead = byte(i);
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

} // namespace

IniFile::Encoding IniFile::detectEncoding(const QByteArray& bytes)
{
    // A stray byte in a UTF-8 file must not turn every Japanese text into
    // mojibake: the file is UTF-8 when its valid multi-byte sequences outnumber
    // its bad bytes (Shift-JIS text seldom forms valid UTF-8).
    qsizetype sequences = 0;
    qsizetype invalid = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const int length = utf8SequenceLength(bytes, i);
        if (length > 0) {
            ++sequences;
            i += length;
        } else {
            ++invalid;
            ++i;
        }
    }
    return invalid == 0 || sequences > invalid ? Encoding::Utf8 : Encoding::ShiftJis;
}

QString IniFile::decode(const QByteArray& bytes) const
{
    return m_encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : decodeShiftJis(bytes);
}

IniFile IniFile::fromBytes(const QByteArray& bytes)
{
    IniFile ini;
    ini.m_encoding = detectEncoding(bytes);
    ini.m_sections.append(Section{});
    qsizetype at = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (at > 0)
        ini.m_sections.back().headerBytes = bytes.left(3); // kept ahead of the first line
    while (at < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', at);
        const qsizetype next = newline < 0 ? bytes.size() : newline + 1;
        // Each line keeps its own bytes, so that what the program does not
        // change is written back exactly as it was, whatever its encoding.
        const QByteArray lineBytes = bytes.mid(at, next - at);
        at = next;
        QByteArray content = lineBytes;
        while (content.endsWith('\n') || content.endsWith('\r'))
            content.chop(1);
        const QString raw = ini.decode(content);
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(u'[')) {
            const int close = trimmed.indexOf(u']');
            if (close > 0) {
                ini.m_sections.append(Section{trimmed.mid(1, close - 1).trimmed(), {}, lineBytes});
                continue;
            }
        }
        const int equals = raw.indexOf(u'=');
        if (equals > 0 && !trimmed.startsWith(u';') && !raw.left(equals).trimmed().isEmpty())
            ini.m_sections.back().lines.append(
                Line{raw.left(equals).trimmed(), unquote(raw.mid(equals + 1)), raw, lineBytes});
        else
            ini.m_sections.back().lines.append(Line{{}, {}, raw, lineBytes});
    }
    return ini;
}

IniFile IniFile::fromFile(const QString& path, QByteArray* bytes)
{
    QByteArray read;
    bool missing = false;
    readRegularFile(path, MaxFileSize, read, missing);
    IniFile ini = fromBytes(read);
    if (bytes != nullptr)
        *bytes = std::move(read);
    return ini;
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
    m_sections.append(Section{name, {}, {}});
    return m_sections.back();
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const QString clean = singleLine(value);
    // The line a read finds is the line a write changes, also when a section
    // appears twice in a hand-edited file.
    if (const Line* found = findLine(section, key)) {
        if (found->value == value || found->value == clean)
            return; // an unchanged value keeps its line as it was
        Line& line = const_cast<Line&>(*found);
        line.value = clean;
        line.raw.clear();
        line.bytes.clear();
        return;
    }
    // New keys go after the section's last key, before trailing blank lines.
    Section& s = sectionFor(section);
    qsizetype at = s.lines.size();
    while (at > 0 && s.lines[at - 1].key.isEmpty() && s.lines[at - 1].raw.trimmed().isEmpty())
        --at;
    s.lines.insert(at, Line{key, clean, {}, {}});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString IniFile::lineText(const Line& line)
{
    if (line.key.isEmpty() || !line.raw.isEmpty())
        return line.raw;
    return line.key + u'=' + quotedIfNeeded(line.value);
}

QByteArray IniFile::toBytes() const
{
    // A text Shift-JIS cannot hold turns the file into UTF-8 rather than being lost.
    Encoding encoding = m_encoding;
    const auto encode = [&](const QString& text) -> std::optional<QByteArray> {
        if (encoding == Encoding::Utf8)
            return text.toUtf8();
        return encodeShiftJis(text);
    };
    const auto keptBytes = [&](const QByteArray& bytes) {
        return encoding == m_encoding && !bytes.isEmpty();
    };
    for (;;) {
        QByteArray out;
        bool fits = true;
        // A last line without its newline stays so, unless something follows it.
        bool lineOpen = false;
        const auto add = [&](const QByteArray& bytes) {
            if (lineOpen)
                out += "\r\n";
            out += bytes;
            lineOpen = !bytes.isEmpty() && !bytes.endsWith('\n');
        };
        const auto append = [&](const QByteArray& original, const QString& text) {
            if (keptBytes(original))
                add(original);
            else if (auto encoded = encode(text + QStringLiteral("\r\n")))
                add(*encoded);
            else
                fits = false;
        };
        for (const Section& s : m_sections) {
            if (!s.name.isEmpty())
                append(s.headerBytes, u'[' + s.name + u']');
            else if (keptBytes(s.headerBytes))
                out += s.headerBytes;
            for (const Line& line : s.lines)
                append(line.bytes, lineText(line));
        }
        if (fits)
            return out;
        encoding = Encoding::Utf8;
    }
}

void IniFile::saveAtomically(const QString& path) const
{
    writeFileAtomically(path, toBytes());
}

} // namespace vistrel
