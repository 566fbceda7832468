// twspool: the printers of a simulated computer (its spooler), and the one
// command that puts a simulated printer on it: spooler entry, the local-port
// provider's port, the routing and provider keys TWAPI2 reads, and the
// simulator process itself; and the one that puts a printer behind the older
// two-way library: its printer mapping, the library in the computer's system
// folder, and the simulator.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "outside/lptprov/lpt_config.h"
#include "outside/older_twapi/older_config.h"
#include "outside/printer_sim/printer.h"
#include "outside/printer_sim/sim_connection.h"
#include "platform/machine_root.h"
#include "platform/paths.h"
#include "platform/spooler.h"

namespace {

constexpr const char* kUsage =
    "usage: twspool list                     the printers of the computer and their ports\n"
    "       twspool show NAME                one printer's level-2 information\n"
    "       twspool add-sim NAME [--port PORT] [--model MODEL] [--share SHARE] [--no-start]\n"
    "                                        add a simulated printer: the spooler entry (port\n"
    "                                        SIMn: unless given), the provider's port mapping,\n"
    "                                        the routing and provider keys, and start its\n"
    "                                        simulator unless it runs (or --no-start)\n"
    "       twspool add-older NAME [--sim SIMULATOR] [--model MODEL] [--no-start]\n"
    "                                        a printer only the older two-way library reaches:\n"
    "                                        NAME (a printer name, or a port name such as\n"
    "                                        \\\\SERVER\\share) leads to a simulated printer\n"
    "                                        (SIMULATOR, default NAME without its backslashes),\n"
    "                                        TWAPI.DLL goes into the system folder, and the\n"
    "                                        simulator starts unless it runs (or --no-start)\n"
    "       twspool add NAME --port PORT --driver DRIVER [--share SHARE]\n"
    "                                        a local printer on any port\n"
    "       twspool connect \\\\SERVER\\NAME [--port PORT] [--share SHARE] [--driver DRIVER]\n"
    "                                        the user's connection to another computer's printer\n"
    "       twspool remove NAME              delete a printer or connection (and its port mapping)\n"
    "       twspool --help\n"
    "The computer is the machine root named by TWPRINTER_ROOT (default:\n"
    "$XDG_DATA_HOME/twprinter or ~/.local/share/twprinter).\n"
    "Exit codes: 0 done, 1 failed, 2 bad command line.\n";

int usage_error(const std::string& what) {
    std::fprintf(stderr, "twspool: %s\n%s", what.c_str(), kUsage);
    return 2;
}

int fail(const platform::Error& e) {
    std::fprintf(stderr, "twspool: %s\n", e.describe().c_str());
    return 1;
}

struct Options {
    std::vector<std::string> words;
    std::string port, model = "kestrel-800", share, driver, sim;
    bool start = true;
};

// Splits the arguments after the command into words and --options; false on a
// malformed option (message printed).
bool parse(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        auto take = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (a == "--port") { if (!take(o.port)) return false; }
        else if (a == "--model") { if (!take(o.model)) return false; }
        else if (a == "--share") { if (!take(o.share)) return false; }
        else if (a == "--driver") { if (!take(o.driver)) return false; }
        else if (a == "--sim") { if (!take(o.sim)) return false; }
        else if (a == "--no-start") o.start = false;
        else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else o.words.push_back(a);
    }
    return true;
}

void print_info(const platform::PrinterInfo2& p) {
    std::printf("%s\n  server: %s\n  share:  %s\n  port:   %s\n  driver: %s\n  attributes: 0x%x  status: 0x%x\n",
                p.printer_name.c_str(), p.server_name.c_str(), p.share_name.c_str(), p.port_name.c_str(),
                p.driver_name.c_str(), p.attributes, p.status);
}

