// A client's connection to one simulated printer: what the local-port
// provider uses to carry its requests, and what the control tool and tests
// use to read and change the printer.
//
// Requests (device ID, send, status) return as soon as the printer took them;
// the printer's reply comes later through the connection's reply queue,
// carrying the request id the caller chose, in the order the printer
// answered. The other calls wait for the printer's answer, which comes at once.
//
// Several connections may share one ReplyQueue (one receiving thread for all
// printers); a connection made without one has its own. When a printer goes
// away, every request it had taken and not answered yet gets a reply with
// error ERROR_BROKEN_PIPE, so that a receiver waiting for it learns it failed.
//
// Threads: every call may be made from any thread at the same time; one or
// more threads may block in receive() while others make requests.
// cancel_receive() cancels the reply queue (see reply_queue.h).
//
// Errors are platform::Error values. Codes with bit 29 set are the printer's
// refusals (WireResult, see wire_result_of); besides those:
//   ERROR_FILE_NOT_FOUND   no simulated printer of that name is running
//   ERROR_BROKEN_PIPE      the printer went away (it was stopped or died)
//   kReceiveCancelled      cancel_receive() was called
//   ERROR_TIMEOUT          receive() with a time limit found nothing
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

#include "outside/printer_sim/reply_queue.h"
#include "outside/printer_sim/wire.h"
#include "platform/win_error.h"

namespace twsim {

inline constexpr platform::WinError kWireResultBit = 0x20000000;
// Requests remembered as waiting for their reply; beyond this the oldest are
// forgotten (a silent printer polled for ever must not grow the process).
inline constexpr std::size_t kMaxOutstanding = 4096;

// The printer's refusal carried by an error, if it is one.
std::optional<WireResult> wire_result_of(const platform::Error& e);

class SimulatorConnection {
public:
    // Connects to the running simulator of printer `name` on this computer;
    // its replies go to `replies`, or to a queue of its own when null.
    static platform::Result<std::unique_ptr<SimulatorConnection>> connect(
        std::string_view name, std::shared_ptr<ReplyQueue> replies = nullptr);
    static platform::Result<std::unique_ptr<SimulatorConnection>> connect_path(
        const std::filesystem::path& socket, std::shared_ptr<ReplyQueue> replies = nullptr);
    // Closes the socket and joins the reader; cancels the queue only when it
    // is the connection's own.
    ~SimulatorConnection();
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

    // The reply queue's receive() and cancel().
    platform::Result<PrinterReply> receive(std::optional<std::chrono::milliseconds> limit = std::nullopt);
    void cancel_receive();
    const std::shared_ptr<ReplyQueue>& replies() const { return replies_; }

    // Control of the simulated printer (see printer.h for the assignments).
    platform::Status set(const std::vector<std::string>& assignments);
    platform::Result<std::string> show();
    platform::Status stop();

private:
    struct Inner;
    SimulatorConnection(std::unique_ptr<Inner> inner, std::shared_ptr<ReplyQueue> replies, bool own_queue);
    platform::Result<Frame> call(FrameKind kind, std::uint32_t request_id, std::uint32_t channel,
                                 std::span<const std::uint8_t> payload);

    std::unique_ptr<Inner> inner_;
    std::shared_ptr<ReplyQueue> replies_;
    bool own_queue_;
};

}  // namespace twsim
