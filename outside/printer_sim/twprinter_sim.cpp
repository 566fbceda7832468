// twprinter-sim: runs a simulated printer of this printer family and changes
// its state while it runs. See README.md beside this file.
#include <signal.h>
#include <fcntl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "outside/printer_sim/endpoint.h"
#include "outside/printer_sim/printer.h"
#include "outside/printer_sim/sim_connection.h"
#include "outside/printer_sim/sim_server.h"

namespace {

constexpr const char* kUsage =
    "usage: twprinter-sim serve NAME [--model MODEL]  run printer NAME here until stopped\n"
    "       twprinter-sim start NAME [--model MODEL]  the same in the background; returns once it answers\n"
    "       twprinter-sim set NAME KEY=VALUE...       change the running printer's state\n"
    "       twprinter-sim show NAME                   print its state, status reply and device ID\n"
    "       twprinter-sim stop NAME                   end the printer's simulator\n"
    "       twprinter-sim list                        the simulated printers of this computer\n"
    "       twprinter-sim models                      the models it can simulate\n"
    "       twprinter-sim --help\n"
    "Settings (numbers decimal or 0x-hex):\n"
    "  st=N|auto  er=N|none|auto (error=)  ink.NAME=0..252|NA|RE|WE|CI  (NAME: black,\n"
    "  cyan, ..., an index or all)  lowlevel=N  wr=auto|none|N,N..  rv=N|none  tc=N|none\n"
    "  rc=N|none  paperout=0|1  jam=0|1  printing=0|1  busy=MS  silent=0|1  hbm=N\n"
    "  remain.black|remain.color=N|navl|busy|auto\n"
    "  cart.black|cart.color.year|month|ic1|ic2|ik1|ik2|maker=VALUE\n"
    "The computer is the machine root named by TWPRINTER_ROOT; printer NAME listens\n"
    "at <root>/printers/<name>.sock and writes its pid to <root>/printers/<name>.pid.\n"
    "Exit codes: 0 done, 1 failed (e.g. the printer is not running), 2 bad command line.\n";

int usage_error(const std::string& what) {
    std::fprintf(stderr, "twprinter-sim: %s\n(twprinter-sim --help shows the usage)\n", what.c_str());
    return 2;
}

int fail(const platform::Error& e) {
    std::fprintf(stderr, "twprinter-sim: %s\n", e.describe().c_str());
    return 1;
}

enum class Detach { No, Yes };

int serve(const std::string& name, const std::string& model_name, Detach detach = Detach::No) {
    if (auto s = twsim::validate_printer_name(name); !s) return usage_error(s.error().describe());
    const twsim::PrinterModel* model = twsim::find_model(model_name);
    if (!model) return usage_error("unknown model '" + model_name + "' (twprinter-sim models lists them)");

    // Signals become readable bytes for the poll loop, so a stop by pid
    // still removes the socket and the pid file.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stop_signals, nullptr) != 0)
        return fail(platform::errno_error("sigprocmask", "stop signals", errno));
    twsim::UniqueFd signals(::signalfd(-1, &stop_signals, SFD_CLOEXEC));
    if (!signals) return fail(platform::errno_error("signalfd", "stop signals", errno));

    auto server = twsim::SimulatorServer::create(name, *model);
    if (!server) return fail(server.error());
    std::printf("ready: printer %s (%s) at %s, pid %ld\n", name.c_str(), model->device_id.model.c_str(),
                (*server)->socket_file().c_str(), static_cast<long>(::getpid()));
    std::fflush(stdout);
    if (detach == Detach::Yes) {
        // The starter has its answer; let go of its output so that nobody
        // reading it waits for this printer to end.
        int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    platform::Status s = (*server)->run(signals.get());
    if (!s) return fail(s.error());
    return 0;
}

// Runs serve in a new session in the background and returns once the printer
// answers (0) or the background process gave up (its exit code).
int start(const std::string& name, const std::string& model_name) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) return fail(platform::errno_error("pipe2", "start", errno));
    pid_t child = ::fork();
    if (child < 0) return fail(platform::errno_error("fork", "start", errno));
    if (child == 0) {
        ::close(ready[0]);
        ::setsid();
        ::dup2(ready[1], STDOUT_FILENO);
        ::close(ready[1]);
        int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) ::dup2(null, STDIN_FILENO);
        std::exit(serve(name, model_name, Detach::Yes));
    }
    ::close(ready[1]);
    std::string line;
    char c;
    while (::read(ready[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(ready[0]);
    if (line.rfind("ready:", 0) == 0) {
        std::printf("%s\n", line.c_str());
        return 0;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

platform::Result<std::unique_ptr<twsim::SimulatorConnection>> connect(const std::string& name) {
    if (auto s = twsim::validate_printer_name(name); !s) return s.error();
    return twsim::SimulatorConnection::connect(name);
}

int bad_name_or_fail(const platform::Error& e) {
    return e.code == platform::ERROR_INVALID_NAME ? usage_error(e.describe()) : fail(e);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usage_error("missing command");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "serve" || command == "start") {
        std::string model = twsim::printer_models().front().key;
        if (args.size() == 4 && args[2] == "--model") model = args[3];
        else if (args.size() != 2) return usage_error("usage: twprinter-sim " + command + " NAME [--model MODEL]");
        return command == "serve" ? serve(args[1], model) : start(args[1], model);
    }
    if (command == "models" && args.size() == 1) {
        for (const auto& m : twsim::printer_models())
            std::printf("%-12s %s, %zu inks\n", m.key.c_str(), m.device_id.model.c_str(), m.inks.size());
        return 0;
    }
    if (command == "list" && args.size() == 1) {
        auto printers = twsim::list_printers();
        if (!printers) return fail(printers.error());
        for (const auto& p : *printers)
            std::printf("%-24s pid %-8ld %s\n", p.name.c_str(), p.pid, p.answering ? "running" : "not answering");
        return 0;
    }
    if (command == "set") {
        if (args.size() < 3) return usage_error("usage: twprinter-sim set NAME KEY=VALUE...");
        for (std::size_t i = 2; i < args.size(); ++i)
            if (args[i].find('=') == std::string::npos) return usage_error("'" + args[i] + "' is not KEY=VALUE");
        auto c = connect(args[1]);
        if (!c) return bad_name_or_fail(c.error());
        platform::Status s = (*c)->set({args.begin() + 2, args.end()});
        if (!s) {
            auto refused = twsim::wire_result_of(s.error());
            return refused == twsim::WireResult::BadControl ? usage_error(s.error().describe()) : fail(s.error());
        }
        return 0;
    }
    if ((command == "show" || command == "stop") && args.size() == 2) {
        auto c = connect(args[1]);
        if (!c) return bad_name_or_fail(c.error());
        if (command == "stop") {
            platform::Status s = (*c)->stop();
            return s ? 0 : fail(s.error());
        }
        auto text = (*c)->show();
        if (!text) return fail(text.error());
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    return usage_error("bad command line for '" + command + "'");
}
