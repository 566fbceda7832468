// Each thread keeps its chain newest first. Handles are unique in the
// process, so a hook handle from another thread is simply not found.
#include "platform/hooks.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/thread.h"
#include "platform/win_error.h"

namespace platform {
namespace {

struct Hook {
    HHOOK handle = 0;
    HOOKPROC proc = nullptr;
};

thread_local std::vector<Hook> chain;  // newest first
std::atomic<HHOOK> next_handle{0x100};

}  // namespace

HHOOK set_windows_hook_ex(int id, HOOKPROC proc, std::uint32_t, std::uint32_t thread_id) {
    if (id != WH_MSGFILTER) {
        set_last_error(ERROR_INVALID_HOOK_FILTER);
        return 0;
    }
    if (!proc || (thread_id != 0 && thread_id != current_thread_id())) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const HHOOK h = next_handle.fetch_add(1);
    chain.insert(chain.begin(), Hook{h, proc});
    return h;
}

bool unhook_windows_hook_ex(HHOOK hook) {
    auto it = std::find_if(chain.begin(), chain.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == chain.end()) {
        set_last_error(ERROR_INVALID_HOOK_HANDLE);
        return false;
    }
    chain.erase(it);
    return true;
}

LRESULT call_next_hook_ex(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    auto it = std::find_if(chain.begin(), chain.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == chain.end() || it + 1 == chain.end()) return 0;
    // Copied out first: the hook may unhook itself or others while it runs.
    const Hook next = *(it + 1);
    return next.proc(code, wParam, lParam);
}

bool call_msg_filter(MSG* msg, int code) {
    if (!msg || chain.empty()) return false;
    const Hook first = chain.front();
    return first.proc(code, 0, reinterpret_cast<LPARAM>(msg)) != 0;
}

}  // namespace platform
