#include "platform/SelectionKeeper.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vistrel {

namespace {

// A paste that stops reading for this long is given up, so one stuck reader cannot keep
// the clipboard from every other program.
constexpr int StalledWriteMs = 10000;

// Holds the clipboard through wlroots' data-control protocol, which KWin offers as well: it
// needs no window and no keyboard focus, so a process without a surface can own the
// selection until another program takes it.
class DataControlKeeper {
public:
    explicit DataControlKeeper(const std::vector<SelectionOffer>& offers) : m_offers(offers) {}
    ~DataControlKeeper();
    DataControlKeeper(const DataControlKeeper&) = delete;
    DataControlKeeper& operator=(const DataControlKeeper&) = delete;

    bool acquire(QString* reason);
    void serveUntilTaken();

    // Listeners of the protocol objects (plain C callbacks).
    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void onGlobalGone(void*, wl_registry*, uint32_t) {}
    static void onDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
    static void onSelection(void* data, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer);
    static void onFinished(void* data, zwlr_data_control_device_v1*);
    static void onPrimarySelection(void*, zwlr_data_control_device_v1*,
                                   zwlr_data_control_offer_v1* offer);
    static void onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType, int fd);
    static void onCancelled(void* data, zwlr_data_control_source_v1*);

private:
    const QByteArray& bytesFor(const QByteArray& mimeType);
    static void writeAll(int fd, const QByteArray& bytes);

    const std::vector<SelectionOffer>& m_offers;
    std::map<QByteArray, QByteArray> m_made; // each type is encoded once, when first asked
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_data_control_manager_v1* m_manager = nullptr;
    zwlr_data_control_device_v1* m_device = nullptr;
    zwlr_data_control_source_v1* m_source = nullptr;
    zwlr_data_control_offer_v1* m_lastOffer = nullptr;
    bool m_taken = false;
};

const wl_registry_listener RegistryListener{&DataControlKeeper::onGlobal,
                                            &DataControlKeeper::onGlobalGone};

DataControlKeeper::~DataControlKeeper()
{
    if (m_lastOffer)
        zwlr_data_control_offer_v1_destroy(m_lastOffer);
    if (m_source)
        zwlr_data_control_source_v1_destroy(m_source);
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    if (m_manager)
        zwlr_data_control_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void DataControlKeeper::onGlobal(void* data, wl_registry* registry, uint32_t name,
                                 const char* interface, uint32_t)
{
    auto* self = static_cast<DataControlKeeper*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat)
        self->m_seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        self->m_manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}

// Offers of other programs' clipboards are of no use here; only the latest is kept, to be
// released when the next one comes.
void DataControlKeeper::onSelection(void* data, zwlr_data_control_device_v1*,
                                    zwlr_data_control_offer_v1* offer)
{
    auto* self = static_cast<DataControlKeeper*>(data);
    if (self->m_lastOffer && self->m_lastOffer != offer)
        zwlr_data_control_offer_v1_destroy(self->m_lastOffer);
    self->m_lastOffer = offer;
}

void DataControlKeeper::onPrimarySelection(void*, zwlr_data_control_device_v1*,
                                           zwlr_data_control_offer_v1* offer)
{
    if (offer)
        zwlr_data_control_offer_v1_destroy(offer);
}

void DataControlKeeper::onFinished(void* data, zwlr_data_control_device_v1*)
{
    static_cast<DataControlKeeper*>(data)->m_taken = true; // the seat is gone
}

void DataControlKeeper::onSend(void* data, zwlr_data_control_source_v1*, const char* mimeType,
                               int fd)
{
    auto* self = static_cast<DataControlKeeper*>(data);
    writeAll(fd, self->bytesFor(QByteArray(mimeType)));
    ::close(fd);
}

void DataControlKeeper::onCancelled(void* data, zwlr_data_control_source_v1*)
{
    static_cast<DataControlKeeper*>(data)->m_taken = true;
}

const zwlr_data_control_device_v1_listener DeviceListener{
    &DataControlKeeper::onDataOffer, &DataControlKeeper::onSelection,
    &DataControlKeeper::onFinished, &DataControlKeeper::onPrimarySelection};
const zwlr_data_control_source_v1_listener SourceListener{&DataControlKeeper::onSend,
                                                          &DataControlKeeper::onCancelled};

const QByteArray& DataControlKeeper::bytesFor(const QByteArray& mimeType)
{
    if (const auto made = m_made.find(mimeType); made != m_made.end())
        return made->second;
    QByteArray bytes;
    for (const SelectionOffer& offer : m_offers)
        if (offer.mimeType == mimeType)
            bytes = offer.bytes();
    return m_made.emplace(mimeType, std::move(bytes)).first->second;
}

// The reader's end may be slow (a large picture is bigger than a pipe holds): written with
// waits, abandoned when it stops reading or closes.
void DataControlKeeper::writeAll(int fd, const QByteArray& bytes)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return;
        pollfd writable{fd, POLLOUT, 0};
        if (::poll(&writable, 1, StalledWriteMs) <= 0 || (writable.revents & POLLERR) != 0)
            return;
    }
}

bool DataControlKeeper::acquire(QString* reason)
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        *reason = QStringLiteral("Wayland のコンポジターに接続できません");
        return false;
    }
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &RegistryListener, this);
    if (wl_display_roundtrip(m_display) < 0 || !m_seat) {
        *reason = QStringLiteral("コンポジターに入力の席 (wl_seat) がありません");
        return false;
    }
    if (!m_manager) {
        *reason = QStringLiteral("このデスクトップは、ウィンドウのないプログラムがクリップボードを"
                                 "持つこと (data-control) を許していません");
        return false;
    }
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, m_seat);
    zwlr_data_control_device_v1_add_listener(m_device, &DeviceListener, this);
    m_source = zwlr_data_control_manager_v1_create_data_source(m_manager);
    zwlr_data_control_source_v1_add_listener(m_source, &SourceListener, this);
    for (const SelectionOffer& offer : m_offers)
        zwlr_data_control_source_v1_offer(m_source, offer.mimeType.constData());
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    // A refusal is a protocol error, which ends the connection before the round trip does.
    if (wl_display_roundtrip(m_display) < 0 || m_taken) {
        *reason = QStringLiteral("コンポジターがクリップボードを渡しませんでした");
        return false;
    }
    return true;
}

void DataControlKeeper::serveUntilTaken()
{
    while (!m_taken && wl_display_dispatch(m_display) >= 0) {
    }
}

} // namespace

void keepWaylandClipboardSelection(const std::vector<SelectionOffer>& offers,
                                   const std::function<void(KeeperState, const QString&)>& settled)
{
    DataControlKeeper keeper(offers);
    QString reason;
    if (!keeper.acquire(&reason)) {
        settled(KeeperState::Failed, reason);
        return;
    }
    settled(KeeperState::Serving, QString());
    keeper.serveUntilTaken();
}

} // namespace vistrel
