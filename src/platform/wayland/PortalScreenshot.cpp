#include "platform/wayland/PortalScreenshot.h"

#include "platform/MonitorPictures.h"
#include "platform/wayland/WaylandDisplay.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <stdexcept>

namespace vistrel::wayland {

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ScreenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");

constexpr int PortalResponseCancelled = 1;
constexpr int QuietAnswerLimitMs = 30000;
constexpr int UserAnswerLimitMs = 300000;

[[noreturn]] void refuse(const char* text)
{
    throw std::runtime_error(text);
}

// The portal's picture is a file written for this request: read it and remove it, so no
// screenshot is left lying where the desktop put it.
QImage takePictureAt(const QString& uri)
{
    const QString path = QUrl(uri).toLocalFile();
    QImage picture(path);
    if (!path.isEmpty())
        QFile::remove(path);
    return picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace

bool PortalScreenshot::offered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << ScreenshotInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QImage PortalScreenshot::grab(const QRect& area, bool)
{
    const QImage desktop = request(false);
    if (desktop.isNull())
        refuse("デスクトップのポータルが画面の画像を渡しませんでした。");
    // The portal gives the whole layout at its highest scale: cut the area, then bring it
    // back to the scale of the outputs it lies on.
    QList<MonitorPicture> outputs;
    QRect bounds;
    for (const WaylandOutput& output : m_display.outputs()) {
        outputs << MonitorPicture{output.logical, QImage(output.physical, QImage::Format_Mono)};
        bounds = bounds.united(output.logical);
    }
    const qreal scale = bounds.width() > 0 ? qreal(desktop.width()) / bounds.width() : 1.0;
    const QRect wanted = area.translated(-bounds.topLeft());
    const QImage cut =
        desktop.copy(QRect(qRound(wanted.x() * scale), qRound(wanted.y() * scale),
                           qRound(wanted.width() * scale), qRound(wanted.height() * scale)));
    const qreal own = CompositionScale(area, outputs);
    if (own >= scale)
        return cut;
    return cut.scaled((QSizeF(area.size()) * own).toSize(), Qt::IgnoreAspectRatio,
                      Qt::FastTransformation);
}

QImage PortalScreenshot::grabChosenByUser()
{
    return request(true);
}

QImage PortalScreenshot::request(bool interactive)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        refuse("D-Bus のセッションバスに接続できないため、画面を取り込めません。");
    const QString token =
        QStringLiteral("vistrel%1").arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString handle =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    // Listen before asking: a quick portal answers before the call returns.
    m_answered = false;
    bus.connect(PortalService, handle, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, ScreenshotInterface, QStringLiteral("Screenshot"));
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), interactive},
                        {QStringLiteral("modal"), true}};
    call << QString() << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, QuietAnswerLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        bus.disconnect(PortalService, handle, QStringLiteral("org.freedesktop.portal.Request"),
                       QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
        refuse("デスクトップのポータル（org.freedesktop.portal.Screenshot）が使えません。"
               "xdg-desktop-portal とデスクトップに合うバックエンドを入れてください。");
    }

    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(interactive ? UserAnswerLimitMs : QuietAnswerLimitMs);
    while (!m_answered && limit.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    bus.disconnect(PortalService, handle, QStringLiteral("org.freedesktop.portal.Request"),
                   QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));

    if (!m_answered)
        refuse("デスクトップのポータルが時間内に答えませんでした。");
    if (m_response == PortalResponseCancelled && interactive)
        return QImage();
    if (m_response != 0)
        refuse("デスクトップがスクリーンショットを許可しませんでした。GNOME では「設定」の"
               "「プライバシー」→「スクリーンショット」（または「アプリ」）で Vistrel "
               "に許可を与えてから、もう一度キャプチャしてください。");
    return takePictureAt(m_results.value(QStringLiteral("uri")).toString());
}

void PortalScreenshot::onResponse(uint response, const QVariantMap& results)
{
    m_answered = true;
    m_response = response;
    m_results = results;
}

} // namespace vistrel::wayland
