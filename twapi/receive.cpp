// A reply reaches its caller in one of two ways. Without a window the caller
// waits on its own thread: it polls the slot's reply list and sleeps on the
// slot's auto-reset event in 500 ms slices (5000 ms for device IDs), so a
// wake-up taken by another waiter of the same slot costs at most one slice.
// With a window the caller polls once and otherwise leaves a registration;
// the receive thread turns it into a posted message when the reply comes.
//
// The size protocol asks for a reply without a buffer first; the needed size
// comes back as "too small", a buffer of that size fetches the reply, and a
// reply that does not fit the caller's buffer is kept on the printer record
// for the caller's next call.
#include "twapi/receive.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/tick.h"
#include "platform/wait.h"
#include "twapi/globals.h"
#include "twapi/provider.h"
#include "twapi/result_codes.h"

namespace twapi {

namespace {

CRcv& receiver_of(int slot) { return *globals().receivers[slot]; }

int channel_wait(ChannelRecord& channel, void* buffer, int* size, int timeout) {
    CRcv& receiver = receiver_of(channel.slot);
    const std::uint32_t start = platform::get_tick_count();
    for (;;) {
        if (channel.cancel_mark.load() != 0) return TW_TIMEOUT;
        int result = receiver.replies().poll(channel.request_id, buffer, size);
        if (result != 0) return translate_provider_code(result);
        if (timeout != kNoTimeout && platform::get_tick_count() - start > static_cast<std::uint32_t>(timeout))
            return TW_TIMEOUT;
        platform::wait_for_single_object(receiver.event(), kChannelWaitSlice);
    }
}

void clear_request(ChannelRecord& channel) {
    channel.request_id = 0;
    channel.pending_kind = PendingKind::None;
}

// The reply to the channel's pending request. API codes; -4 leaves the
// request pending for the caller's next call with a buffer.
int read_pending(ChannelRecord& channel, void* buffer, int* size, int timeout) {
    CRcvDataList& replies = receiver_of(channel.slot).replies();
    const bool status = channel.pending_kind == PendingKind::Status;
    const std::uint32_t window = status ? channel.status_window : channel.read_window;
    const std::uint32_t message = status ? channel.status_message : channel.read_message;
    const int request_id = channel.request_id;
    const int nothing_yet = status ? 0 : TW_PENDING_READ;

    if (window == 0) {
        int result = channel_wait(channel, buffer, size, timeout);
        if (result == TW_BUFFER_TOO_SMALL) return result;
        // Ended: a reply that comes after a time-out or cancel is not wanted.
        if (result == TW_TIMEOUT) replies.abandon(request_id);
        else if (result < 0) replies.remove(request_id);
        clear_request(channel);
        return result;
    }

    int result = replies.poll(request_id, buffer, size);
    if (result == 0) {
        if (request_id == 0) return nothing_yet;
        RegisterOutcome outcome = replies.add_registration(request_id, window, message, channel.handle);
        if (outcome != RegisterOutcome::ReplyPresent) return nothing_yet;
        // The reply came between the poll and the registration: no message
        // will follow, so hand it over now.
        result = replies.poll(request_id, buffer, size);
        if (result == 0) return nothing_yet;
    }
    result = translate_provider_code(result);
    if (result == TW_BUFFER_TOO_SMALL) return result;
    replies.remove(request_id);
    clear_request(channel);
    return result;
}

// The common steps of every fetch with kept reply. `ask` fetches the reply
// (buffer null = only learn its size); `too_small` is the code both `ask`
// and this function use for "buffer too small".
int fetch_with_kept(PrinterRecord& printer, KeptKind kind, void* buffer, int* size, int too_small,
                    const std::function<int(void*, int*)>& ask) {
    {
        std::lock_guard guard(printer.kept_lock);
        if (printer.kept_kind == kind) {
            if (*size < printer.kept_length || (buffer == nullptr && printer.kept_length > 0)) {
                *size = printer.kept_length;
                return too_small;
            }
            if (printer.kept_length > 0) std::memcpy(buffer, printer.kept_bytes.data(), printer.kept_bytes.size());
            *size = printer.kept_length;
            int result = printer.kept_result;
            printer.kept_kind = KeptKind::None;
            printer.kept_length = 0;
            printer.kept_bytes = {};
            printer.kept_result = 0;
            return result;
        }
        printer.kept_kind = KeptKind::None;
        printer.kept_length = 0;
        printer.kept_bytes = {};
        printer.kept_result = 0;
    }

    int needed = 0;
    int answer = ask(nullptr, &needed);
    std::vector<std::uint8_t> reply;
    int length = 0;
    if (answer == too_small) {
        reply.resize(static_cast<std::size_t>(std::max(needed, 1)));
        length = needed;
        answer = ask(reply.data(), &length);
    }
    if (answer < 0) return answer;
    length = std::clamp(length, 0, static_cast<int>(reply.size()));

    if (*size < length || (buffer == nullptr && length > 0)) {
        std::lock_guard guard(printer.kept_lock);
        reply.resize(static_cast<std::size_t>(length));
        printer.kept_kind = kind;
        printer.kept_length = length;
        printer.kept_bytes = std::move(reply);
        printer.kept_result = answer;
        *size = length;
        return too_small;
    }
    if (length > 0) std::memcpy(buffer, reply.data(), static_cast<std::size_t>(length));
    *size = length;
    return answer;
}

}  // namespace

int fetch_channel_reply(ChannelRecord& channel, KeptKind kind, void* buffer, int* size, int timeout,
                        const std::function<int()>& make_request) {
    return fetch_with_kept(*channel.printer, kind, buffer, size, TW_BUFFER_TOO_SMALL, [&](void* into, int* into_size) {
        // The request goes out only when no kept reply answered.
        if (make_request) {
            int made = make_request();
            if (made < 0) return made;
        }
        return read_pending(channel, into, into_size, timeout);
    });
}

int fetch_device_id(PrinterRecord& printer, const std::function<int()>& make_request, void* buffer, int* size) {
    CRcv& receiver = receiver_of(printer.slot);
    int request_id = 0;
    return fetch_with_kept(printer, KeptKind::DeviceId, buffer, size, kProviderBufferTooSmall,
                           [&](void* into, int* into_size) {
                               // The request goes out only when no kept reply answered.
                               if (request_id == 0) {
                                   int made = make_request();
                                   if (made <= 0) return made == kProviderBufferTooSmall ? kProviderFailed : made;
                                   request_id = made;
                               }
                               // No time-out and no cancel: only the reply ends this wait.
                               int result = receiver.replies().poll(request_id, into, into_size);
                               while (result == 0) {
                                   platform::wait_for_single_object(receiver.event(), kDeviceIdWaitSlice);
                                   result = receiver.replies().poll(request_id, into, into_size);
                               }
                               if (result < 0 && result != kProviderBufferTooSmall)
                                   receiver.replies().remove(request_id);
                               return result;
                           });
}

int fetch_older_reply(PrinterRecord& printer, KeptKind kind, void* buffer, int* size,
                      const std::function<int(void*, int*)>& ask) {
    return fetch_with_kept(printer, kind, buffer, size, TW_BUFFER_TOO_SMALL, ask);
}

}  // namespace twapi
