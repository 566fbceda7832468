// The simulator process's server: one printer, one listening socket, any
// number of clients, all served by one thread with poll(), so the printer
// model needs no locks and the order of events is the order of arrival.
//
// Replies that a busy printer delays wait in a queue ordered by due time;
// replies of one client never overtake each other. A silent printer drops its
// replies, both those it would send now and those already waiting.
//
// A client that sends a frame the decoder refuses (oversized, unknown kind,
// flags set) is disconnected; the printer goes on serving the others.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "outside/printer_sim/endpoint.h"
#include "outside/printer_sim/printer.h"
#include "platform/win_error.h"

namespace twsim {

class SimulatorServer {
public:
    // Listens at the printer's socket and writes its pid file. Fails when a
    // simulator of that name already answers.
    static platform::Result<std::unique_ptr<SimulatorServer>> create(std::string name, const PrinterModel& model);
    ~SimulatorServer();  // removes the socket and the pid file
    SimulatorServer(const SimulatorServer&) = delete;
    SimulatorServer& operator=(const SimulatorServer&) = delete;

    const std::filesystem::path& socket_file() const { return socket_path_; }

    // Serves until a client asks the printer to stop or `stop_fd` becomes
    // readable (the program passes a signalfd for SIGTERM and SIGINT).
    platform::Status run(int stop_fd);

private:
    struct State;
    SimulatorServer(std::string name, const PrinterModel& model, UniqueFd listener, std::filesystem::path socket_path,
                    std::filesystem::path pid_path);

    std::string name_;
    UniqueFd listener_;
    std::filesystem::path socket_path_;
    std::filesystem::path pid_path_;
    std::unique_ptr<State> state_;
};

}  // namespace twsim
