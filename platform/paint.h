// Invalidation and painting: InvalidateRect, ValidateRect, GetUpdateRect,
// UpdateWindow, RedrawWindow, BeginPaint, EndPaint, GetDC, GetWindowDC,
// ReleaseDC, and the pixels of a window (its top-level window's surface).
//
// Mirrors Windows:
// - Each window has an update area. WM_PAINT is never posted: the queue makes
//   one up for a visible window of the thread that needs painting when
//   nothing else is waiting (message_queue.h), parents before children, and
//   again for as long as the window is not validated.
// - begin_paint sends WM_NCPAINT when the frame needs it, WM_ERASEBKGND when
//   an erase is owed (def_window_proc fills with the class background brush;
//   PAINTSTRUCT::fErase says whether the background still needs erasing),
//   hides the caret, validates the update area and returns a DC clipped to
//   it; end_paint shows the caret again and releases the DC. def_window_proc's
//   WM_PAINT does begin_paint + end_paint.
// - Showing a window, making it bigger or smaller, and a new window paint it
//   whole; a child that hides, moves or is destroyed leaves its place in the
//   parent to be painted again. Invalidating part of a parent without
//   WS_CLIPCHILDREN invalidates the children over that part too, since the
//   parent's painting covers them (with WS_CLIPCHILDREN its DC leaves them
//   out). WM_SETREDRAW FALSE holds back WM_PAINT until TRUE.
// - A DC of a window draws into its top-level window's surface at the
//   window's place, clipped to what of the window shows inside its
//   ancestors' client areas (get_dc: the client area; get_window_dc: frame
//   included).
// Differs:
// - The update area is one rectangle, the bounding box of what was
//   invalidated; validate_rect takes a part away only when what remains is a
//   rectangle (else the area stays as it was, so painting is never lost).
// - Top-level windows never cover each other's pixels: each has its own
//   surface, so moving one repaints nothing.
// - WS_CLIPSIBLINGS is not applied: overlapping sibling controls paint in
//   stacking order.
// - Regions: redraw_window takes a rectangle; its HRGN argument is ignored.
// Thread rules: paint a window on its own thread. window_surface and
// snapshot_window read the pixels without locking out painting: call them on
// the window's thread (the automation layer does, through WM_TWP_AUTOMATION).
#pragma once

#include <cstdint>

#include "platform/gdi_types.h"
#include "platform/image.h"
#include "platform/messages.h"
#include "platform/surface.h"

namespace platform {

struct PAINTSTRUCT {
    HDC hdc = 0;
    bool fErase = false;
    RECT rcPaint;
    bool fRestore = false;
    bool fIncUpdate = false;
    std::uint8_t rgbReserved[32] = {};
};

inline constexpr UINT RDW_INVALIDATE = 0x0001;
inline constexpr UINT RDW_INTERNALPAINT = 0x0002;
inline constexpr UINT RDW_ERASE = 0x0004;
inline constexpr UINT RDW_VALIDATE = 0x0008;
inline constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
inline constexpr UINT RDW_NOERASE = 0x0020;
inline constexpr UINT RDW_NOCHILDREN = 0x0040;
inline constexpr UINT RDW_ALLCHILDREN = 0x0080;
inline constexpr UINT RDW_UPDATENOW = 0x0100;
inline constexpr UINT RDW_ERASENOW = 0x0200;
inline constexpr UINT RDW_FRAME = 0x0400;
inline constexpr UINT RDW_NOFRAME = 0x0800;

// `rect` in client coordinates; null: the whole client area.
bool invalidate_rect(HWND hwnd, const RECT* rect, bool erase);
bool validate_rect(HWND hwnd, const RECT* rect);
// The update rectangle (empty when none); false when there is nothing to
// paint. With `erase`, an owed WM_ERASEBKGND is sent now.
bool get_update_rect(HWND hwnd, RECT* rect, bool erase);
// Sends WM_PAINT at once when the window needs painting.
bool update_window(HWND hwnd);
bool redraw_window(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

HDC begin_paint(HWND hwnd, PAINTSTRUCT* ps);
bool end_paint(HWND hwnd, const PAINTSTRUCT* ps);
HDC get_dc(HWND hwnd);
HDC get_window_dc(HWND hwnd);
int release_dc(HWND hwnd, HDC hdc);

// The surface of a top-level window of this process (null for anything else).
const Surface* window_surface(HWND top);
// A copy of a window's pixels as they show: the whole surface for a
// top-level window, a child's own rectangle of it (cut to what shows).
bool snapshot_window(HWND hwnd, Image* out);

}  // namespace platform
