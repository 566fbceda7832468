// A client's connection to one simulated printer: what the local-port
// provider uses to carry its requests, and what the control tool and tests
// use to read and change the printer.
//
// Requests (device ID, send, status) return as soon as the printer took them;
// the printer's reply comes later through receive(), carrying the request id
// the caller chose, in the order the printer answered. The other calls wait
// for the printer's answer, which comes at once.
//
// Threads: every call may be made from any thread at the same time; one or
// more threads may block in receive() while others make requests.
// cancel_receive() makes every blocked receive() return ReceiveCancelled at
// once, and every later one too: it is the end of this connection's receiving.
//
// Errors are platform::Error values. Codes with bit 29 set are the printer's
// refusals (WireResult, see wire_result_of); besides those:
//   ERROR_FILE_NOT_FOUND   no simulated printer of that name is running
//   ERROR_BROKEN_PIPE      the printer went away (it was stopped or died)
//   kReceiveCancelled      cancel_receive() was called
//   ERROR_TIMEOUT          receive() with a time limit found nothing
//
// Replies nobody fetches are kept up to kMaxKeptReplies; beyond that the
// oldest are dropped, so a caller that never receives does not grow the
// process without bound.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outside/printer_sim/wire.h"
#include "platform/win_error.h"

namespace twsim {

inline constexpr platform::WinError kReceiveCancelled = 995;  // ERROR_OPERATION_ABORTED
inline constexpr platform::WinError kWireResultBit = 0x20000000;
inline constexpr std::size_t kMaxKeptReplies = 1024;

// The printer's refusal carried by an error, if it is one.
std::optional<WireResult> wire_result_of(const platform::Error& e);

// What the printer sent back for an earlier request.
struct PrinterReply {
    std::uint32_t request_id = 0;
    std::uint32_t channel = 0;
    Bytes data;
};

class SimulatorConnection {
public:
    // Connects to the running simulator of printer `name` on this computer.
    static platform::Result<std::unique_ptr<SimulatorConnection>> connect(std::string_view name);
    static platform::Result<std::unique_ptr<SimulatorConnection>> connect_path(const std::filesystem::path& socket);
    ~SimulatorConnection();  // cancels receiving, closes the socket, joins the reader
    SimulatorConnection(const SimulatorConnection&) = delete;
    SimulatorConnection& operator=(const SimulatorConnection&) = delete;

    platform::Result<std::vector<ChannelEntry>> channels();
    platform::Status open_channel(std::uint32_t channel);
    platform::Status close_channel(std::uint32_t channel);

    // Asynchronous requests: the reply comes through receive().
    platform::Status request_device_id(std::uint32_t request_id);
    // Returns the number of bytes the printer took.
    platform::Result<std::int32_t> send(std::uint32_t request_id, std::uint32_t channel,
                                        std::span<const std::uint8_t> bytes);
    platform::Status request_status(std::uint32_t request_id, std::uint32_t channel);

    // Blocks until a reply is there, cancel_receive() is called, the printer
    // goes away, or the time limit passes (none: wait without limit).
    platform::Result<PrinterReply> receive(std::optional<std::chrono::milliseconds> limit = std::nullopt);
    void cancel_receive();

    // Control of the simulated printer (see printer.h for the assignments).
    platform::Status set(const std::vector<std::string>& assignments);
    platform::Result<std::string> show();
    platform::Status stop();

    // Replies dropped because nobody fetched them (kMaxKeptReplies).
    std::uint64_t dropped_replies() const;

private:
    struct Inner;
    explicit SimulatorConnection(std::shared_ptr<Inner> inner);
    platform::Result<Frame> call(FrameKind kind, std::uint32_t request_id, std::uint32_t channel,
                                 std::span<const std::uint8_t> payload);

    std::shared_ptr<Inner> inner_;
};

}  // namespace twsim
