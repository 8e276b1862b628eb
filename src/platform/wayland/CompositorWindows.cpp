#include "platform/wayland/CompositorWindows.h"

#include "platform/wayland/DescriptorReading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vistrel::wayland {

namespace {

constexpr int AnswerLimitMs = 3000;

// A connected Unix socket that closes itself.
class UnixSocket {
public:
    explicit UnixSocket(const QByteArray& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0 &&
            ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~UnixSocket()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    UnixSocket(const UnixSocket&) = delete;
    UnixSocket& operator=(const UnixSocket&) = delete;

    bool send(const QByteArray& data) const
    {
        qsizetype sent = 0;
        while (m_fd >= 0 && sent < data.size()) {
            const ssize_t done =
                ::send(m_fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
            if (done < 0 && errno == EINTR)
                continue;
            if (done <= 0)
                return false;
            sent += done;
        }
        return m_fd >= 0;
    }

    // `count` bytes, or up to the end when `count` is negative: what came in time.
    QByteArray receive(qsizetype count) const { return ReadWithLimit(m_fd, count, AnswerLimitMs); }

    // Whether something came that can be read without waiting.
    bool readable() const
    {
        pollfd watched{m_fd, POLLIN, 0};
        return m_fd >= 0 && poll(&watched, 1, 0) > 0;
    }

private:
    int m_fd = -1;
};

QRect rectOf(const QJsonObject& rect)
{
    return QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                 rect.value(QStringLiteral("width")).toInt(),
                 rect.value(QStringLiteral("height")).toInt());
}

// The focus list of a sway node orders its children, most recently focused first.
QList<QJsonObject> inFocusOrder(const QJsonObject& node, const QString& key)
{
    QList<QJsonObject> children;
    for (const QJsonValue& child : node.value(key).toArray())
        children << child.toObject();
    const QJsonArray focus = node.value(QStringLiteral("focus")).toArray();
    const auto rank = [&focus](const QJsonObject& child) {
        const auto id = child.value(QStringLiteral("id")).toInteger();
        for (qsizetype i = 0; i < focus.size(); ++i)
            if (focus.at(i).toInteger() == id)
                return i;
        return focus.size();
    };
    std::stable_sort(
        children.begin(), children.end(),
        [&rank](const QJsonObject& a, const QJsonObject& b) { return rank(a) < rank(b); });
    return children;
}

void collectSway(const QJsonObject& node, QList<CompositorWindow>& floating,
                 QList<CompositorWindow>& tiled, bool inFloating)
{
    if (node.contains(QStringLiteral("pid"))) {
        if (!node.value(QStringLiteral("visible")).toBool(true))
            return;
        CompositorWindow window;
        window.id = quint64(node.value(QStringLiteral("id")).toInteger());
        window.outer = rectOf(node.value(QStringLiteral("rect")).toObject());
        window.client = rectOf(node.value(QStringLiteral("window_rect")).toObject())
                            .translated(window.outer.topLeft());
        // The title bar sway draws lies above the container's rectangle.
        const QRect deco = rectOf(node.value(QStringLiteral("deco_rect")).toObject());
        if (deco.height() > 0)
            window.outer.setTop(window.outer.top() - deco.height());
        window.title = node.value(QStringLiteral("name")).toString();
        window.pid = node.value(QStringLiteral("pid")).toInteger();
        window.focused = node.value(QStringLiteral("focused")).toBool();
        (inFloating ? floating : tiled) << window;
    }
    for (const QJsonObject& child : inFocusOrder(node, QStringLiteral("floating_nodes")))
        collectSway(child, floating, tiled, true);
    for (const QJsonObject& child : inFocusOrder(node, QStringLiteral("nodes")))
        collectSway(child, floating, tiled, inFloating);
}

// One message of sway's IPC each way on a connected socket: the answer's type and JSON.
struct SwayMessage {
    quint32 type = 0;
    QByteArray json;
};

bool sendSway(const UnixSocket& socket, quint32 type, const QByteArray& payload)
{
    QByteArray message("i3-ipc");
    quint32 header[2] = {quint32(payload.size()), type}; // the host's byte order
    message.append(reinterpret_cast<const char*>(header), sizeof header);
    message.append(payload);
    return socket.send(message);
}

std::optional<SwayMessage> receiveSway(const UnixSocket& socket)
{
    const QByteArray head = socket.receive(14);
    if (head.size() != 14 || !head.startsWith("i3-ipc"))
        return std::nullopt;
    quint32 header[2] = {};
    std::memcpy(header, head.constData() + 6, sizeof header);
    SwayMessage message{header[1], socket.receive(qsizetype(header[0]))};
    if (message.json.size() != qsizetype(header[0]))
        return std::nullopt;
    return message;
}

constexpr quint32 SwayRunCommand = 0;
constexpr quint32 SwaySubscribe = 2;
constexpr quint32 SwayGetTree = 4;

QByteArray askSway(const QByteArray& socketPath, quint32 type, const QByteArray& payload)
{
    const UnixSocket socket(socketPath);
    if (!sendSway(socket, type, payload))
        return {};
    const std::optional<SwayMessage> answer = receiveSway(socket);
    return answer ? answer->json : QByteArray();
}

// Escape bound in sway to a command that does nothing, watched through the binding events:
// sway keeps the key from every program meanwhile, as a keyboard grab would.
class SwayEscapeBinding final : public EscapeBinding {
public:
    static constexpr const char* Command = "nop vistrel-escape";

