#include "platform/machine_root.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr const char* kFactsFile = "machine.ini";

// The defaults of a new computer: Windows 2000, on loopback.
constexpr const char* kDefaultFacts =
    "; The facts of this simulated Windows computer. Edit with care: every\r\n"
    "; process of the computer reads them when this file changes.\r\n"
    "[Machine]\r\n"
    "ComputerName=TWPHOST\r\n"
    "PlatformId=2\r\n"
    "MajorVersion=5\r\n"
    "MinorVersion=0\r\n"
    "BuildNumber=2195\r\n"
    "ServicePack=Service Pack 4\r\n"
    "; Product suites, separated by commas (for example Terminal Server).\r\n"
    "ProductSuite=\r\n"
    "Addresses=127.0.0.1\r\n"
    "BroadcastTargets=127.255.255.255\r\n"
    "WindowsDirectory=C:\\WINNT\r\n"
    "SystemDirectory=C:\\WINNT\\SYSTEM32\r\n"
    "TempDirectory=C:\\TEMP\r\n"
    "TickBias=0\r\n"
    "; The screen's size in pixels.\r\n"
    "ScreenWidth=1024\r\n"
    "ScreenHeight=768\r\n"
    "\r\n"
    "; Drive letters and their folders; relative folders are inside the machine root.\r\n"
    "[Drives]\r\n"
    "A=drives/a\r\n"
    "C=drives/c\r\n"
    "Z=/\r\n";

struct Cache {
    std::mutex lock;
    fs::path root;
    struct timespec mtime {};
    ino_t inode = 0;
    off_t size = -1;
    bool valid = false;
    MachineFacts facts;
};

Cache& cache() {
    static Cache* c = new Cache;
    return *c;
}

std::vector<std::string> list_value(std::string_view v) {
    std::vector<std::string> out;
    for (auto& item : split(v, ','))
        if (auto t = trim(item); !t.empty()) out.emplace_back(t);
    return out;
}

std::uint32_t number(const std::string& text, std::uint32_t fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 0);
    return end && *end == 0 ? static_cast<std::uint32_t>(v) : fallback;
}

MachineFacts read_facts(const fs::path& file) {
    using namespace profile;
    MachineFacts f;
    auto get = [&](const char* key, const char* def = "") { return read_string(file, "Machine", key, def); };
    f.computer_name = get("ComputerName", "TWPHOST");
    f.version.platform_id = number(get("PlatformId"), 2);
    f.version.major = number(get("MajorVersion"), 5);
    f.version.minor = number(get("MinorVersion"), 0);
    f.version.build = number(get("BuildNumber"), 2195);
    f.version.service_pack = get("ServicePack");
    f.version.product_suite = list_value(get("ProductSuite"));
    f.addresses = list_value(get("Addresses", "127.0.0.1"));
    f.broadcast_targets = list_value(get("BroadcastTargets", "127.255.255.255"));
    f.windows_directory = get("WindowsDirectory", "C:\\WINNT");
    f.system_directory = get("SystemDirectory", "C:\\WINNT\\SYSTEM32");
    f.temp_directory = get("TempDirectory", "C:\\TEMP");
    f.tick_bias = number(get("TickBias"), 0);
    f.screen_width = static_cast<int>(std::clamp<std::uint32_t>(number(get("ScreenWidth"), 1024), 1, 16384));
    f.screen_height = static_cast<int>(std::clamp<std::uint32_t>(number(get("ScreenHeight"), 768), 1, 16384));
    for (const auto& letter : key_names(file, "Drives")) {
        if (letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0]))) continue;
        f.drives[ascii_upper(letter[0])] = fs::path(read_string(file, "Drives", letter));
    }
    return f;
}

// Makes a folder named by a Windows path under a drive folder of the root.
void make_windows_folder(const fs::path& root, const MachineFacts& f, const std::string& windows_path) {
    if (windows_path.size() < 3 || windows_path[1] != ':') return;
    auto it = f.drives.find(ascii_upper(windows_path[0]));
    if (it == f.drives.end()) return;
    fs::path dir = it->second.is_absolute() ? it->second : root / it->second;
    if (dir == "/") return;
    std::string rest = windows_path.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    std::error_code ec;
    fs::create_directories(find_case_insensitive(dir / fs::path(rest).relative_path()), ec);
}

