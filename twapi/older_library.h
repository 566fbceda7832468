// The older two-way library ("TWAPI.DLL" in the computer's system folder), the
// route of the printers that neither provider accepts.
//
// It is bound on first need: loaded from the system folder, its twelve
// entry points found by name and its own TWInitialize called. When any step
// fails the route becomes unavailable, and nothing looks for the library
// again until the last TWRelease (release_older_library) makes it available
// once more. The first channels query of a binding starts the notification
// window (older_window.h), which lives until the binding is released.
//
// Its results pass to callers unchanged: it uses the API's own codes.
#pragma once

#include <cstdint>
#include <optional>

namespace twapi {

// The twelve entry points TWAPI2 uses; the thirteenth export of the family,
// TWGetLocal, is not asked of the older library.
struct OlderApi {
    int (*TWInitialize)();
    int (*TWRelease)();
    int (*TWGetDeviceID)(int kind, const char* name, void* buffer, int* size);
    int (*TWGetAvailableChannel)(int kind, const char* name, void* buffer, int* size);
    int (*TWOpenChannel)(int kind, const char* name, int channel);
    int (*TWCloseChannel)(int handle);
    int (*TWSend)(int handle, const void* data, int length);
    int (*TWReceive)(int handle, void* buffer, int* size, int timeout);
    int (*TWReceiveCancel)(int handle);
    int (*TWGetStatus)(int handle, void* buffer, int* size);
    int (*TWSetOption)(int handle, int option, const int* value);
    int (*TWGetOption)(int handle, int option, int* value, unsigned int* size);
};

// The older library's channel count for the name (written into `channels`,
// 128 bytes), or its own negative code; nothing when the library cannot be
// bound (the route is unavailable: -11).
std::optional<int> older_library_channels(int kind, const char* name, void* channels);

// The bound entry points. Only for printers and channels of slot 255, which
// exist only while the library is bound.
const OlderApi& older_api();

// The handle of the notification window, which the older library is given
// in place of a caller's window; 0 when none runs.
std::uint32_t older_notification_window();

// Part of the last TWRelease: stops the notification window, calls the older
// TWRelease, unloads the library and makes the route available again.
void release_older_library();

}  // namespace twapi
