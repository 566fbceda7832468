// The thirteen exports of TWAPI2, bound by name from a loaded module, for the
// programs and tests of this tree that use the API as an application does
// (load the library, find the exports, call them).
#pragma once

#include <string>

#include "platform/library.h"

namespace twapi {

struct ApiBinding {
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
    int (*TWGetLocal)(const char* name);
};

// Every export found, or the error of the first one missing.
inline platform::Result<ApiBinding> bind_api(platform::Handle module) {
    ApiBinding api{};
    platform::Error missing;
    bool ok = true;
    auto bind = [&](const char* name, auto& slot) {
        if (!ok) return;
        auto p = platform::get_proc_as<std::remove_pointer_t<std::remove_reference_t<decltype(slot)>>>(module, name);
        if (p)
            slot = *p;
        else {
            missing = p.error();
            ok = false;
        }
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
    bind("TWGetLocal", api.TWGetLocal);
    if (!ok) return missing;
    return api;
}

}  // namespace twapi
