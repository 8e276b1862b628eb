#include "settings/TextEncoding.h"

#include <QStringDecoder>

#include <iconv.h>

#include <cerrno>
#include <cstring>

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
    // Opened once per thread: a settings file is decoded line by line.
    struct Converter {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        ~Converter()
        {
            if (cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(cd);
        }
    };
    thread_local const Converter converter;
    const iconv_t cd = converter.cd;
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // One pass with one converter: an undecodable byte becomes U+FFFD and the
    // decoding goes on after it, so nothing is dropped silently and a hostile
    // file costs no more than a clean one.
    QByteArray utf8(bytes.size() * 3 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* out = utf8.data();
    size_t outLeft = static_cast<size_t>(utf8.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 3)
            break; // cannot happen with three output bytes per input byte
        static constexpr char Replacement[] = "\xEF\xBF\xBD";
        std::memcpy(out, Replacement, 3);
        out += 3;
        outLeft -= 3;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    utf8.truncate(utf8.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(utf8);
}

std::optional<QByteArray> encodeShiftJis(const QString& text)
{
    return convert("CP932", "UTF-8", text.toUtf8());
}

} // namespace vistrel