    SwayEscapeBinding(QByteArray socketPath, UnixSocket* events)
        : m_socketPath(std::move(socketPath)), m_events(events)
    {}
    ~SwayEscapeBinding() override { askSway(m_socketPath, SwayRunCommand, "unbindsym Escape"); }
    SwayEscapeBinding(const SwayEscapeBinding&) = delete;
    SwayEscapeBinding& operator=(const SwayEscapeBinding&) = delete;

    bool pressed() override
    {
        while (!m_pressed && m_events->readable()) {
            const std::optional<SwayMessage> event = receiveSway(*m_events);
            if (!event)
                break;
            m_pressed = SwayBindingRan(event->type, event->json, Command);
        }
        return m_pressed;
    }

private:
    QByteArray m_socketPath;
    std::unique_ptr<UnixSocket> m_events;
    bool m_pressed = false;
};

class SwayWindows final : public CompositorWindows {
public:
    explicit SwayWindows(QByteArray socketPath) : m_socketPath(std::move(socketPath)) {}
    const char* name() const override { return "sway IPC"; }

    QList<CompositorWindow> windows() override
    {
        return SwayWindowsFromTree(askSway(m_socketPath, SwayGetTree, {}));
    }

    void focus(quint64 id) override
    {
        askSway(m_socketPath, SwayRunCommand, "[con_id=" + QByteArray::number(id) + "] focus");
    }

    std::unique_ptr<EscapeBinding> bindEscape() override
    {
        auto events = std::make_unique<UnixSocket>(m_socketPath);
        if (!sendSway(*events, SwaySubscribe, R"(["binding"])"))
            return nullptr;
        const std::optional<SwayMessage> subscribed = receiveSway(*events);
        if (!subscribed || !QJsonDocument::fromJson(subscribed->json)
                                .object()
                                .value(QStringLiteral("success"))
                                .toBool())
            return nullptr;
        const QByteArray bound =
            askSway(m_socketPath, SwayRunCommand,
                    QByteArray("bindsym --no-warn Escape ") + SwayEscapeBinding::Command);
        const QJsonArray results = QJsonDocument::fromJson(bound).array();
        if (results.isEmpty() ||
            !results.first().toObject().value(QStringLiteral("success")).toBool())
            return nullptr;
        return std::make_unique<SwayEscapeBinding>(m_socketPath, events.release());
    }

private:
    QByteArray m_socketPath;
};

class HyprlandWindows final : public CompositorWindows {
public:
    explicit HyprlandWindows(QByteArray socketPath) : m_socketPath(std::move(socketPath)) {}
    const char* name() const override { return "Hyprland IPC"; }

