#include "settings/TextEncoding.h"

#include <QStringDecoder>

#include <iconv.h>

#include <cerrno>

namespace vistrel {

namespace {

// Converts a whole buffer with iconv; empty when a character cannot be converted.
std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray output(input.size() * 4 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        return std::nullopt;
    output.truncate(output.size() - static_cast<qsizetype>(outLeft));
    return output;
}

} // namespace

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

QString decodeShiftJis(const QByteArray& bytes)
{
    if (auto utf8 = convert("UTF-8", "CP932", bytes))
        return QString::fromUtf8(*utf8);
    // Undecodable bytes: decode byte by byte so that nothing is dropped silently.
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype length = 1;
        while (length <= 2 && i + length <= bytes.size()) {
            if (auto piece = convert("UTF-8", "CP932", bytes.mid(i, length))) {
                text += QString::fromUtf8(*piece);
                break;
            }
            ++length;
        }
        if (length > 2 || i + length > bytes.size()) {
            text += QChar(0xFFFD);
            length = 1;
        }
        i += length;
    }
    return text;
}

std::optional<QByteArray> encodeShiftJis(const QString& text)
{
    return convert("CP932", "UTF-8", text.toUtf8());
}

} // namespace vistrel
