#include "twapi/older_ports.h"

#include "platform/handle_table.h"
#include "platform/mutex.h"
#include "platform/registry.h"
#include "platform/wait.h"

namespace twapi {

namespace {

// Holds the register's mutex for one access. A mutex left by a process that
// died holding it is taken over: the register is a set of empty subkeys, so
// there is no half-made state to repair.
class RegisterLock {
public:
    RegisterLock() : mutex_(platform::create_mutex(kOldPortsMutex, false)) {
        if (mutex_ == platform::kNullHandle) return;
        std::uint32_t waited = platform::wait_for_single_object(mutex_, platform::kInfinite);
        owned_ = waited == platform::WAIT_OBJECT_0 || waited == platform::WAIT_ABANDONED_0;
    }
    ~RegisterLock() {
        if (owned_) platform::release_mutex(mutex_);
        if (mutex_ != platform::kNullHandle) platform::close_handle(mutex_);
    }
    RegisterLock(const RegisterLock&) = delete;
    RegisterLock& operator=(const RegisterLock&) = delete;

private:
    platform::Handle mutex_;
    bool owned_ = false;
};

}  // namespace

std::optional<std::string> server_of(std::string_view port_or_name) {
    if (port_or_name.size() < 3 || port_or_name.substr(0, 2) != "\\\\") return std::nullopt;
    std::string_view rest = port_or_name.substr(2);
    std::string_view server = rest.substr(0, rest.find('\\'));
    if (server.empty()) return std::nullopt;
    return std::string(server);
}

bool is_older_library_server(std::string_view port_or_name) {
    auto server = server_of(port_or_name);
    if (!server) return false;
    RegisterLock lock;
    auto key = platform::RegKey::create(platform::RootKey::LocalMachine, kOldPortsKey);
    if (!key) return false;
    for (std::uint32_t index = 0;; ++index) {
        auto name = key->key.enum_key(index);
        if (!name) return false;
        if (*name == *server) return true;
    }
}

void register_older_library_server(std::string_view port_or_name) {
    auto server = server_of(port_or_name);
    if (!server) return;
    RegisterLock lock;
    auto key = platform::RegKey::create(platform::RootKey::LocalMachine, std::string(kOldPortsKey) + "\\" + *server);
    (void)key;
}

void unregister_older_library_server(std::string_view port_or_name) {
    auto server = server_of(port_or_name);
    if (!server) return;
    RegisterLock lock;
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, kOldPortsKey);
    if (!key) return;
    (void)key->delete_key(*server);
}

}  // namespace twapi
