// Processes on Linux: posix_spawn to start, a pidfd to name the child
// without racing pid reuse, and one reaper thread per child that sleeps in
// waitid() until the child ends, then publishes the exit code and sets the
// handle's signal. The pidfd lets terminate_process() kill exactly our child
// even if it ended and was reaped a moment before.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/waitable.h"

extern char** environ;

namespace platform {
namespace {

constexpr idtype_t kPidfdIdType = static_cast<idtype_t>(3);  // P_PIDFD

Error fail(Error error) {
    error.make_last();
    return error;
}

class ProcessObject final : public KernelObject {
public:
    ProcessObject(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
    ObjectKind kind() const override { return ObjectKind::Process; }
    Waitable* waitable() override { return &ended_; }

    std::uint32_t pid() const { return static_cast<std::uint32_t>(pid_); }
    std::uint32_t exit_code() const { return exit_code_.load(std::memory_order_acquire); }

    // Runs on the reaper thread until the child has ended.
    void reap() {
        siginfo_t info{};
        int rc;
        while ((rc = ::waitid(kPidfdIdType, static_cast<id_t>(pidfd_), &info, WEXITED)) != 0 && errno == EINTR) {
        }
        std::uint32_t code = 0xFFFFFFFFu;  // someone else collected it: status unknown
        bool killed = false;
        if (rc == 0) {
            killed = info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED;
            code = static_cast<std::uint32_t>(killed ? 128 + info.si_status : info.si_status);
        }
        {
            std::lock_guard guard(lock_);
            if (terminated_ && killed && info.si_status == SIGKILL) code = terminate_code_;
            ::close(pidfd_);
            pidfd_ = -1;
            exit_code_.store(code, std::memory_order_release);
        }
        ended_.set();
    }

    Status terminate(std::uint32_t code) {
        std::lock_guard guard(lock_);
        if (pidfd_ < 0) return fail(Error{ERROR_ACCESS_DENIED, "the process has ended"});
        terminated_ = true;
        terminate_code_ = code;
        if (::syscall(SYS_pidfd_send_signal, pidfd_, SIGKILL, nullptr, 0) != 0) {
            int err = errno;
            terminated_ = false;
            if (err == ESRCH) return fail(Error{ERROR_ACCESS_DENIED, "the process has ended"});
            return fail(errno_error("pidfd_send_signal", std::to_string(pid_), err));
        }
        return {};
    }

private:
    const pid_t pid_;
    std::mutex lock_;
    int pidfd_;  // -1 once reaped
    bool terminated_ = false;
    std::uint32_t terminate_code_ = 0;
    std::atomic<std::uint32_t> exit_code_{STILL_ACTIVE};
    SignalOnce ended_;
};

std::string_view entry_name(std::string_view entry) { return entry.substr(0, entry.find('=')); }

std::vector<std::string> child_environment(const ProcessOptions& options, std::string_view command_line) {
    std::vector<std::string> added = options.environment;
    added.push_back("TWPRINTER_COMMAND_LINE=" + std::string(command_line));
    added.push_back("TWPRINTER_SHOW_WINDOW=" + std::to_string(static_cast<std::uint32_t>(options.show)));
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string_view name = entry_name(*e);
        bool replaced = false;
        for (const auto& a : added) replaced = replaced || entry_name(a) == name;
        if (!replaced) env.emplace_back(*e);
    }
    env.insert(env.end(), added.begin(), added.end());
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// posix_spawn's attributes and file actions, released on every path.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

Result<ProcessInfo> create_process(std::string_view command_line, const ProcessOptions& options) {
    std::vector<std::string> args = split_command_line(command_line);
    if (args.empty()) return fail(Error{ERROR_INVALID_PARAMETER, "empty command line"});
    auto program = find_program(args[0]);
    if (!program) return program.error();

    SpawnSetup setup;
    std::string folder;
    if (!options.current_directory.empty()) {
        auto host = to_host_path(options.current_directory);
        if (!host) return fail(host.error());
        struct stat st;
        if (::stat(host->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return fail(Error{ERROR_DIRECTORY, "no folder " + options.current_directory});
        folder = host->string();
        posix_spawn_file_actions_addchdir_np(&setup.actions, folder.c_str());
    }
    // Only the standard three descriptors go to the child, whatever other
    // threads of ours have open without close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> env = child_environment(options, command_line);
    auto argv = pointers(args);
    auto envp = pointers(env);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program->c_str(), &setup.actions, &setup.attributes, argv.data(), envp.data());
    if (rc != 0) return fail(errno_error("posix_spawn", *program, rc));

    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        int err = errno;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return fail(errno_error("pidfd_open", *program, err));
    }
    auto process = std::make_shared<ProcessObject>(pid, pidfd);
    // The reaper owns a reference, so the child is collected even when every
    // handle to it is closed first.
    std::thread([process] { process->reap(); }).detach();
    Handle handle = insert_handle(process);
    if (handle == kNullHandle) return fail(Error{ERROR_NOT_ENOUGH_MEMORY, "the handle table is full"});
    return ProcessInfo{handle, process->pid()};
}

Result<std::uint32_t> get_exit_code_process(Handle handle) {
    auto process = lookup_handle_as<ProcessObject>(handle);
    if (!process) return fail(Error{ERROR_INVALID_HANDLE, "not a process handle"});
    return process->exit_code();
}

Status terminate_process(Handle handle, std::uint32_t exit_code) {
    auto process = lookup_handle_as<ProcessObject>(handle);
    if (!process) return fail(Error{ERROR_INVALID_HANDLE, "not a process handle"});
    return process->terminate(exit_code);
}

std::uint32_t wait_for_process(Handle handle, std::uint32_t timeout_ms) {
    if (!lookup_handle_as<ProcessObject>(handle)) return WAIT_FAILED;
    return wait_for_single_object(handle, timeout_ms);
}

std::uint32_t get_process_id(Handle handle) {
    auto process = lookup_handle_as<ProcessObject>(handle);
    return process ? process->pid() : 0;
}

std::uint32_t get_current_process_id() { return static_cast<std::uint32_t>(::getpid()); }

const std::string& get_command_line() {
    static const std::string line = [] {
        std::ifstream in("/proc/self/cmdline", std::ios::binary);
        std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> args;
        for (size_t pos = 0; pos < raw.size();) {
            size_t end = raw.find('\0', pos);
            if (end == std::string::npos) end = raw.size();
            args.emplace_back(raw.substr(pos, end - pos));
            pos = end + 1;
        }
        if (const char* given = std::getenv("TWPRINTER_COMMAND_LINE"))
            if (split_command_line(given) == args) return std::string(given);
        return join_command_line(args);
    }();
    return line;
}

}  // namespace platform
