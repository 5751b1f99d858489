// tray_probe: the tray icon component against a real X display (run under Xvfb by
// tray_test.sh). First with no notification area on the display: an icon file given to the
// component must not fail, and nothing is shown. Then the probe becomes the display's
// notification area itself (it owns the system tray selection and takes in the windows that ask
// to dock): the icon must dock and show the icon's colours and see-through pixels, and must go
// away when the component is cleared. Exit status 0 when everything checked out.

#include "app/components/tray_icon.h"
#include "framework/application.h"
#include "framework/streams.h"
#include "picture/formats.h"
#include "picture/icon/icon.h"
#include "picture/picture.h"
#include "platform/icon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

int failures = 0;

void check(bool condition, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", condition ? "ok" : "FAILED", what.c_str());
    if (!condition)
        ++failures;
}

// A notification area on its own X connection: a 64 × 64 window at the top left of the screen
// into which docking icon windows are reparented.
class TrayHost {
public:
    TrayHost() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_selection = atom("_NET_SYSTEM_TRAY_S0");
        m_opcode = atom("_NET_SYSTEM_TRAY_OPCODE");
    }
    ~TrayHost() { xcb_disconnect(m_connection); }

    bool connected() const { return !xcb_connection_has_error(m_connection); }

    // Owns the tray selection and tells the clients so.
    void claim()
    {
        m_window = xcb_generate_id(m_connection);
        const std::uint32_t values[] = {m_screen->white_pixel,
                                        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_screen->root, 0, 0, 64, 64, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(m_connection, m_window);
        xcb_set_selection_owner(m_connection, m_window, m_selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t manager{};
        manager.response_type = XCB_CLIENT_MESSAGE;
        manager.format = 32;
        manager.window = m_screen->root;
        manager.type = atom("MANAGER");
        manager.data.data32[0] = XCB_CURRENT_TIME;
        manager.data.data32[1] = m_selection;
        manager.data.data32[2] = m_window;
        xcb_send_event(m_connection, 0, m_screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&manager));
        xcb_flush(m_connection);
    }

    // Handles what arrived: dock requests, and docked windows going away.
    void poll()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            switch (event->response_type & 0x7F) {
            case XCB_CLIENT_MESSAGE: {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == m_opcode && message->data.data32[1] == 0) {  // request to dock
                    m_docked = message->data.data32[2];
                    xcb_reparent_window(m_connection, m_docked, m_window, 0, 0);
                    xcb_map_window(m_connection, m_docked);
                    xcb_flush(m_connection);
                }
                break;
            }
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == m_docked)
                    m_docked = 0;
                break;
            case XCB_UNMAP_NOTIFY:
                if (reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window == m_docked)
                    m_docked = 0;
                break;
            default:
                break;
            }
            std::free(event);
        }
    }

    std::uint32_t docked() const { return m_docked; }

    // What the docked window shows now.
    QImage grabDocked()
    {
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, m_docked), nullptr);
        if (!geometry)
            return {};
        const int width = geometry->width;
        const int height = geometry->height;
        std::free(geometry);
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_docked, 0, 0, std::uint16_t(width),
                          std::uint16_t(height), ~0u),
            nullptr);
        if (!reply)
            return {};
        QImage image;
        if (xcb_get_image_data_length(reply) >= width * height * 4)
            image = QImage(xcb_get_image_data(reply), width, height, width * 4, QImage::Format_RGB32).copy();
        std::free(reply);
        return image;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen = nullptr;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    xcb_atom_t m_opcode = XCB_ATOM_NONE;
    xcb_window_t m_window = 0;
    xcb_window_t m_docked = 0;
};

// Runs the event loops until `done` or five seconds have passed.
bool waitFor(TrayHost& host, const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        host.poll();
    }
    return done();
}

// A 32 × 32 icon file: opaque red on the left, see-through on the right.
std::string writeHalfRedIcon(const QTemporaryDir& directory)
{
    auto colour = platform::Section::createDisplayCompatible(32, 32);
    auto mask = platform::Section::createMonochrome(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            colour->setPixel(x, y, x < 16 ? 0x0000FF : 0x000000);
            mask->setPixel(x, y, x < 16 ? 0x000000 : 0xFFFFFF);
        }
    TIcon icon;
    icon.SetIconHandle(TIconHandle(platform::Icon::create(std::move(colour), std::move(mask), false)));
    TMemoryStream bytes;
    icon.SaveStream(bytes);
    const std::string path = directory.filePath("vermelho.ico").toStdString();
    bytes.SaveToFile(path);
    return path;
}

// Pixels of the left and right halves of an image that are exactly the colour.
struct Halves {
    int left = 0;
    int right = 0;
};

Halves count(const QImage& image, QRgb colour)
{
    Halves h;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == colour)
                ++(2 * x < image.width() ? h.left : h.right);
    return h;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    TApplication application;
    application.Initialize(argc, argv);
    RegisterPictureFormats();
    QTemporaryDir directory;
    const std::string icon = writeHalfRedIcon(directory);

    TrayHost host;
    if (!host.connected()) {
        std::fputs("no X display\n", stderr);
        return 1;
    }
    {
        TRxTrayIcon tray(nullptr);
        check(!QSystemTrayIcon::isSystemTrayAvailable(), "no notification area on the display yet");
        tray.Icon()->LoadFile(icon);
        waitFor(host, [] { return false; });
        check(tray.Shown(), "the component holds its icon without a notification area");
        tray.Icon()->ReplaceGraphic(nullptr);
        check(!tray.Shown(), "and lets it go");
    }

    host.claim();
    check(waitFor(host, [] { return QSystemTrayIcon::isSystemTrayAvailable(); }), "the notification area is seen");
    TRxTrayIcon tray(nullptr);
    tray.Icon()->LoadFile(icon);
    check(waitFor(host, [&] { return host.docked() != 0; }), "the icon docks in the notification area");
    if (host.docked() != 0) {
        // Painting follows the docking; wait until the icon's colour is there. The left half
        // shows red, the see-through right half the notification area's white, never black.
        QImage shown;
        waitFor(host, [&] {
            shown = host.grabDocked();
            return !shown.isNull() && count(shown, 0xFF0000).left * 4 > shown.width() * shown.height();
        });
        const Halves red = count(shown, 0xFF0000);
        const Halves black = count(shown, 0x000000);
        const std::string size = std::to_string(shown.width()) + " x " + std::to_string(shown.height());
        check(!shown.isNull() && red.left * 4 > shown.width() * shown.height(),
              "the left half of the docked " + size + " icon shows red (" + std::to_string(red.left) + " pixels)");
        check(red.right == 0 && black.right == 0, "its see-through right half shows neither red nor black ("
                                                      + std::to_string(red.right) + ", "
                                                      + std::to_string(black.right) + " pixels)");
    }
    tray.Icon()->ReplaceGraphic(nullptr);
    check(waitFor(host, [&] { return host.docked() == 0; }), "clearing the icon removes it from the notification area");
    return failures == 0 ? 0 : 1;
}
