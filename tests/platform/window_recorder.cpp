#include "tests/platform/window_recorder.h"

#include <algorithm>

namespace twtest {

using namespace platform;

Recorder& Recorder::instance() {
    static Recorder r;
    return r;
}

void Recorder::clear() {
    std::lock_guard guard(lock_);
    received_.clear();
    names_.clear();
}

void Recorder::name(HWND hwnd, std::string label) {
    std::lock_guard guard(lock_);
    names_[hwnd] = std::move(label);
}

void Recorder::add(const Received& r) {
    std::lock_guard guard(lock_);
    received_.push_back(r);
}

std::vector<Received> Recorder::received() {
    std::lock_guard guard(lock_);
    return received_;
}

std::vector<std::string> Recorder::sequence(const std::vector<UINT>& only) {
    std::lock_guard guard(lock_);
    std::vector<std::string> out;
    for (const auto& r : received_) {
        if (!only.empty() && std::find(only.begin(), only.end(), r.message) == only.end()) continue;
        auto it = names_.find(r.hwnd);
        out.push_back((it != names_.end() ? it->second : std::to_string(r.hwnd)) + ":" + message_name(r.message));
    }
    return out;
}

LRESULT recording_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorder::instance().add({hwnd, message, wParam, lParam});
    return def_window_proc(hwnd, message, wParam, lParam);
}

std::string message_name(UINT message) {
    static const std::map<UINT, const char*> names = {
        {WM_CREATE, "WM_CREATE"},
        {WM_DESTROY, "WM_DESTROY"},
        {WM_MOVE, "WM_MOVE"},
        {WM_SIZE, "WM_SIZE"},
        {WM_ACTIVATE, "WM_ACTIVATE"},
        {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"},
        {WM_ENABLE, "WM_ENABLE"},
        {WM_SETTEXT, "WM_SETTEXT"},
        {WM_GETTEXT, "WM_GETTEXT"},
        {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
        {WM_CLOSE, "WM_CLOSE"},
        {WM_CANCELMODE, "WM_CANCELMODE"},
        {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
        {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
        {WM_NCCREATE, "WM_NCCREATE"},
        {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
        {WM_TIMER, "WM_TIMER"},
        {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
        {WM_PAINT, "WM_PAINT"},
        {WM_ERASEBKGND, "WM_ERASEBKGND"},
        {WM_NCPAINT, "WM_NCPAINT"},
        {WM_NCHITTEST, "WM_NCHITTEST"},
        {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
        {WM_NCLBUTTONUP, "WM_NCLBUTTONUP"},
        {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"},
        {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
        {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
        {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
        {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
        {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
        {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"},
        {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
        {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
        {WM_RBUTTONUP, "WM_RBUTTONUP"},
        {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
        {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_KEYUP, "WM_KEYUP"},
        {WM_CHAR, "WM_CHAR"},
        {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
        {WM_SYSKEYUP, "WM_SYSKEYUP"},
        {WM_SETFONT, "WM_SETFONT"},
        {WM_GETFONT, "WM_GETFONT"},
        {WM_INITDIALOG, "WM_INITDIALOG"},
        {WM_COMMAND, "WM_COMMAND"},
        {WM_NEXTDLGCTL, "WM_NEXTDLGCTL"},
        {WM_GETDLGCODE, "WM_GETDLGCODE"},
        {WM_DRAWITEM, "WM_DRAWITEM"},
        {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
        {WM_CTLCOLORBTN, "WM_CTLCOLORBTN"},
        {WM_CTLCOLOREDIT, "WM_CTLCOLOREDIT"},
        {WM_CTLCOLORDLG, "WM_CTLCOLORDLG"},
    };
    auto it = names.find(message);
    if (it != names.end()) return it->second;
    if (message >= WM_USER && message < WM_APP) return "WM_USER+" + std::to_string(message - WM_USER);
    return std::to_string(message);
}

}  // namespace twtest
