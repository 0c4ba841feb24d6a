#include "app/x11_desktop.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace corvane::x11 {
namespace {

constexpr std::chrono::milliseconds kPollInterval{2};

// Motif hint bits (Motif's MwmUtil.h).
constexpr std::uint32_t kMwmHintsDecorations = 1u << 1;
constexpr std::uint32_t kMwmDecorBorder = 1u << 1;
// PWinGravity of WM_NORMAL_HINTS (ICCCM).
constexpr std::uint32_t kWinGravityFlag = 1u << 9;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* connection() {
    const auto* app =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Atoms never change while the connection lasts: each name costs one round
// trip only, not one on every resize.
xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    static std::map<std::string, xcb_atom_t, std::less<>> known;
    if (const auto found = known.find(std::string_view(name)); found != known.end()) {
        return found->second;
    }
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    if (!reply) return XCB_ATOM_NONE;
    known.emplace(name, reply->atom);
    return reply->atom;
}

// Up to `count` 32-bit values of a property of type `type`.
std::optional<std::vector<std::uint32_t>> property32(xcb_connection_t* c, xcb_window_t window,
                                                     xcb_atom_t name, xcb_atom_t type,
                                                     std::uint32_t count) {
    const auto cookie = xcb_get_property(c, 0, window, name, type, 0, count);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type != type || reply->format != 32) return std::nullopt;
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<std::uint32_t>(data, data + length);
}

bool rootSupports(xcb_connection_t* c, xcb_atom_t wanted) {
    const auto supported = property32(c, rootOf(c), atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
    if (!supported) return false;
    for (std::uint32_t a : *supported) {
        if (a == wanted) return true;
    }
    return false;
}

// A window manager announces itself through a child window of the root
// that names itself (EWMH); a stale property from one that ended does not.
bool windowManagerRuns(xcb_connection_t* c) {
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const auto onRoot = property32(c, rootOf(c), check, XCB_ATOM_WINDOW, 1);
    if (!onRoot || onRoot->empty()) return false;
    const auto onChild = property32(c, (*onRoot)[0], check, XCB_ATOM_WINDOW, 1);
    return onChild && !onChild->empty() && (*onChild)[0] == (*onRoot)[0];
}

std::optional<QMargins> extentsOf(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
    const auto values = property32(c, window, name, XCB_ATOM_CARDINAL, 4);
    if (!values || values->size() != 4) return std::nullopt;
    const auto& v = *values;  // left, right, top, bottom
    return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                    static_cast<int>(v[3]));
}

// The window gravity of WM_NORMAL_HINTS; without one it is NorthWest.
bool hasStaticGravity(xcb_connection_t* c, xcb_window_t window) {
    const auto hints = property32(c, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
    return hints && hints->size() == 18 && ((*hints)[0] & kWinGravityFlag) &&
           (*hints)[17] == XCB_GRAVITY_STATIC;
}

// True once a reparenting window manager has put the window in its frame.
bool framed(xcb_connection_t* c, xcb_window_t window) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    return tree && tree->parent != rootOf(c);
}

// Polled with round trips: Qt's own event queue stays untouched.
template <typename Condition>
bool pollUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace

bool available() {
    return connection() != nullptr;
}

bool windowManagerTellsFrames() {
    xcb_connection_t* c = connection();
    return c && windowManagerRuns(c) && rootSupports(c, atom(c, "_NET_REQUEST_FRAME_EXTENTS"));
}

std::optional<QMargins> askFrameExtents(WId window, std::chrono::milliseconds timeout) {
    xcb_connection_t* c = connection();
    if (!c) return std::nullopt;
    const auto w = static_cast<xcb_window_t>(window);
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    // An answer left from the window's previous hints must not count.
    xcb_delete_property(c, w, extents);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = w;
    request.type = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(c);
    std::optional<QMargins> answer;
    pollUntil([&] { return (answer = extentsOf(c, w, extents)).has_value(); }, timeout);
    return answer;
}

std::optional<QMargins> frameExtents(WId window) {
    xcb_connection_t* c = connection();
    if (!c) return std::nullopt;
    return extentsOf(c, static_cast<xcb_window_t>(window), atom(c, "_NET_FRAME_EXTENTS"));
}

std::optional<QRect> outerRect(WId window, const QMargins& frame) {
    xcb_connection_t* c = connection();
    if (!c) return std::nullopt;
    const auto w = static_cast<xcb_window_t>(window);
    const xcb_window_t root = rootOf(c);
    const auto geometryCookie = xcb_get_geometry(c, w);
    const auto originCookie = xcb_translate_coordinates(c, w, root, 0, 0);
    const auto treeCookie = xcb_query_tree(c, w);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, originCookie, nullptr));
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, treeCookie, nullptr));
    if (!geometry || !origin || !tree) return std::nullopt;
    const QRect client(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    if (tree->parent != root || frame.isNull()) return client.marginsAdded(frame);
    // Not framed yet: except with static gravity the window manager puts
    // the frame's corner where the window's own corner is now (ICCCM 4.1.2.3).
    if (hasStaticGravity(c, w)) return client.marginsAdded(frame);
    return QRect(client.topLeft(), client.size().grownBy(frame));
}

std::optional<QMargins> frameOnceFramed(WId window, std::chrono::milliseconds timeout) {
    xcb_connection_t* c = connection();
    if (!c) return std::nullopt;
    const auto w = static_cast<xcb_window_t>(window);
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    std::optional<QMargins> frame;
    pollUntil([&] { return framed(c, w) && (frame = extentsOf(c, w, extents)).has_value(); },
              timeout);
    return frame;
}

bool placeFrame(WId window, const QRect& outer, const QMargins& frame,
                std::chrono::milliseconds timeout) {
    xcb_connection_t* c = connection();
    if (!c) return false;
    const auto w = static_cast<xcb_window_t>(window);
    const auto there = [&] { return outerRect(window, frame) == outer; };
    if (!pollUntil([c, w] { return framed(c, w); }, timeout)) return false;
    if (there()) return true;
    const bool staticGravity = hasStaticGravity(c, w);
    const QRect client = outer.marginsRemoved(frame);
    const QPoint corner = staticGravity ? client.topLeft() : outer.topLeft();
    const std::array<std::uint32_t, 4> values{
        static_cast<std::uint32_t>(corner.x()), static_cast<std::uint32_t>(corner.y()),
        static_cast<std::uint32_t>(std::max(client.width(), 1)),
        static_cast<std::uint32_t>(std::max(client.height(), 1))};
    xcb_configure_window(c, w,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         values.data());
    xcb_flush(c);
    return pollUntil(there, timeout);
}

void setBorderOnlyDecorations(WId window) {
    xcb_connection_t* c = connection();
    if (!c) return;
    // flags, functions, decorations, input mode, status
    const std::array<std::uint32_t, 5> hints{kMwmHintsDecorations, 0, kMwmDecorBorder, 0, 0};
    const xcb_atom_t name = atom(c, "_MOTIF_WM_HINTS");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window), name, name, 32,
                        static_cast<std::uint32_t>(hints.size()), hints.data());
    xcb_flush(c);
}

void setToolWindowType(WId window) {
    xcb_connection_t* c = connection();
    if (!c) return;
    const std::array<xcb_atom_t, 2> types{atom(c, "_NET_WM_WINDOW_TYPE_TOOLBAR"),
                                          atom(c, "_NET_WM_WINDOW_TYPE_UTILITY")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window),
                        atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(types.size()), types.data());
    xcb_flush(c);
}

}  // namespace corvane::x11
