// Where a top-level window's pixels live, and how they reach a person.
//
// Every top-level window owns one Surface the size of its window rectangle
// (frame and caption included). The window and all its descendants paint into
// it: a child's device context is the surface with its origin moved to the
// child's place and its drawing clipped to the child's visible rectangle. The
// surface is the window as a person would see it, so a screenshot is a copy
// of it, headless or not.
//
// The display (display.h) shows surfaces as X11 windows when a display is
// there; it calls back into the window layer with the input a person gives.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/image.h"
#include "platform/messages.h"

namespace platform {

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row-major from the top row
    std::uint64_t version = 0;          // bumped after every change of the pixels

    void resize(int w, int h);          // keeps the top-left pixels that still fit
    Image to_image() const;             // opaque 32-bit copy
};

// Input as a person (or the automation layer) gives it to a top-level window,
// in that window's coordinates (0,0 = top-left of its surface).
struct InputEvent {
    enum class Kind { MouseMove, ButtonDown, ButtonUp, KeyDown, KeyUp, Close };
    Kind kind = Kind::MouseMove;
    POINT pt;                // mouse events
    int button = 1;          // 1 left, 2 middle, 3 right
    std::uint32_t vk = 0;    // key events: the Windows virtual-key code
    std::uint32_t ch = 0;    // key down: the character it types (0 for none)
    std::uint32_t modifiers = 0;  // MK_SHIFT, MK_CONTROL bits
};

// Hands input to the top-level window `top`, from any thread of any process
// of the computer: it is posted to the window's thread, which turns it into
// the mouse and keyboard messages of the window under the pointer (or with the
// capture, or with the focus) when it reads its queue (input.h). False (with
// ERROR_INVALID_WINDOW_HANDLE) when `top` is not a live top-level window.
bool deliver_input(HWND top, const InputEvent& event);

}  // namespace platform
