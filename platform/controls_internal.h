// What the common controls and the rich-text display share inside the
// platform: their state behind the window data, notifications to the parent,
// and the vertical scroll model they all use. Not for programs.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "platform/commctrl.h"
#include "platform/message_queue.h"
#include "platform/window.h"

namespace platform::controls {

// Each control keeps a pointer to its state in the first pointer of its
// window data (cbWndExtra = kStateBytes); it is made on WM_NCCREATE and freed
// on WM_NCDESTROY.
inline constexpr int kStateBytes = static_cast<int>(sizeof(void*));

template <class State>
State* state_of(HWND hwnd) {
    return reinterpret_cast<State*>(get_window_long_ptr(hwnd, 0));
}

template <class State>
State* attach_state(HWND hwnd, std::unique_ptr<State> state) {
    State* raw = state.release();
    set_window_long_ptr(hwnd, 0, reinterpret_cast<std::intptr_t>(raw));
    return raw;
}

template <class State>
void detach_state(HWND hwnd) {
    std::unique_ptr<State> owned(state_of<State>(hwnd));
    set_window_long_ptr(hwnd, 0, 0);
}

// Registers a global class of the platform (CS_GLOBALCLASS | CS_DBLCLKS);
// registering it again is not an error.
void register_control_class(const char* name, WNDPROC proc);

// Fills hdr and sends WM_NOTIFY to the control's parent; the parent's answer.
LRESULT notify_parent(HWND control, UINT code, NMHDR* hdr);

// Virtual keys the controls answer (the Windows numbers).
inline constexpr UINT kVkReturn = 0x0D;
inline constexpr UINT kVkSpace = 0x20;
inline constexpr UINT kVkPrior = 0x21;
inline constexpr UINT kVkNext = 0x22;
inline constexpr UINT kVkEnd = 0x23;
inline constexpr UINT kVkHome = 0x24;
inline constexpr UINT kVkLeft = 0x25;
inline constexpr UINT kVkUp = 0x26;
inline constexpr UINT kVkRight = 0x27;
inline constexpr UINT kVkDown = 0x28;
inline constexpr UINT kVkAdd = 0x6B;
inline constexpr UINT kVkSubtract = 0x6D;

// WM_GETDLGCODE answers.
inline constexpr LRESULT kDlgcWantArrows = 0x0001;
inline constexpr LRESULT kDlgcWantChars = 0x0080;

// WM_VSCROLL requests.
inline constexpr UINT kSbLineUp = 0;
inline constexpr UINT kSbLineDown = 1;
inline constexpr UINT kSbPageUp = 2;
inline constexpr UINT kSbPageDown = 3;
inline constexpr UINT kSbThumbPosition = 4;
inline constexpr UINT kSbThumbTrack = 5;
inline constexpr UINT kSbTop = 6;
inline constexpr UINT kSbBottom = 7;

inline constexpr int kScrollBarWidth = 16;  // SM_CXVSCROLL

// A list of `count` rows of which `page` fit, shown from row `top`.
struct VerticalScroll {
    int top = 0;
    int count = 0;
    int page = 1;

    bool needed() const { return count > page; }
    int max_top() const { return std::max(0, count - std::max(page, 1)); }
    // Returns whether `top` changed.
    bool scroll_to(int row) {
        int clamped = std::clamp(row, 0, max_top());
        bool changed = clamped != top;
        top = clamped;
        return changed;
    }
    void clamp() { scroll_to(top); }
    // WM_VSCROLL's request (loword of wParam) and thumb position (hiword).
    bool apply(UINT request, int thumb) {
        switch (request) {
        case kSbLineUp: return scroll_to(top - 1);
        case kSbLineDown: return scroll_to(top + 1);
        case kSbPageUp: return scroll_to(top - std::max(page, 1));
        case kSbPageDown: return scroll_to(top + std::max(page, 1));
        case kSbThumbPosition:
        case kSbThumbTrack: return scroll_to(thumb);
        case kSbTop: return scroll_to(0);
        case kSbBottom: return scroll_to(max_top());
        default: return false;
        }
    }
    // Makes `row` visible, scrolling as little as possible.
    bool ensure_visible(int row) {
        if (row < top) return scroll_to(row);
        if (row >= top + std::max(page, 1)) return scroll_to(row - std::max(page, 1) + 1);
        return false;
    }
};

// The parts of a vertical scroll bar drawn at the right edge of `client`.
struct ScrollBarLayout {
    RECT bar, up, down, thumb;
};
ScrollBarLayout scroll_bar_layout(const RECT& client, const VerticalScroll& scroll);
// What a press at `pt` inside the bar asks for: a kSb* request, or -1 outside.
int scroll_bar_hit(const ScrollBarLayout& layout, POINT pt);
// Turns a press on the bar into a scroll; true when the press was on it.
bool scroll_bar_click(HWND hwnd, const RECT& client, VerticalScroll& scroll, POINT pt);

inline POINT point_from_lparam(LPARAM lParam) {
    return POINT{static_cast<std::int16_t>(loword(static_cast<std::uintptr_t>(lParam))),
                 static_cast<std::int16_t>(hiword(static_cast<std::uintptr_t>(lParam)))};
}

inline bool point_in_rect(const RECT& r, POINT pt) {
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}

// The line height and the width of a text in a control's font (0: the
// default GUI font).
int font_height(HFONT font);
int text_width(HFONT font, std::string_view text);

// Copies `text` into a caller's buffer of `size` bytes, cut and always
// terminated; the characters copied.
int copy_text(const std::string& text, char* buffer, int size);

// The font a control draws with: its own, else the default GUI font.
HFONT control_font(HFONT font);
// A colour a program set, or the system colour when it left CLR_DEFAULT.
COLORREF color_or(COLORREF color, int system_color);
// Fills a rectangle with a colour.
void fill_solid(HDC dc, const RECT& rect, COLORREF color);
// The scroll bar at the right edge of `client`, when the scroll needs one.
void draw_scroll_bar(HDC dc, const RECT& client, const VerticalScroll& scroll);

// Asks for the whole control to be painted again.
void invalidate_control(HWND hwnd);

// Opens the control's painting for WM_PAINT (begin_paint) and closes it
// (end_paint); 0 when there is nothing to paint into.
HDC begin_control_paint(HWND hwnd, void** token);
void end_control_paint(HWND hwnd, void* token);

// Runs `draw(dc, client)` for WM_PAINT (into the window) or WM_PRINTCLIENT
// (into the DC in wParam, which is how tests and double buffering reach a
// control's drawing).
template <class Draw>
void paint_control(HWND hwnd, UINT message, WPARAM wParam, Draw&& draw) {
    RECT client;
    get_client_rect(hwnd, &client);
    if (message == WM_PRINTCLIENT) {
        draw(static_cast<HDC>(wParam), client);
        return;
    }
    void* token = nullptr;
    HDC dc = begin_control_paint(hwnd, &token);
    if (dc != 0) draw(dc, client);
    end_control_paint(hwnd, token);
}

// Window procedures of the controls.
LRESULT progress_bar_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT list_view_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT tree_view_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT rich_edit_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::controls
