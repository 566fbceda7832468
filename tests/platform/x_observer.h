// A test's own connection to an X server, to look at the windows a program
// shows there and to give them input as a person's desktop would: events
// sent to the window (XSendEvent), since the server need not offer XTest.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

namespace twtest {

class XObserver {
public:
    explicit XObserver(std::string display) : name_(std::move(display)) {}
    ~XObserver();
    XObserver(const XObserver&) = delete;
    XObserver& operator=(const XObserver&) = delete;

    bool open();

    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
    };

    // A mapped top-level window with this exact name (WM_NAME), waited for up
    // to 10 s; 0 when none came.
    Window wait_for_window(const std::string& name);
    // True once the window no longer exists or is no longer mapped (10 s).
    bool wait_until_gone(Window win);
    // The window handle the program stored on its X window (0 without one).
    std::uint32_t hwnd_property(Window win);
    Geometry geometry(Window win);
    // The window's pixel as 0x00RRGGBB (XGetImage).
    std::uint32_t pixel(Window win, int x, int y);
    // Whether the pixel takes this colour within 5 s.
    bool wait_for_pixel(Window win, int x, int y, std::uint32_t rgb);

    void click(Window win, int x, int y, unsigned button);
    void key(Window win, unsigned long keysym);
    void close(Window win);  // the window manager's close request

private:
    std::string name_;
    Display* dpy_ = nullptr;
};

}  // namespace twtest
