// The scripted test provider: a provider library (ScriptProv.so for the
// local-port slot, ScriptShare.so for the share slot, built from one source)
// whose answers a test sets beforehand and whose calls it reads back.
//
// A test loads the library itself (the loader hands TWAPI2 the same module
// later) and reaches the script through the export ScriptProvControl().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scriptprov {

struct Channel {
    std::int32_t number;
    std::uint8_t attributes[4];
};

enum class Request { DeviceId, Send, Status };

// Result given to an automatic reply: the length of its data.
inline constexpr int kReplyLength = -1000;

struct Call {
    std::string what;         // "connect", "deviceid", "send", "status", "cancel"
    std::string address;      // connect
    int request_id = 0;       // deviceid, send, status
    std::string connection;   // the connection bytes, up to the first zero (deviceid, send, status)
    int channel = 0;          // send, status
    std::string data;         // send
};

class ScriptControl {
public:
    virtual ~ScriptControl() = default;
    // Forgets every answer, reply and recorded call; un-cancels.
    virtual void reset() = 0;
    virtual void set_provider_info_result(int result) = 0;
    // TWPGetConnectInfo for `address`: `result`; on a positive result the
    // connection bytes (a zero is added) and the channels are written.
    // Unknown addresses answer -4.
    virtual void set_connect_answer(const std::string& address, int result, const std::string& connection,
                                    const std::vector<Channel>& channels) = 0;
    // What the request entry point returns (default: 0, send: the length).
    virtual void set_request_result(Request request, int result) = 0;
    // A reply queued for every request of that kind. In `data`, "{ch}" stands
    // for the channel and "{id}" for the request id. Result kReplyLength
    // gives the data's length.
    virtual void set_auto_reply(Request request, int result, const std::string& data) = 0;
    // While held, replies wait until release_held().
    virtual void hold_replies(bool hold) = 0;
    virtual void release_held() = 0;
    virtual void push_reply(int request_id, int result, const std::string& data) = 0;
    // Addresses TWPGetLocal counts as local.
    virtual void set_local(const std::string& address) = 0;

    virtual std::vector<Call> calls() = 0;
    // Buffer sizes TWPReceive was offered, in order.
    virtual std::vector<int> receive_sizes() = 0;
    // Blocks until a TWPReceive call waits for a reply (false after `ms`).
    virtual bool wait_until_receive_blocks(int ms) = 0;
    // Blocks until `count` requests have arrived (false after `ms`).
    virtual bool wait_for_requests(std::size_t count, int ms) = 0;
    virtual int cancel_count() = 0;
    // TWPReceive calls that returned because of the cancel.
    virtual int receives_ended_by_cancel() = 0;
};

}  // namespace scriptprov

extern "C" scriptprov::ScriptControl* ScriptProvControl();
