#include "platform/SelectionKeeper.h"
#include "platform/x11/X11Reply.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <list>

#include <poll.h>

namespace vistrel {

namespace {

using Clock = std::chrono::steady_clock;
using x11::Reply;

// How long a clipboard manager may take to save a copy before the keeper serves it itself.
constexpr auto ManagerWait = std::chrono::seconds(5);
// A reader that stops fetching an incremental transfer for this long is given up.
constexpr auto StalledTransfer = std::chrono::seconds(15);
// Larger values go in pieces (INCR), so that no request exceeds what the server takes.
constexpr uint32_t LargestPiece = 1u << 20;

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    const auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// One reader fetching a large value piece by piece.
struct Transfer {
    xcb_window_t requestor = 0;
    xcb_atom_t property = 0;
    xcb_atom_t type = 0;
    QByteArray data;
    qsizetype sent = 0;
    Clock::time_point lastProgress;
};

struct Offer {
    xcb_atom_t atom = XCB_ATOM_NONE;
    const SelectionOffer* source = nullptr;
    QByteArray bytes;
    bool made = false;
};

class Keeper {
public:
    explicit Keeper(const std::vector<SelectionOffer>& offers) : m_sources(offers) {}
    ~Keeper()
    {
        if (!m_connection)
            return;
        // Answers given just before the clipboard was taken must still reach their readers.
        xcb_flush(m_connection);
        xcb_disconnect(m_connection);
    }
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;

    bool acquire(QString* reason);
    KeeperState handToManager();
    void serveUntilTaken();

private:
    void internAtoms();
    bool createWindow();
    xcb_timestamp_t serverTime();
    Reply<xcb_generic_event_t> nextEvent(Clock::time_point deadline);
    void handle(const xcb_generic_event_t& event);
    void answer(const xcb_selection_request_event_t& request);
    bool provide(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target);
    const QByteArray* bytesFor(xcb_atom_t target);
    void continueTransfer(const xcb_property_notify_event_t& event);
    void dropStalledTransfers();

    const std::vector<SelectionOffer>& m_sources;
    std::vector<Offer> m_offers;
    std::list<Transfer> m_transfers;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_window = 0;
    xcb_timestamp_t m_acquired = 0;
    uint32_t m_piece = LargestPiece;
    bool m_taken = false;

    xcb_atom_t m_clipboard = 0, m_targets = 0, m_timestamp = 0, m_incr = 0, m_manager = 0,
               m_saveTargets = 0, m_saveProperty = 0;
};

bool Keeper::acquire(QString* reason)
{
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection)) {
        *reason = QStringLiteral("cannot connect to the X display");
        return false;
    }
    internAtoms();
    // Room for the request header below the server's limit (in four-byte units).
    const uint32_t limit = xcb_get_maximum_request_length(m_connection) * 4u;
    m_piece = std::min(LargestPiece, limit > 1024 ? limit - 1024 : 1024);
    if (!createWindow()) {
        *reason = QStringLiteral("cannot create the clipboard window");
        return false;
    }
    m_acquired = serverTime();
    xcb_set_selection_owner(m_connection, m_window, m_clipboard, m_acquired);
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    if (!owner || owner->owner != m_window) {
        *reason = QStringLiteral("another program holds the clipboard");
        return false;
    }
    return true;
}

void Keeper::internAtoms()
{
    m_clipboard = intern(m_connection, "CLIPBOARD");
    m_targets = intern(m_connection, "TARGETS");
    m_timestamp = intern(m_connection, "TIMESTAMP");
    m_incr = intern(m_connection, "INCR");
    m_manager = intern(m_connection, "CLIPBOARD_MANAGER");
    m_saveTargets = intern(m_connection, "SAVE_TARGETS");
    m_saveProperty = intern(m_connection, "VISTREL_SAVE_TARGETS");
    for (const SelectionOffer& source : m_sources)
        m_offers.push_back({intern(m_connection, source.mimeType.constData()), &source, {}, false});
}

bool Keeper::createWindow()
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    if (!screen)
        return false;
    m_window = xcb_generate_id(m_connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    const auto cookie = xcb_create_window_checked(
        m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, -1, -1, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    return x11::succeeded(m_connection, cookie);
}

// A real server time for the ownership (never CurrentTime): the time of a property change.
xcb_timestamp_t Keeper::serverTime()
{
    static const char name[] = "Vistrel clipboard";
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, sizeof name - 1, name);
    xcb_flush(m_connection);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        const auto event = nextEvent(deadline);
        if (event && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (notify->window == m_window)
                return notify->time;
        }
        if (xcb_connection_has_error(m_connection))
            break;
    }
    return XCB_CURRENT_TIME;
}

Reply<xcb_generic_event_t> Keeper::nextEvent(Clock::time_point deadline)
{
    xcb_flush(m_connection);
    for (;;) {
        if (auto* event = xcb_poll_for_event(m_connection))
            return Reply<xcb_generic_event_t>(event);
        if (xcb_connection_has_error(m_connection))
            return nullptr;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        if (::poll(&descriptor, 1, int(std::min<long long>(left.count(), 1000))) == 0)
            return nullptr;
    }
}

