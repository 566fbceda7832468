#include "tests/platform/x_observer.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace twtest {
namespace {

template <class Check>
bool poll_for(Check check, int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (check()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return check();
}

int ignore(Display*, XErrorEvent*) { return 0; }

}  // namespace

XObserver::~XObserver() {
    if (dpy_) XCloseDisplay(dpy_);
}

bool XObserver::open() {
    dpy_ = XOpenDisplay(name_.c_str());
    if (dpy_) XSetErrorHandler(ignore);  // windows vanish while we look at them
    return dpy_ != nullptr;
}

Window XObserver::wait_for_window(const std::string& name) {
    Window found = 0;
    poll_for(
        [&] {
            Window root_return, parent_return, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root_return, &parent_return, &children, &count))
                return false;
            for (unsigned i = 0; i < count && !found; ++i) {
                XWindowAttributes attrs;
                if (!XGetWindowAttributes(dpy_, children[i], &attrs) || attrs.map_state != IsViewable) continue;
                char* title = nullptr;
                if (XFetchName(dpy_, children[i], &title) && title) {
                    if (name == title) found = children[i];
                    XFree(title);
                }
            }
            if (children) XFree(children);
            return found != 0;
        },
        10);
    return found;
}

bool XObserver::wait_until_gone(Window win) {
    return poll_for(
        [&] {
            XWindowAttributes attrs;
            return !XGetWindowAttributes(dpy_, win, &attrs) || attrs.map_state != IsViewable;
        },
        10);
}

std::uint32_t XObserver::hwnd_property(Window win) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Atom prop = XInternAtom(dpy_, "_TWP_HWND", False);
    std::uint32_t hwnd = 0;
    if (XGetWindowProperty(dpy_, win, prop, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data && count == 1 && format == 32)
        hwnd = static_cast<std::uint32_t>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return hwnd;
}

XObserver::Geometry XObserver::geometry(Window win) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy_, win, &attrs)) return {};
    return {attrs.x, attrs.y, attrs.width, attrs.height};
}

std::uint32_t XObserver::pixel(Window win, int x, int y) {
    XImage* image = XGetImage(dpy_, win, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(p & 0xFFFFFF);
}

bool XObserver::wait_for_pixel(Window win, int x, int y, std::uint32_t rgb) {
    return poll_for([&] { return pixel(win, x, y) == rgb; }, 5);
}

void XObserver::click(Window win, int x, int y, unsigned button) {
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent ev{};
        ev.xbutton.type = type;
        ev.xbutton.display = dpy_;
        ev.xbutton.window = win;
        ev.xbutton.root = DefaultRootWindow(dpy_);
        ev.xbutton.x = x;
        ev.xbutton.y = y;
        ev.xbutton.button = button;
        ev.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        ev.xbutton.same_screen = True;
        XSendEvent(dpy_, win, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &ev);
    }
    XFlush(dpy_);
}

void XObserver::key(Window win, unsigned long keysym) {
    for (int type : {KeyPress, KeyRelease}) {
        XEvent ev{};
        ev.xkey.type = type;
        ev.xkey.display = dpy_;
        ev.xkey.window = win;
        ev.xkey.root = DefaultRootWindow(dpy_);
        ev.xkey.keycode = XKeysymToKeycode(dpy_, keysym);
        ev.xkey.same_screen = True;
        XSendEvent(dpy_, win, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &ev);
    }
    XFlush(dpy_);
}

void XObserver::close(Window win) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win;
    ev.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy_, win, False, NoEventMask, &ev);
    XFlush(dpy_);
}

}  // namespace twtest
