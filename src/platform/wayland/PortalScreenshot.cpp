#include "platform/wayland/PortalScreenshot.h"

#include "platform/MonitorPictures.h"
#include "platform/wayland/DesktopPortal.h"
#include "platform/wayland/WaylandDisplay.h"

#include <QDBusConnection>
#include <QFile>
#include <QUrl>

#include <stdexcept>

namespace vistrel::wayland {

namespace {

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
    return portal::Property(ScreenshotInterface, QStringLiteral("version"), 10000).isValid();
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
    if (!QDBusConnection::sessionBus().isConnected())
        refuse("D-Bus のセッションバスに接続できないため、画面を取り込めません。");
    const portal::Answer answer =
        portal::Ask(ScreenshotInterface, QStringLiteral("Screenshot"), {QString()},
                    {{QStringLiteral("interactive"), interactive}, {QStringLiteral("modal"), true}},
                    QuietAnswerLimitMs, interactive ? UserAnswerLimitMs : QuietAnswerLimitMs);
    if (!answer.called)
        refuse("デスクトップのポータル（org.freedesktop.portal.Screenshot）が使えません。"
               "xdg-desktop-portal とデスクトップに合うバックエンドを入れてください。");
    if (!answer.answered)
        refuse("デスクトップのポータルが時間内に答えませんでした。");
    if (answer.response == PortalResponseCancelled && interactive)
        return QImage();
    if (answer.response != 0)
        refuse("デスクトップがスクリーンショットを許可しませんでした。GNOME では「設定」の"
               "「プライバシー」→「スクリーンショット」（または「アプリ」）で Vistrel "
               "に許可を与えてから、もう一度キャプチャしてください。");
    return takePictureAt(answer.results.value(QStringLiteral("uri")).toString());
}

} // namespace vistrel::wayland
