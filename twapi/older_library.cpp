#include "twapi/older_library.h"

#include <mutex>
#include <string>

#include "platform/library.h"
#include "platform/machine_root.h"
#include "twapi/older_window.h"

namespace twapi {

namespace {

struct OlderBinding {
    std::mutex lock;  // two threads may resolve names at the same time
    platform::Handle library = platform::kNullHandle;
    OlderApi api{};
    bool available = true;
    NotificationWindow window;
};

OlderBinding& binding() {
    static OlderBinding b;
    return b;
}

// The file the library is loaded from: the system folder and "\TWAPI.DLL".
std::string library_path() {
    auto facts = platform::machine_facts();
    if (!facts) return {};
    return facts->system_directory + "\\TWAPI.DLL";
}

bool bind_entry_points(platform::Handle module, OlderApi& api) {
    bool ok = true;
    auto bind = [&](const char* name, auto& entry) {
        auto found = platform::get_proc_as<std::remove_pointer_t<std::remove_reference_t<decltype(entry)>>>(module, name);
        if (found) entry = *found;
        else ok = false;
    };
    bind("TWInitialize", api.TWInitialize);
    bind("TWRelease", api.TWRelease);
    bind("TWGetDeviceID", api.TWGetDeviceID);
    bind("TWGetAvailableChannel", api.TWGetAvailableChannel);
    bind("TWOpenChannel", api.TWOpenChannel);
    bind("TWCloseChannel", api.TWCloseChannel);
    bind("TWSend", api.TWSend);
    bind("TWReceive", api.TWReceive);
    bind("TWReceiveCancel", api.TWReceiveCancel);
    bind("TWGetStatus", api.TWGetStatus);
    bind("TWSetOption", api.TWSetOption);
    bind("TWGetOption", api.TWGetOption);
    return ok;
}

// Under the binding's lock.
bool bind_locked(OlderBinding& b) {
    if (!b.available) return false;
    if (b.library != platform::kNullHandle) return true;
    std::string path = library_path();
    auto module = path.empty() ? platform::Result<platform::Handle>(platform::Error{platform::ERROR_MOD_NOT_FOUND, ""})
                               : platform::load_library(path);
    if (!module) {
        b.available = false;
        return false;
    }
    if (!bind_entry_points(*module, b.api) || b.api.TWInitialize() < 0) {
        b.api = OlderApi{};
        (void)platform::free_library(*module);
        b.available = false;
        return false;
    }
    b.library = *module;
    return true;
}

}  // namespace

std::optional<int> older_library_channels(int kind, const char* name, void* channels) {
    OlderBinding& b = binding();
    std::lock_guard guard(b.lock);
    if (!bind_locked(b)) return std::nullopt;
    int size = 128;
    int result = b.api.TWGetAvailableChannel(kind, name, channels, &size);
    b.window.start();
    return result;
}

const OlderApi& older_api() { return binding().api; }

std::uint32_t older_notification_window() {
    OlderBinding& b = binding();
    std::lock_guard guard(b.lock);
    return b.window.hwnd();
}

void release_older_library() {
    OlderBinding& b = binding();
    std::lock_guard guard(b.lock);
    if (b.library != platform::kNullHandle) {
        b.window.stop();
        b.api.TWRelease();
        (void)platform::free_library(b.library);
        b.library = platform::kNullHandle;
        b.api = OlderApi{};
    }
    b.available = true;
}

}  // namespace twapi