// Makes (or finds) the objects folder of a root; see machine_objects_folder.
Result<fs::path> make_objects_folder(const fs::path& root) {
    fs::path link = root / "objects";
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(link, ec))) return link;  // a root without /dev/shm

    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : fs::weakly_canonical(root, ec).string()) h = (h ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "twprinter-%016llx-%u", static_cast<unsigned long long>(h), ::getuid());
    fs::path shm = fs::path("/dev/shm") / name;
    if (::mkdir(shm.c_str(), 0700) != 0 && errno != EEXIST) {
        fs::create_directories(link, ec);
        if (ec) return Error{error_from_errno(ec.value()), "cannot create " + link.string() + ": " + ec.message()};
        return link;
    }
    if (fs::read_symlink(link, ec) != shm) {
        fs::remove(link, ec);
        fs::create_directory_symlink(shm, link, ec);
    }
    return shm;
}


}  // namespace

fs::path machine_root_path() {
    if (const char* r = std::getenv("TWPRINTER_ROOT"); r && *r) return fs::absolute(r);
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return fs::path(x) / "twprinter";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "twprinter";
}

Result<fs::path> ensure_machine_root() {
    fs::path root = machine_root_path();
    fs::path facts_file = root / kFactsFile;
    std::error_code ec;
    if (fs::exists(facts_file, ec) && fs::exists(root / "registry", ec)) return root;

    fs::create_directories(root, ec);
    if (ec) return Error{error_from_errno(ec.value()), "cannot create the machine root " + root.string() + ": " + ec.message()};
    // One creator at a time; the others find the work done.
    int lock = ::open((root / ".create.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock < 0) return errno_error("open", (root / ".create.lock").string(), errno);
    ::flock(lock, LOCK_EX);
    if (!fs::exists(facts_file, ec)) {
        fs::path tmp = root / (std::string(kFactsFile) + ".new");
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out << kDefaultFacts;
        }
        fs::rename(tmp, facts_file, ec);
    }
    MachineFacts f = read_facts(facts_file);
    fs::create_directories(root / "registry", ec);
    for (const auto& [letter, folder] : f.drives)
        if (!folder.is_absolute()) fs::create_directories(root / folder, ec);
    for (const auto* dir : {&f.windows_directory, &f.system_directory, &f.temp_directory})
        make_windows_folder(root, f, *dir);
    ::close(lock);
    return root;
}

Result<fs::path> machine_objects_folder() {
    // Asked on every open of a named object: remembered per root.
    static std::mutex lock;
    static std::map<fs::path, fs::path>* known = new std::map<fs::path, fs::path>;
    fs::path root_path = machine_root_path();
    {
        std::lock_guard guard(lock);
        if (auto it = known->find(root_path); it != known->end()) return it->second;
    }
    auto root = ensure_machine_root();
    if (!root) return root.error();
    auto folder = make_objects_folder(*root);
    if (folder) {
        std::lock_guard guard(lock);
        (*known)[root_path] = *folder;
    }
    return folder;
}

Result<MachineFacts> machine_facts() {
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    fs::path root = machine_root_path();
    fs::path file = root / kFactsFile;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        auto made = ensure_machine_root();
        if (!made) return made.error();
        if (::stat(file.c_str(), &st) != 0) return errno_error("stat", file.string(), errno);
    }
    if (!c.valid || c.root != root || c.inode != st.st_ino || c.size != st.st_size ||
        c.mtime.tv_sec != st.st_mtim.tv_sec || c.mtime.tv_nsec != st.st_mtim.tv_nsec) {
        c.facts = read_facts(file);
        c.root = root;
        c.inode = st.st_ino;
        c.size = st.st_size;
        c.mtime = st.st_mtim;
        c.valid = true;
    }
    return c.facts;
}

Status set_machine_fact(std::string_view key, std::string_view value) {
    auto root = ensure_machine_root();
    if (!root) return root.error();
    fs::path file = *root / kFactsFile;
    Status s = (key.size() == 2 && key[1] == ':')
                   ? profile::write_string(file, "Drives", key.substr(0, 1), value)
                   : profile::write_string(file, "Machine", key, value);
    // A rewrite within the same clock tick keeps size and time: forget the cache.
    std::lock_guard guard(cache().lock);
    cache().valid = false;
    return s;
}

Result<std::vector<std::pair<std::string, std::string>>> machine_fact_lines() {
    auto root = ensure_machine_root();
    if (!root) return root.error();
    fs::path file = *root / kFactsFile;
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& key : profile::key_names(file, "Machine"))
        out.emplace_back(key, profile::read_string(file, "Machine", key));
    for (const auto& letter : profile::key_names(file, "Drives"))
        out.emplace_back(letter + ":", profile::read_string(file, "Drives", letter));
    return out;
}

}  // namespace platform
