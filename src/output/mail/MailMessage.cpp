#include "output/mail/MailMessage.h"

#include <gmime/gmime.h>

#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <memory>
#include <mutex>

namespace vistrel {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, ObjectUnref>;

void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

GObjectPtr<GMimeObject> textPart()
{
    GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
    g_mime_text_part_set_text(text, "");
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(text));
}

GObjectPtr<GMimeObject> attachmentPart(const MailMessageParts& parts)
{
    const QByteArray type =
        parts.mediaType.isEmpty() ? "application/octet-stream" : parts.mediaType;
    const qsizetype slash = type.indexOf('/');
    GMimePart* part =
        g_mime_part_new_with_type(type.left(slash).constData(), type.mid(slash + 1).constData());
    g_mime_part_set_filename(part, parts.attachmentName.toUtf8().constData());
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(
        parts.attachment.constData(), static_cast<size_t>(parts.attachment.size())));
    GObjectPtr<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, content.get());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(part));
}

// A plain address as transfer agents take it on their command line: one "@" between a local
// part and a domain, with no spaces, quotes, brackets, commas or semicolons that a header or
// an argument parser could split.
bool isPlainAddress(const QString& address)
{
    static const QRegularExpression plain(
        QStringLiteral(R"(^[^\s@,;:<>()\[\]"\\]+@[^\s@,;:<>()\[\]"\\]+$)"));
    return !address.startsWith(u'-') && plain.match(address).hasMatch() &&
           !HasControlCharacter(address);
}

// The mailboxes of `text`, or null when it is empty or anything in it is not a mailbox with
// a plain address.
GObjectPtr<InternetAddressList> parseMailboxes(const QString& text)
{
    if (text.trimmed().isEmpty() || HasControlCharacter(text))
        return nullptr;
    initialiseOnce();
    GObjectPtr<InternetAddressList> parsed(
        internet_address_list_parse(nullptr, text.toUtf8().constData()));
    if (!parsed || internet_address_list_length(parsed.get()) == 0)
        return nullptr;
    // Every comma outside quotes separates two mailboxes; one that vanished was not one.
    const QString unquoted = QString(text).remove(QRegularExpression(QStringLiteral("\"[^\"]*\"")));
    if (internet_address_list_length(parsed.get()) != unquoted.count(u',') + 1)
        return nullptr;
    for (int i = 0; i < internet_address_list_length(parsed.get()); ++i) {
        InternetAddress* address = internet_address_list_get_address(parsed.get(), i);
        if (!INTERNET_ADDRESS_IS_MAILBOX(address))
            return nullptr;
        const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
        if (addr == nullptr || !isPlainAddress(QString::fromUtf8(addr)))
            return nullptr;
    }
    return parsed;
}

void addAddresses(GMimeMessage* message, GMimeAddressType type, const QString& text)
{
    if (const GObjectPtr<InternetAddressList> parsed = parseMailboxes(text))
        internet_address_list_append(g_mime_message_get_addresses(message, type), parsed.get());
}

} // namespace

QByteArray BuildMailMessage(const MailMessageParts& parts)
{
    initialiseOnce();
    GObjectPtr<GMimeMessage> message(g_mime_message_new(TRUE));
    addAddresses(message.get(), GMIME_ADDRESS_TYPE_FROM, parts.from);
    addAddresses(message.get(), GMIME_ADDRESS_TYPE_TO, parts.to);
    g_mime_message_set_subject(message.get(), parts.subject.toUtf8().constData(), "UTF-8");
    GDateTime* now = g_date_time_new_now_local();
    g_mime_message_set_date(message.get(), now);
    g_date_time_unref(now);
    char* id = g_mime_utils_generate_message_id(QSysInfo::machineHostName().toUtf8().constData());
    g_mime_message_set_message_id(message.get(), id);
    g_free(id);

    GObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), textPart().get());
    g_mime_multipart_add(mixed.get(), attachmentPart(parts).get());
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));

    char* text = g_mime_object_to_string(GMIME_OBJECT(message.get()), nullptr);
    QByteArray result(text);
    g_free(text);
    return result;
}

std::optional<QStringList> MailboxAddresses(const QString& text)
{
    const GObjectPtr<InternetAddressList> parsed = parseMailboxes(text);
    if (!parsed)
        return std::nullopt;
    QStringList addresses;
    for (int i = 0; i < internet_address_list_length(parsed.get()); ++i)
        addresses << QString::fromUtf8(internet_address_mailbox_get_addr(
            INTERNET_ADDRESS_MAILBOX(internet_address_list_get_address(parsed.get(), i))));
    return addresses;
}

QString SenderAddress(const QString& text)
{
    const std::optional<QStringList> addresses = MailboxAddresses(text);
    return addresses && addresses->size() == 1 ? addresses->front() : QString();
}

bool HasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029;
    });
}

QByteArray PictureMediaType(const QString& extension)
{
    const QString ext = extension.toLower();
    if (ext == u"jpg" || ext == u"jpeg")
        return "image/jpeg";
    if (ext == u"png")
        return "image/png";
    if (ext == u"gif")
        return "image/gif";
    return "image/bmp";
}

} // namespace vistrel
