#include "platform/wayland/KWinScreenShot.h"

#include "platform/wayland/DescriptorReading.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace vistrel::wayland {

namespace {

const QString KWinService = QStringLiteral("org.kde.KWin.ScreenShot2");
const QString KWinPath = QStringLiteral("/org/kde/KWin/ScreenShot2");
constexpr int AnswerLimitMs = 10000;

[[noreturn]] void refuseWith(const QDBusMessage& reply)
{
    if (reply.errorName().endsWith(QStringLiteral("NoAuthorized")))
        throw std::runtime_error(
            "KWin が画面の読み取りを許可しませんでした。Vistrel をパッケージからインストールし"
            "（デスクトップファイルが許可を与えます）、メニューから起動してください。");
    throw std::runtime_error(
        ("KWin が画面の画像を渡しませんでした（" + reply.errorMessage().toStdString() + "）。"));
}

// Every copy of the pipe's writing end must be gone once the call returns, or reading
// would wait for an end that never closes.
QDBusMessage callWithPipe(const QString& method, QVariantList arguments, const QVariantMap& options,
                          int writeEnd)
{
    QDBusMessage call = QDBusMessage::createMethodCall(KWinService, KWinPath, KWinService, method);
    arguments << options << QVariant::fromValue(QDBusUnixFileDescriptor(writeEnd));
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, AnswerLimitMs);
}

} // namespace

QRect OpaqueBounds(const QImage& picture)
{
    if (!picture.hasAlphaChannel())
        return picture.rect();
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QRect bounds;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        int left = 0;
        while (left < argb.width() && qAlpha(line[left]) != 255)
            ++left;
        if (left == argb.width())
            continue;
        int right = argb.width() - 1;
        while (qAlpha(line[right]) != 255)
            --right;
        bounds = bounds.united(QRect(left, y, right - left + 1, 1));
    }
    return bounds;
}

QRect FrameInPicture(const QImage& shadowed, QSize frameSize)
{
    const QRect opaque = OpaqueBounds(shadowed);
    if (!frameSize.isValid() || opaque.isEmpty())
        return opaque;
    return QRect(opaque.topLeft(), frameSize).intersected(shadowed.rect());
}

bool KWinScreenShot::offered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(KWinService);
}

QImage KWinScreenShot::grab(const QRect& area, bool withPointer)
{
    const QVariantMap options{{QStringLiteral("include-cursor"), withPointer},
                              {QStringLiteral("native-resolution"), true}};
    return capture(QStringLiteral("CaptureArea"),
                   {area.x(), area.y(), uint(area.width()), uint(area.height())}, options);
}

QImage KWinScreenShot::grabActiveWindow(bool clientArea, bool withPointer, QSize frameSize)
{
    const QVariantMap options{{QStringLiteral("include-cursor"), withPointer},
                              {QStringLiteral("include-decoration"), !clientArea},
                              {QStringLiteral("native-resolution"), true}};
    const QImage shadowed = captureAsSent(QStringLiteral("CaptureActiveWindow"), {}, options);
    const QImage frame = clientArea ? shadowed : shadowed.copy(FrameInPicture(shadowed, frameSize));
    return frame.convertToFormat(QImage::Format_RGB32);
}

QImage KWinScreenShot::grabWindow(const QByteArray& uuid, bool clientArea)
{
    const QVariantMap options{{QStringLiteral("include-cursor"), false},
                              {QStringLiteral("include-decoration"), !clientArea},
                              {QStringLiteral("native-resolution"), true}};
    return captureAsSent(QStringLiteral("CaptureWindow"), {QString::fromLatin1(uuid)}, options);
}

QImage KWinScreenShot::capture(const QString& method, const QVariantList& leadingArguments,
                               const QVariantMap& options)
{
    return captureAsSent(method, leadingArguments, options).convertToFormat(QImage::Format_RGB32);
}

QImage KWinScreenShot::captureAsSent(const QString& method, const QVariantList& leadingArguments,
                                     const QVariantMap& options)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("KWin から画像を受け取るパイプを作れません。");
    const QDBusMessage reply = callWithPipe(method, leadingArguments, options, pipeEnds[1]);
    close(pipeEnds[1]);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        close(pipeEnds[0]);
        refuseWith(reply);
    }
    const auto results = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    const int width = results.value(QStringLiteral("width")).toInt();
    const int height = results.value(QStringLiteral("height")).toInt();
    const int stride = results.value(QStringLiteral("stride")).toInt();
    const auto format = QImage::Format(results.value(QStringLiteral("format")).toInt());
    // KWin writes the picture and closes its end.
    const QByteArray data = ReadWithLimit(pipeEnds[0], -1, AnswerLimitMs);
    close(pipeEnds[0]);
    if (width <= 0 || height <= 0 || data.size() < qsizetype(stride) * height)
        throw std::runtime_error("KWin から受け取った画像が不完全です。");
    const QImage view(reinterpret_cast<const uchar*>(data.constData()), width, height, stride,
                      format);
    return view.copy();
}

} // namespace vistrel::wayland