KeeperState Keeper::handToManager()
{
    const Reply<xcb_get_selection_owner_reply_t> manager(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_manager), nullptr));
    if (!manager || manager->owner == XCB_NONE)
        return KeeperState::Serving;
    // Only the picture types are worth saving, not TARGETS or TIMESTAMP.
    std::vector<xcb_atom_t> types;
    for (const Offer& offer : m_offers)
        types.push_back(offer.atom);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_saveProperty,
                        XCB_ATOM_ATOM, 32, uint32_t(types.size()), types.data());
    xcb_convert_selection(m_connection, m_window, m_manager, m_saveTargets, m_saveProperty,
                          m_acquired);
    const auto deadline = Clock::now() + ManagerWait;
    while (Clock::now() < deadline && !xcb_connection_has_error(m_connection)) {
        const auto event = nextEvent(deadline);
        if (!event)
            continue;
        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
            if (notify->selection == m_manager)
                return notify->property == XCB_NONE ? KeeperState::Serving : KeeperState::Saved;
        }
        handle(*event);
    }
    return KeeperState::Serving; // no answer in time: keep serving it here
}

void Keeper::serveUntilTaken()
{
    // Pieces already promised to a reader are delivered before the keeper leaves.
    while (!xcb_connection_has_error(m_connection) && (!m_taken || !m_transfers.empty())) {
        if (const auto event = nextEvent(Clock::now() + std::chrono::seconds(5)))
            handle(*event);
        dropStalledTransfers();
    }
}

void Keeper::handle(const xcb_generic_event_t& event)
{
    switch (event.response_type & 0x7f) {
    case 0: { // an error: a reader window that went away ends its transfers
        const auto& error = reinterpret_cast<const xcb_generic_error_t&>(event);
        m_transfers.remove_if([&](const Transfer& t) { return t.requestor == error.resource_id; });
        break;
    }
    case XCB_SELECTION_REQUEST:
        answer(reinterpret_cast<const xcb_selection_request_event_t&>(event));
        break;
    case XCB_SELECTION_CLEAR:
        if (reinterpret_cast<const xcb_selection_clear_event_t&>(event).selection == m_clipboard)
            m_taken = true;
        break;
    case XCB_PROPERTY_NOTIFY:
        continueTransfer(reinterpret_cast<const xcb_property_notify_event_t&>(event));
        break;
    case XCB_SELECTION_NOTIFY: {
        // A clipboard manager that saved the copy after the wait (a busy machine)
        // holds it now: nothing is left for the keeper to serve.
        const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(event);
        if (notify.selection == m_manager && notify.property != XCB_NONE)
            m_taken = true;
        break;
    }
    default:
        break;
    }
}

void Keeper::answer(const xcb_selection_request_event_t& request)
{
    // Very old clients leave the property empty and mean the target's name.
    const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    const bool current = request.time == XCB_CURRENT_TIME || request.time >= m_acquired;
    const bool ours = request.selection == m_clipboard && request.owner == m_window && !m_taken;
    const bool given = ours && current && provide(request.requestor, property, request.target);

    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = given ? property : XCB_NONE;
    xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
}

bool Keeper::provide(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target)
{
    if (target == m_targets) {
        std::vector<xcb_atom_t> list{m_targets, m_timestamp};
        for (const Offer& offer : m_offers)
            list.push_back(offer.atom);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM,
                            32, uint32_t(list.size()), list.data());
        return true;
    }
    if (target == m_timestamp) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property,
                            XCB_ATOM_INTEGER, 32, 1, &m_acquired);
        return true;
    }
    const QByteArray* bytes = bytesFor(target);
    if (!bytes || bytes->isEmpty())
        return false;
    if (bytes->size() <= qsizetype(m_piece)) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, target, 8,
                            uint32_t(bytes->size()), bytes->constData());
        return true;
    }
    // Incremental: announce the size, then one piece each time the reader deletes the last.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, &mask);
    const uint32_t size = uint32_t(std::min<qsizetype>(bytes->size(), UINT32_MAX));
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, m_incr, 32, 1,
                        &size);
    m_transfers.push_back({requestor, property, target, *bytes, 0, Clock::now()});
    return true;
}

const QByteArray* Keeper::bytesFor(xcb_atom_t target)
{
    const auto offer = std::find_if(m_offers.begin(), m_offers.end(),
                                    [&](const Offer& o) { return o.atom == target; });
    if (offer == m_offers.end())
        return nullptr;
    if (!offer->made) {
        offer->made = true;
        try {
            offer->bytes = offer->source->bytes();
        } catch (...) {
            offer->bytes.clear(); // the type is refused; the others are still served
        }
    }
    return &offer->bytes;
}

void Keeper::continueTransfer(const xcb_property_notify_event_t& event)
{
    if (event.state != XCB_PROPERTY_DELETE)
        return;
    const auto transfer = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const auto& t) {
        return t.requestor == event.window && t.property == event.atom;
    });
    if (transfer == m_transfers.end())
        return;
    const qsizetype length = std::min<qsizetype>(m_piece, transfer->data.size() - transfer->sent);
    // The last piece is empty: it tells the reader that the value is complete.
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, transfer->requestor,
                        transfer->property, transfer->type, 8, uint32_t(length),
                        transfer->data.constData() + transfer->sent);
    transfer->sent += length;
    transfer->lastProgress = Clock::now();
    if (length == 0)
        m_transfers.erase(transfer);
}

void Keeper::dropStalledTransfers()
{
    const auto now = Clock::now();
    m_transfers.remove_if(
        [&](const Transfer& t) { return now - t.lastProgress > StalledTransfer; });
}

} // namespace

void keepClipboardSelection(const std::vector<SelectionOffer>& offers,
                            const std::function<void(KeeperState, const QString&)>& settled)
{
    Keeper keeper(offers);
    QString reason;
    if (!keeper.acquire(&reason)) {
        settled(KeeperState::Failed, reason);
        return;
    }
    const KeeperState state = keeper.handToManager();
    settled(state, QString());
    if (state == KeeperState::Serving)
        keeper.serveUntilTaken();
}

} // namespace vistrel
