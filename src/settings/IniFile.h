#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vistrel {

// A profile file: sections and keys matched without regard to case, a read per
// key with a default, and everything the program does not know kept as it was.
// Read as UTF-8 or Shift-JIS (see detectEncoding); lines and values the program
// did not change are written back byte for byte.
class IniFile {
public:
    enum class Encoding { Utf8, ShiftJis };

    // Longest value a read returns; longer values come back cut.
    static constexpr int MaxValueLength = 2047;

    // Largest settings file read; anything bigger is refused, not parsed for seconds.
    static constexpr qsizetype MaxFileSize = 1024 * 1024;

    static IniFile fromBytes(const QByteArray& bytes);
    // A missing file gives an empty store. A file that exists but cannot be
    // read, is not a regular file or is too large throws std::runtime_error
    // with the user's message, so that the caller never replaces it.
    // `bytes`, when given, receives the file as read.
    static IniFile fromFile(const QString& path, QByteArray* bytes = nullptr);
    // UTF-8 when the file has no byte invalid in UTF-8, or when its valid
    // multi-byte sequences outnumber those bytes; Shift-JIS otherwise.
    static Encoding detectEncoding(const QByteArray& bytes);

    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // Decimal, or hexadecimal after "0x"; anything else gives the fallback.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    bool readBool(const QString& section, const QString& key, bool fallback) const;
    bool contains(const QString& section, const QString& key) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    Encoding encoding() const { return m_encoding; }
    QByteArray toBytes() const;

    // Replaces the file atomically (written beside it, then renamed over it).
    // Throws std::runtime_error "<path> に書き込めません" when that fails; the
    // old file is then left as it was.
    void saveAtomically(const QString& path) const;

    static int parseInteger(const QString& text, int fallback);

private:
    struct Line {
        QString key; // empty for comments, blank lines and the section header
        QString value;
        QString raw;      // the line as read, for lines that are not keys
        QByteArray bytes; // the line's bytes as read with its ending; empty once changed
    };
    struct Section {
        QString name; // empty for the lines before the first section
        QList<Line> lines;
        QByteArray headerBytes; // the header line as read (a byte-order mark for the first)
    };

    QString decode(const QByteArray& bytes) const;
    static QString lineText(const Line& line);

    const Line* findLine(const QString& section, const QString& key) const;
    Section& sectionFor(const QString& name);

    QList<Section> m_sections;
    Encoding m_encoding = Encoding::Utf8;
};

} // namespace vistrel