int list() {
    auto printers = platform::enum_printers(platform::PRINTER_ENUM_LOCAL | platform::PRINTER_ENUM_CONNECTIONS, 2);
    if (!printers) return fail(printers.error());
    for (const auto& p : *printers) {
        std::string target;
        if (p.server_name.empty()) {
            auto sim = lptprov::simulator_of_port(p.port_name);
            if (sim) target = "  -> simulated printer \"" + *sim + "\"";
        }
        std::printf("%-28s %-10s %s%s\n", p.printer_name.c_str(), p.port_name.c_str(), p.driver_name.c_str(),
                    target.c_str());
    }
    for (const auto& [name, simulator] : oldtwapi::mapped_printers())
        std::printf("%-28s (older two-way library)  -> simulated printer \"%s\"\n", name.c_str(), simulator.c_str());
    return 0;
}

bool simulator_running(const std::string& name) { return static_cast<bool>(twsim::SimulatorConnection::connect(name)); }

// Runs "twprinter-sim start NAME --model MODEL", which returns once the
// printer answers; its exit code.
int start_simulator(const std::string& name, const std::string& model) {
    std::fflush(stdout);
    pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        std::vector<const char*> argv{TWPRINTER_SIM_PROGRAM, "start", name.c_str(), "--model", model.c_str(), nullptr};
        ::execv(TWPRINTER_SIM_PROGRAM, const_cast<char* const*>(argv.data()));
        std::perror("twspool: execv " TWPRINTER_SIM_PROGRAM);
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts the simulated printer unless it runs (or says how, with --no-start).
int ensure_simulator(const std::string& name, const twsim::PrinterModel& model, bool start) {
    if (simulator_running(name)) {
        std::printf("The simulated printer is running.\n");
        return 0;
    }
    if (!start) {
        std::printf("Start its simulator with:\n  %s start \"%s\" --model %s\n", TWPRINTER_SIM_PROGRAM, name.c_str(),
                    model.key.c_str());
        return 0;
    }
    int rc = start_simulator(name, model.key);
    if (rc != 0) {
        std::fprintf(stderr, "twspool: the simulator did not start (exit code %d); try:\n  %s serve \"%s\" --model %s\n", rc,
                     TWPRINTER_SIM_PROGRAM, name.c_str(), model.key.c_str());
        return 1;
    }
    return 0;
}

// A simulated printer's name from a printer or port name: "\\ATTIC\Old"
// gives "ATTIC Old".
std::string simulator_name_of(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\\') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

int add_sim(const Options& o) {
    if (o.words.size() != 1) return usage_error("add-sim takes one printer name");
    const std::string& name = o.words[0];
    const twsim::PrinterModel* model = twsim::find_model(o.model);
    if (!model) return usage_error("unknown model '" + o.model + "' (twprinter-sim models lists them)");
    if (auto root = platform::ensure_machine_root(); !root) return fail(root.error());

    std::string port;
    if (auto existing = platform::Printer::open(name)) {
        auto info = existing->get_printer(2);
        if (!info) return fail(info.error());
        if (!info->server_name.empty()) return fail({platform::ERROR_INVALID_PRINTER_NAME, name + " is a connection"});
        port = info->port_name;
        std::printf("Printer \"%s\" is already there, on port %s.\n", info->printer_name.c_str(), port.c_str());
    } else {
        port = o.port.empty() ? lptprov::free_sim_port() : o.port;
        platform::Status added = platform::add_printer(
            {.printer_name = name, .share_name = o.share, .port_name = port, .driver_name = model->device_id.description});
        if (!added) return fail(added.error());
        std::printf("Added printer \"%s\" on port %s (driver %s).\n", name.c_str(), port.c_str(),
                    model->device_id.description.c_str());
    }
    if (auto s = lptprov::map_port(port, name); !s) return fail(s.error());
    if (auto s = lptprov::register_provider(TWP_LPT_PROVIDER); !s) return fail(s.error());
    std::printf("Port %s leads to the simulated printer \"%s\"; the local-port provider is\n"
                "registered for TWAPI2 (%s).\n",
                port.c_str(), name.c_str(), TWP_LPT_PROVIDER);
    return ensure_simulator(name, *model, o.start);
}

int add_older(const Options& o) {
    if (o.words.size() != 1) return usage_error("add-older takes one printer or port name");
    const std::string& name = o.words[0];
    const twsim::PrinterModel* model = twsim::find_model(o.model);
    if (!model) return usage_error("unknown model '" + o.model + "' (twprinter-sim models lists them)");
    const std::string simulator = o.sim.empty() ? simulator_name_of(name) : o.sim;
    if (simulator.empty()) return usage_error("add-older needs --sim for that name");
    if (auto root = platform::ensure_machine_root(); !root) return fail(root.error());

    if (auto s = oldtwapi::map_printer(name, simulator); !s) return fail(s.error());
    auto system = platform::system_directory_host_path();
    if (!system) return fail(system.error());
    // TWAPI2 loads the older library from the system folder only.
    std::filesystem::path installed = *system / "TWAPI.so";
    std::error_code ec;
    std::filesystem::remove(installed, ec);
    std::filesystem::create_symlink(TWP_OLDER_LIBRARY, installed, ec);
    if (ec) return fail({platform::ERROR_ACCESS_DENIED, "cannot install " + installed.string() + ": " + ec.message()});
    std::printf("\"%s\" is a printer of the older two-way library, the simulated printer \"%s\";\n"
                "the library is installed as %s.\n",
                name.c_str(), simulator.c_str(), installed.c_str());
    return ensure_simulator(simulator, *model, o.start);
}

int add(const Options& o) {
    if (o.words.size() != 1) return usage_error("add takes one printer name");
    platform::Status s = platform::add_printer(
        {.printer_name = o.words[0], .share_name = o.share, .port_name = o.port, .driver_name = o.driver});
    return s ? 0 : fail(s.error());
}

int connect(const Options& o) {
    if (o.words.size() != 1) return usage_error("connect takes one \\\\SERVER\\NAME");
    const std::string& full = o.words[0];
    auto slash = full.find('\\', 2);
    if (full.rfind("\\\\", 0) != 0 || slash == std::string::npos) return usage_error("connect takes \\\\SERVER\\NAME");
    platform::Status s = platform::add_printer_connection({.server_name = full.substr(0, slash),
                                                            .printer_name = full.substr(slash + 1),
                                                            .share_name = o.share,
                                                            .port_name = o.port,
                                                            .driver_name = o.driver,
                                                            .attributes = o.share.empty() ? 0u : platform::PRINTER_ATTRIBUTE_SHARED});
    return s ? 0 : fail(s.error());
}

int remove(const Options& o) {
    if (o.words.size() != 1) return usage_error("remove takes one printer name");
    const std::string& name = o.words[0];
    auto open = platform::Printer::open(name);
    if (!open) return fail(open.error());
    auto info = open->get_printer(2);
    if (!info) return fail(info.error());
    if (!info->server_name.empty()) {
        platform::Status s = platform::delete_printer_connection(info->printer_name);
        return s ? 0 : fail(s.error());
    }
    platform::Status s = platform::delete_printer(info->printer_name);
    if (!s) return fail(s.error());
    // The port goes with the printer only when no other printer uses it.
    auto others = platform::enum_printers(platform::PRINTER_ENUM_LOCAL, 2);
    bool shared_port = false;
    if (others)
        for (const auto& p : *others) shared_port = shared_port || p.port_name == info->port_name;
    if (!shared_port && lptprov::simulator_of_port(info->port_name)) (void)lptprov::unmap_port(info->port_name);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage_error("missing command");
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options o;
    std::string error;
    if (!parse(argc, argv, o, error)) return usage_error(error);
    if (command == "list" && o.words.empty()) return list();
    if (command == "show" && o.words.size() == 1) {
        auto p = platform::Printer::open(o.words[0]);
        if (!p) return fail(p.error());
        auto info = p->get_printer(2);
        if (!info) return fail(info.error());
        print_info(*info);
        return 0;
    }
    if (command == "add-sim") return add_sim(o);
    if (command == "add-older") return add_older(o);
    if (command == "add") return add(o);
    if (command == "connect") return connect(o);
    if (command == "remove") return remove(o);
    return usage_error("bad command line for '" + command + "'");
}
