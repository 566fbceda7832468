// Top-level windows on an X11 display.
//
// One connection per process, opened the first time a window is shown (or
// available() is asked), with Xlib's thread support on: window threads put
// their surfaces on the screen themselves, and one event thread of the
// process reads what the server sends (exposures, pointer, keys, the close
// box) and hands the input to the window's own thread through
// deliver_input(). Each X window keeps a copy of the last surface it was
// given, so that an exposure is repainted from the event thread without
// touching the window layer.
//
// The event thread sleeps in poll() on the connection and on a pipe of its
// own, so that the process can stop it at exit before the rest of the
// platform goes away.
#include "platform/display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::display {
namespace {

// The MK_ bits InputEvent::modifiers carries.
constexpr std::uint32_t kMkLButton = 0x0001;
constexpr std::uint32_t kMkRButton = 0x0002;
constexpr std::uint32_t kMkShift = 0x0004;
constexpr std::uint32_t kMkControl = 0x0008;
constexpr std::uint32_t kMkMButton = 0x0010;

// The Windows virtual-key code of an X key symbol; 0 for keys the system
// never looks at.
std::uint32_t vk_from_keysym(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return static_cast<std::uint32_t>('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z) return static_cast<std::uint32_t>('A' + (sym - XK_A));
    if (sym >= XK_0 && sym <= XK_9) return static_cast<std::uint32_t>('0' + (sym - XK_0));
    if (sym >= XK_F1 && sym <= XK_F12) return static_cast<std::uint32_t>(0x70 + (sym - XK_F1));
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return static_cast<std::uint32_t>(0x60 + (sym - XK_KP_0));
    static const std::pair<KeySym, std::uint32_t> table[] = {
        {XK_BackSpace, 0x08},    {XK_Tab, 0x09},       {XK_ISO_Left_Tab, 0x09}, {XK_Return, 0x0D},
        {XK_KP_Enter, 0x0D},     {XK_Shift_L, 0x10},   {XK_Shift_R, 0x10},      {XK_Control_L, 0x11},
        {XK_Control_R, 0x11},    {XK_Alt_L, 0x12},     {XK_Alt_R, 0x12},        {XK_Pause, 0x13},
        {XK_Caps_Lock, 0x14},    {XK_Escape, 0x1B},    {XK_space, 0x20},        {XK_Prior, 0x21},
        {XK_Next, 0x22},         {XK_End, 0x23},       {XK_Home, 0x24},         {XK_Left, 0x25},
        {XK_Up, 0x26},           {XK_Right, 0x27},     {XK_Down, 0x28},         {XK_Insert, 0x2D},
        {XK_Delete, 0x2E},       {XK_KP_Multiply, 0x6A}, {XK_KP_Add, 0x6B},     {XK_KP_Subtract, 0x6D},
        {XK_KP_Decimal, 0x6E},   {XK_KP_Divide, 0x6F}, {XK_semicolon, 0xBA},    {XK_colon, 0xBA},
        {XK_equal, 0xBB},        {XK_plus, 0xBB},      {XK_comma, 0xBC},        {XK_less, 0xBC},
        {XK_minus, 0xBD},        {XK_underscore, 0xBD}, {XK_period, 0xBE},      {XK_greater, 0xBE},
        {XK_slash, 0xBF},        {XK_question, 0xBF},  {XK_grave, 0xC0},        {XK_asciitilde, 0xC0},
        {XK_bracketleft, 0xDB},  {XK_braceleft, 0xDB}, {XK_backslash, 0xDC},    {XK_bar, 0xDC},
        {XK_bracketright, 0xDD}, {XK_braceright, 0xDD}, {XK_apostrophe, 0xDE},  {XK_quotedbl, 0xDE},
    };
    for (const auto& [x, vk] : table)
        if (x == sym) return vk;
    // Shifted digits and the like type a character whose key is a digit.
    static const char shifted_digits[] = ")!@#$%^&*(";
    if (sym < 0x80)
        if (const char* p = std::strchr(shifted_digits, static_cast<int>(sym)); p && *p)
            return static_cast<std::uint32_t>('0' + (p - shifted_digits));
    return 0;
}

struct Shown {
    Window xid = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // as the visual wants them
};

struct Connection {
    ::Display* dpy = nullptr;
    int screen = 0;
    Visual* visual = nullptr;
    int depth = 0;
    bool direct_pixels = false;  // 0x00RRGGBB is already the visual's 32-bit pixel
    unsigned long red_mask = 0, green_mask = 0, blue_mask = 0;
    Atom wm_protocols = 0, wm_delete = 0, net_wm_name = 0, utf8_string = 0, twp_hwnd = 0;
    int wake[2] = {-1, -1};
    std::thread events;
    bool stopping = false;

    std::mutex lock;  // guards the maps and the pixel copies
    std::map<HWND, Shown> windows;
    std::map<Window, HWND> by_xid;
};

Connection* g_connection = nullptr;
std::once_flag g_open_once;

bool wanted() {
    const char* headless = std::getenv("TWPRINTER_HEADLESS");
    if (headless && std::strcmp(headless, "1") == 0) return false;
    const char* name = std::getenv("DISPLAY");
    return name && *name;
}

int shift_of(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int width_of(unsigned long mask) {
    mask >>= shift_of(mask);
    int w = 0;
    while (mask & 1) {
        mask >>= 1;
        ++w;
    }
    return w;
}

unsigned long scale_into(std::uint32_t channel, unsigned long mask) {
    int bits = width_of(mask);
    unsigned long v = bits >= 8 ? channel << (bits - 8) : channel >> (8 - bits);
    return (v << shift_of(mask)) & mask;
}

// The surface's pixels as the visual takes them.
std::vector<std::uint32_t> convert(const Connection& c, const Surface& surface) {
    if (c.direct_pixels) return surface.pixels;
    std::vector<std::uint32_t> out(surface.pixels.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::uint32_t p = surface.pixels[i];
        out[i] = static_cast<std::uint32_t>(scale_into((p >> 16) & 0xFF, c.red_mask) |
                                            scale_into((p >> 8) & 0xFF, c.green_mask) |
                                            scale_into(p & 0xFF, c.blue_mask));
    }
    return out;
}

// Caller holds c.lock.
void put_locked(Connection& c, const Shown& s) {
    if (s.width <= 0 || s.height <= 0 || s.pixels.size() < static_cast<std::size_t>(s.width) * s.height) return;
    XImage* image = XCreateImage(c.dpy, c.visual, static_cast<unsigned>(c.depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(const_cast<std::uint32_t*>(s.pixels.data())),
                                 static_cast<unsigned>(s.width), static_cast<unsigned>(s.height), 32,
                                 s.width * 4);
    if (!image) return;
    GC gc = DefaultGC(c.dpy, c.screen);
    XPutImage(c.dpy, s.xid, gc, image, 0, 0, 0, 0, static_cast<unsigned>(s.width), static_cast<unsigned>(s.height));
    image->data = nullptr;  // ours, not Xlib's to free
    XDestroyImage(image);
    XFlush(c.dpy);
}

std::uint32_t modifiers_of(unsigned int state) {
    std::uint32_t m = 0;
    if (state & ShiftMask) m |= kMkShift;
    if (state & ControlMask) m |= kMkControl;
    if (state & Button1Mask) m |= kMkLButton;
    if (state & Button2Mask) m |= kMkMButton;
    if (state & Button3Mask) m |= kMkRButton;
    return m;
}

// Turns one X event into input of the window it belongs to; false when it
// carries none.
bool translate(Connection& c, XEvent& ev, HWND* top, InputEvent* in) {
    Window xid = ev.xany.window;
    {
        std::lock_guard guard(c.lock);
        auto it = c.by_xid.find(xid);
        if (it == c.by_xid.end()) return false;
        *top = it->second;
        if (ev.type == Expose) {
            if (ev.xexpose.count == 0) put_locked(c, c.windows[it->second]);
            return false;
        }
    }
    switch (ev.type) {
    case ButtonPress:
    case ButtonRelease:
        if (ev.xbutton.button < 1 || ev.xbutton.button > 3) return false;  // wheel steps are not buttons here
        in->kind = ev.type == ButtonPress ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
        in->pt = {ev.xbutton.x, ev.xbutton.y};
        in->button = static_cast<int>(ev.xbutton.button);
        in->modifiers = modifiers_of(ev.xbutton.state);
        return true;
    case MotionNotify:
        in->kind = InputEvent::Kind::MouseMove;
        in->pt = {ev.xmotion.x, ev.xmotion.y};
        in->modifiers = modifiers_of(ev.xmotion.state);
        return true;
    case KeyPress:
    case KeyRelease: {
        char text[8] = {};
        KeySym sym = NoSymbol;
        int n = XLookupString(&ev.xkey, text, sizeof text, &sym, nullptr);
        std::uint32_t vk = vk_from_keysym(sym);
        if (vk == 0) return false;
        in->kind = ev.type == KeyPress ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        in->vk = vk;
        in->ch = ev.type == KeyPress && n == 1 ? static_cast<unsigned char>(text[0]) : 0;
        in->modifiers = modifiers_of(ev.xkey.state);
        return true;
    }
    case ClientMessage:
        if (ev.xclient.message_type != c.wm_protocols ||
            static_cast<Atom>(ev.xclient.data.l[0]) != c.wm_delete)
            return false;
        in->kind = InputEvent::Kind::Close;
        return true;
    default: return false;
    }
}

void read_events(Connection* c) {
    for (;;) {
        pollfd fds[2] = {{ConnectionNumber(c->dpy), POLLIN, 0}, {c->wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;  // stopping
        if (fds[0].revents & (POLLERR | POLLHUP)) return;  // the server went away
        while (XPending(c->dpy) > 0) {
            XEvent ev;
            XNextEvent(c->dpy, &ev);
            HWND top = 0;
            InputEvent in;
            if (translate(*c, ev, &top, &in)) deliver_input(top, in);
        }
    }
}

void stop_events() {
    Connection* c = g_connection;
    if (!c || !c->events.joinable()) return;
    char b = 1;
    if (::write(c->wake[1], &b, 1) < 0) return;
    c->events.join();
}

// A display that does not answer (or errors Xlib reports as fatal) must not
// end the program: it simply goes on headless.
int ignore_error(::Display*, XErrorEvent*) { return 0; }

void open_connection() {
    if (!wanted()) return;
    XInitThreads();
    ::Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return;
    XSetErrorHandler(ignore_error);
    auto* c = new Connection;
    c->dpy = dpy;
    c->screen = DefaultScreen(dpy);
    c->visual = DefaultVisual(dpy, c->screen);
    c->depth = DefaultDepth(dpy, c->screen);
    if (c->depth < 15) {  // palette displays are not served: stay headless
        XCloseDisplay(dpy);
        delete c;
        return;
    }
    c->red_mask = c->visual->red_mask;
    c->green_mask = c->visual->green_mask;
    c->blue_mask = c->visual->blue_mask;
    c->direct_pixels = c->red_mask == 0xFF0000 && c->green_mask == 0xFF00 && c->blue_mask == 0xFF;
    c->wm_protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    c->wm_delete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    c->net_wm_name = XInternAtom(dpy, "_NET_WM_NAME", False);
    c->utf8_string = XInternAtom(dpy, "UTF8_STRING", False);
    c->twp_hwnd = XInternAtom(dpy, "_TWP_HWND", False);
    if (::pipe2(c->wake, O_CLOEXEC) != 0) {
        XCloseDisplay(dpy);
        delete c;
        return;
    }
    g_connection = c;
    c->events = std::thread(read_events, c);
    std::atexit(stop_events);
}

Connection* connection() {
    std::call_once(g_open_once, open_connection);
    return g_connection;
}

void set_title(Connection& c, Window xid, const std::string& title) {
    XStoreName(c.dpy, xid, title.c_str());
    XChangeProperty(c.dpy, xid, c.net_wm_name, c.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
}

// Asks the window manager to keep the size the window layer chose.
void fix_size(Connection& c, Window xid, int width, int height, const RECT& at) {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = PMinSize | PMaxSize | PPosition | USPosition;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    hints->x = at.left;
    hints->y = at.top;
    XSetWMNormalHints(c.dpy, xid, hints);
    XFree(hints);
}

}  // namespace

bool available() { return connection() != nullptr; }

void window_shown(HWND top, const Surface& surface, const RECT& screen_rect, const std::string& title) {
    Connection* c = connection();
    if (!c) return;
    int width = surface.width > 0 ? surface.width : screen_rect.right - screen_rect.left;
    int height = surface.height > 0 ? surface.height : screen_rect.bottom - screen_rect.top;
    if (width <= 0) width = 1;
    if (height <= 0) height = 1;
    std::lock_guard guard(c->lock);
    auto it = c->windows.find(top);
    if (it == c->windows.end()) {
        XSetWindowAttributes attrs{};
        attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                           KeyReleaseMask | StructureNotifyMask;
        attrs.background_pixel = WhitePixel(c->dpy, c->screen);
        Window xid = XCreateWindow(c->dpy, RootWindow(c->dpy, c->screen), screen_rect.left, screen_rect.top,
                                   static_cast<unsigned>(width), static_cast<unsigned>(height), 0, c->depth,
                                   InputOutput, c->visual, CWEventMask | CWBackPixel, &attrs);
        XSetWMProtocols(c->dpy, xid, &c->wm_delete, 1);
        XClassHint* class_hint = XAllocClassHint();
        if (class_hint) {
            class_hint->res_name = const_cast<char*>("twprinter");
            class_hint->res_class = const_cast<char*>("Twprinter");
            XSetClassHint(c->dpy, xid, class_hint);
            XFree(class_hint);
        }
        unsigned long handle = top;
        XChangeProperty(c->dpy, xid, c->twp_hwnd, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&handle), 1);
        Shown s;
        s.xid = xid;
        it = c->windows.emplace(top, std::move(s)).first;
        c->by_xid[xid] = top;
    } else {
        XMoveResizeWindow(c->dpy, it->second.xid, screen_rect.left, screen_rect.top, static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
    }
    Shown& s = it->second;
    s.width = surface.width;
    s.height = surface.height;
    s.pixels = convert(*c, surface);
    set_title(*c, s.xid, title);
    fix_size(*c, s.xid, width, height, screen_rect);
    XMapRaised(c->dpy, s.xid);
    put_locked(*c, s);
}

void window_hidden(HWND top) {
    Connection* c = connection();
    if (!c) return;
    std::lock_guard guard(c->lock);
    auto it = c->windows.find(top);
    if (it == c->windows.end()) return;
    XUnmapWindow(c->dpy, it->second.xid);
    XFlush(c->dpy);
}

void window_moved(HWND top, const RECT& screen_rect) {
    Connection* c = connection();
    if (!c) return;
    std::lock_guard guard(c->lock);
    auto it = c->windows.find(top);
    if (it == c->windows.end()) return;
    XMoveWindow(c->dpy, it->second.xid, screen_rect.left, screen_rect.top);
    XFlush(c->dpy);
}

void window_retitled(HWND top, const std::string& title) {
    Connection* c = connection();
    if (!c) return;
    std::lock_guard guard(c->lock);
    auto it = c->windows.find(top);
    if (it == c->windows.end()) return;
    set_title(*c, it->second.xid, title);
    XFlush(c->dpy);
}

void surface_changed(HWND top, const Surface& surface) {
    Connection* c = connection();
    if (!c) return;
    std::lock_guard guard(c->lock);
    auto it = c->windows.find(top);
    if (it == c->windows.end()) return;
    Shown& s = it->second;
    if (surface.width != s.width || surface.height != s.height) {
        if (surface.width > 0 && surface.height > 0) {
            XResizeWindow(c->dpy, s.xid, static_cast<unsigned>(surface.width), static_cast<unsigned>(surface.height));
            RECT at{};
            XWindowAttributes attrs;
            if (XGetWindowAttributes(c->dpy, s.xid, &attrs)) at = {attrs.x, attrs.y, 0, 0};
            fix_size(*c, s.xid, surface.width, surface.height, at);
        }
        s.width = surface.width;
        s.height = surface.height;
    }
    s.pixels = convert(*c, surface);
    put_locked(*c, s);
}

void window_destroyed(HWND top) {
    Connection* c = connection();
    if (!c) return;
    std::lock_guard guard(c->lock);
    auto it = c->windows.find(top);
    if (it == c->windows.end()) return;
    c->by_xid.erase(it->second.xid);
    XDestroyWindow(c->dpy, it->second.xid);
    XFlush(c->dpy);
    c->windows.erase(it);
}

}  // namespace platform::display