    QList<CompositorWindow> windows() override
    {
        return HyprlandWindowsFromClients(ask("j/clients"));
    }

    void focus(quint64 id) override
    {
        ask("dispatch focuswindow address:0x" + QByteArray::number(id, 16));
    }

private:
    QByteArray ask(const QByteArray& command) const
    {
        const UnixSocket socket(m_socketPath);
        return socket.send(command) ? socket.receive(-1) : QByteArray();
    }

    QByteArray m_socketPath;
};

QByteArray hyprlandSocket()
{
    const QByteArray signature = qgetenv("HYPRLAND_INSTANCE_SIGNATURE");
    if (signature.isEmpty())
        return {};
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    for (const QByteArray& base : {runtime + "/hypr/", QByteArray("/tmp/hypr/")}) {
        const QByteArray path = base + signature + "/.socket.sock";
        if (access(path.constData(), F_OK) == 0)
            return path;
    }
    return {};
}

} // namespace

QList<CompositorWindow> SwayWindowsFromTree(const QByteArray& json)
{
    QList<CompositorWindow> floating;
    QList<CompositorWindow> tiled;
    collectSway(QJsonDocument::fromJson(json).object(), floating, tiled, false);
    return floating + tiled;
}

bool SwayBindingRan(quint32 type, const QByteArray& json, const QByteArray& command)
{
    // Events carry the high bit; the binding event is number 5.
    constexpr quint32 BindingEvent = 0x80000005;
    if (type != BindingEvent)
        return false;
    const QJsonObject event = QJsonDocument::fromJson(json).object();
    const QJsonObject binding = event.value(QStringLiteral("binding")).toObject();
    return event.value(QStringLiteral("change")).toString() == QStringLiteral("run") &&
           binding.value(QStringLiteral("command")).toString().toUtf8() == command;
}

QList<CompositorWindow> HyprlandWindowsFromClients(const QByteArray& json)
{
    QList<std::pair<int, CompositorWindow>> ranked;
    for (const QJsonValue& value : QJsonDocument::fromJson(json).array()) {
        const QJsonObject client = value.toObject();
        if (!client.value(QStringLiteral("mapped")).toBool() ||
            client.value(QStringLiteral("hidden")).toBool())
            continue;
        const QJsonArray at = client.value(QStringLiteral("at")).toArray();
        const QJsonArray size = client.value(QStringLiteral("size")).toArray();
        CompositorWindow window;
        window.id = client.value(QStringLiteral("address")).toString().toULongLong(nullptr, 16);
        window.outer =
            QRect(at.at(0).toInt(), at.at(1).toInt(), size.at(0).toInt(), size.at(1).toInt());
        window.client = window.outer;
        window.title = client.value(QStringLiteral("title")).toString();
        window.pid = client.value(QStringLiteral("pid")).toInteger();
        const int history = client.value(QStringLiteral("focusHistoryID")).toInt();
        window.focused = history == 0;
        ranked.append({history, window});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<CompositorWindow> windows;
    for (const auto& entry : ranked)
        windows << entry.second;
    return windows;
}

std::unique_ptr<CompositorWindows> ProbeCompositorWindows(WaylandDisplay& display)
{
    const QByteArray sway = qgetenv("SWAYSOCK");
    if (!sway.isEmpty())
        return std::make_unique<SwayWindows>(sway);
    const QByteArray hyprland = hyprlandSocket();
    if (!hyprland.isEmpty())
        return std::make_unique<HyprlandWindows>(hyprland);
    return ProbeKWinWindows(display);
}

} // namespace vistrel::wayland
