// Each process keeps one Hive per hive file: the parsed tree, the identity of
// the file it came from, and an open descriptor on that file. Holding the
// descriptor matters: while the old inode stays alive its number cannot be
// handed to a newer hive file, so "same inode, size and times" really means
// "same file" even when two writers finish within one clock tick.
//
// A Hive's mutex serialises this process's threads; the flock on the hive's
// .lock file serialises processes. Writers never modify the hive file in
// place: they write a temporary file beside it and rename it over the old one.
#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/machine_root.h"
#include "platform/registry_hive.h"
#include "platform/text.h"

namespace platform {

namespace fs = std::filesystem;

namespace registry_detail {

struct Hive {
    std::mutex mutex;
    RootKey root = RootKey::LocalMachine;
    fs::path dir, file, lock_file;

    bool loaded = false;  // tree and identity describe the file on disk
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};
    int held_fd = -1;     // the file the tree came from, kept open (see above)
    hive::Key tree;
    std::optional<Error> broken;

    bool same_file(const struct stat& st) const {
        return loaded && st.st_dev == dev && st.st_ino == ino && st.st_size == size &&
               st.st_mtim.tv_sec == mtime.tv_sec && st.st_mtim.tv_nsec == mtime.tv_nsec &&
               st.st_ctim.tv_sec == ctime.tv_sec && st.st_ctim.tv_nsec == ctime.tv_nsec;
    }
    void remember(int fd, const struct stat& st) {
        if (held_fd >= 0) ::close(held_fd);
        held_fd = fd;
        dev = st.st_dev;
        ino = st.st_ino;
        size = st.st_size;
        mtime = st.st_mtim;
        ctime = st.st_ctim;
        loaded = true;
    }
};

namespace {
long system_write(int fd, const void* data, unsigned long size) { return ::write(fd, data, size); }
std::atomic<WriteFunction> write_function{system_write};
}  // namespace

WriteFunction replace_write_for_testing(WriteFunction write) { return write_function.exchange(write); }

}  // namespace registry_detail

using registry_detail::Hive;

namespace {

constexpr std::size_t kMaxKeyName = 255;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

Error fail(Error e) {
    e.make_last();
    return e;
}

Hive* hive_for(RootKey root) {
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<Hive>> hives;
    fs::path dir = machine_root_path() / "registry";
    fs::path file = dir / (std::string(root_name(root)) + ".reg");
    std::lock_guard guard(lock);
    auto& slot = hives[file.string()];
    if (!slot) {
        slot = std::make_unique<Hive>();
        slot->root = root;
        slot->dir = dir;
        slot->file = file;
        slot->lock_file = dir / (std::string(root_name(root)) + ".lock");
        slot->tree.name = std::string(root_name(root));
    }
    return slot.get();
}

std::vector<std::uint8_t> multi_string_bytes(const std::vector<std::string>& values) {
    std::vector<std::uint8_t> out;
    for (const auto& v : values) {
        out.insert(out.end(), v.begin(), v.end());
        out.push_back(0);
    }
    out.push_back(0);
    return out;
}

hive::Key seed_tree(RootKey root) {
    hive::Key tree;
    tree.name = std::string(root_name(root));
    tree.add_subkey("Software");
    if (root == RootKey::LocalMachine) {
        auto facts = machine_facts();
        std::vector<std::string> suite;
        if (facts) suite = facts->version.product_suite;
        hive::Key& options = tree.add_subkey("System")
                                 .add_subkey("CurrentControlSet")
                                 .add_subkey("Control")
                                 .add_subkey("ProductOptions");
        options.set_value("ProductSuite", REG_MULTI_SZ, multi_string_bytes(suite));
    }
    return tree;
}

// Applies one section of a .reg document (its path starting with the root's
// name) to the root's tree. Returns whether anything changed.
bool apply_section(hive::Key& root, const hive::Section& s) {
    if (s.remove) {
        if (s.path.size() == 1) {
            bool had = !root.subkeys.empty() || !root.values.empty();
            root.subkeys.clear();
            root.values.clear();
            return had;
        }
        hive::Key* parent = &root;
        for (std::size_t i = 1; parent && i + 1 < s.path.size(); ++i) parent = parent->find_subkey(s.path[i]);
        return parent && parent->remove_subkey(s.path.back());
    }
    bool changed = false;
    hive::Key* key = &root;
    for (std::size_t i = 1; i < s.path.size(); ++i) {
        bool created = false;
        key = &key->add_subkey(s.path[i], &created);
        changed |= created;
    }
    for (const auto& v : s.values) {
        if (v.remove)
            changed |= key->remove_value(v.name);
        else
            changed |= key->set_value(v.name, v.type, v.data);
    }
    return changed;
}

Status read_all(int fd, const fs::path& file, std::string& text) {
    char buf[65536];
    while (true) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) return {};
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno_error("read", file.string(), errno);
        }
        text.append(buf, static_cast<std::size_t>(n));
    }
}

// Brings h up to date with its file. `missing` tells that there is no file.
Status load_if_changed(Hive& h, bool& missing) {
    missing = false;
    struct stat st {};
    if (::stat(h.file.c_str(), &st) != 0) {
        if (errno != ENOENT) return errno_error("stat", h.file.string(), errno);
        missing = true;
        h.loaded = false;
        h.broken.reset();
        return {};
    }
    if (h.same_file(st)) return h.broken ? Status(*h.broken) : Status();

    Fd fd(::open(h.file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT) return errno_error("open", h.file.string(), errno);
        missing = true;
        h.loaded = false;
        return {};
    }
    if (::fstat(fd.get(), &st) != 0) return errno_error("fstat", h.file.string(), errno);
    std::string text;
    if (Status s = read_all(fd.get(), h.file, text); !s) return s;

    h.remember(fd.release(), st);
    h.tree = hive::Key{};
    h.tree.name = std::string(root_name(h.root));
    h.broken.reset();
    auto doc = hive::decode(text, h.file.string(), ERROR_BADDB);
    if (!doc) {
        h.broken = std::move(doc).error();
        return *h.broken;
    }
    for (const auto& section : doc->sections) {
        if (parse_root_name(section.path[0]) != h.root) {
            h.broken = Error{ERROR_BADDB, h.file.string() + " line " + std::to_string(section.line) + ": key " +
                                              section.path[0] + " does not belong in " +
                                              std::string(root_name(h.root))};
            h.tree = hive::Key{};
            return *h.broken;
        }
        apply_section(h.tree, section);
    }
    return {};
}

Status write_all(int fd, std::string_view text, const fs::path& file) {
    while (!text.empty()) {
        long n = registry_detail::write_function.load()(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno_error("write", file.string(), errno);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

// Replaces the hive file with the tree. Called with the writers' lock held.
Status write_hive(Hive& h) {
    static std::atomic<unsigned> counter{0};
    std::string text = hive::encode(h.tree, root_name(h.root));
    fs::path tmp = h.file;
    tmp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    Fd fd(::open(tmp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) return errno_error("open", tmp.string(), errno);
    if (Status s = write_all(fd.get(), text, tmp); !s) {
        ::unlink(tmp.c_str());
        return s;
    }
    if (::rename(tmp.c_str(), h.file.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return errno_error("rename", h.file.string(), err);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return errno_error("fstat", h.file.string(), errno);
    h.remember(fd.release(), st);
    h.broken.reset();
    return {};
}

// Runs change(tree, changed) on the current hive under the writers' lock and
// stores the result when something changed. `change` must leave the tree
// alone when it fails. Called with h.mutex held.
template <class Change>
Status modify(Hive& h, Change change) {
    std::error_code ec;
    fs::create_directories(h.dir, ec);
    if (ec) return Error{error_from_errno(ec.value()), "cannot create " + h.dir.string() + ": " + ec.message()};
    Fd lock(::open(h.lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.get() < 0) return errno_error("open", h.lock_file.string(), errno);
    while (::flock(lock.get(), LOCK_EX) != 0)
        if (errno != EINTR) return errno_error("flock", h.lock_file.string(), errno);

    bool missing = false;
    if (Status s = load_if_changed(h, missing); !s) return s;
    if (missing) h.tree = seed_tree(h.root);  // first use of this hive on the computer
    bool changed = false;
    if (Status s = change(h.tree, changed); !s) return s;
    if (changed || missing) {
        if (Status s = write_hive(h); !s) {
            h.loaded = false;  // the tree is ahead of the file: read it again next time
            return s;
        }
    }
    return {};
}

// Makes h's tree current for reading. Called with h.mutex held.
Status refresh(Hive& h) {
    bool missing = false;
    if (Status s = load_if_changed(h, missing); !s) return s;
    if (!missing) return {};
    return modify(h, [](hive::Key&, bool&) { return Status{}; });
}

Status check_name(std::string_view name, std::string_view what) {
    if (name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return Error{ERROR_INVALID_PARAMETER, std::string(what) + " name contains a line break or zero byte"};
    return {};
}

// Splits "A\B\C" into parts (one trailing backslash allowed).
Status split_path(std::string_view path, std::vector<std::string>& out) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.empty()) return {};
    for (auto& part : split(path, '\\')) {
        if (part.empty())
            return Error{ERROR_BAD_PATHNAME, "key path \"" + std::string(path) + "\" has an empty part"};
        if (part.size() > kMaxKeyName)
            return Error{ERROR_INVALID_PARAMETER, "key name longer than 255 characters"};
        if (Status s = check_name(part, "key"); !s) return s;
        out.push_back(std::move(part));
    }
    return {};
}

hive::Key* walk(hive::Key& root, const std::vector<std::string>& parts, std::size_t count) {
    hive::Key* k = &root;
    for (std::size_t i = 0; k && i < count; ++i) k = k->find_subkey(parts[i]);
    return k;
}

std::string join_path(std::string_view base, std::string_view rest) {
    std::string out(base);
    if (!rest.empty()) {
        out += '\\';
        out += rest;
    }
    return out;
}

Error key_deleted(const std::string& path) { return Error{ERROR_KEY_DELETED, "key " + path + " was deleted"}; }
Error key_not_found(const std::string& path) { return Error{ERROR_FILE_NOT_FOUND, "key " + path + " not found"}; }
Error value_not_found(std::string_view name, const std::string& path) {
    return Error{ERROR_FILE_NOT_FOUND, (name.empty() ? std::string("default value") : "value " + std::string(name)) +
                                           " not found in key " + path};
}
Error not_open() { return Error{ERROR_INVALID_HANDLE, "registry key is not open"}; }

// Runs f(const hive::Key&) -> Result<T> on the key named by `parts`.
template <class T, class F>
Result<T> read_key(Hive* h, const std::vector<std::string>& parts, const std::string& path, F f) {
    if (!h) return fail(not_open());
    std::lock_guard guard(h->mutex);
    if (Status s = refresh(*h); !s) return fail(s.error());
    const hive::Key* key = walk(h->tree, parts, parts.size());
    if (!key) return fail(key_deleted(path));
    Result<T> r = f(*key);
    if (!r) r.error().make_last();
    return r;
}

// Runs f(hive::Key&, bool& changed) -> Status on the key named by `parts`
// and stores the hive when it changed.
template <class F>
Status change_key(Hive* h, const std::vector<std::string>& parts, const std::string& path, F f) {
    if (!h) return fail(not_open());
    std::lock_guard guard(h->mutex);
    Status s = modify(*h, [&](hive::Key& tree, bool& changed) -> Status {
        hive::Key* key = walk(tree, parts, parts.size());
        if (!key) return key_deleted(path);
        return f(*key, changed);
    });
    if (!s) s.error().make_last();
    return s;
}

}  // namespace

// ---- roots -----------------------------------------------------------------

std::optional<RootKey> parse_root_name(std::string_view name) {
    if (iequals(name, "HKEY_LOCAL_MACHINE") || iequals(name, "HKLM")) return RootKey::LocalMachine;
    if (iequals(name, "HKEY_CURRENT_USER") || iequals(name, "HKCU")) return RootKey::CurrentUser;
    return std::nullopt;
}

std::string_view root_name(RootKey root) {
    return root == RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// ---- RegKey ----------------------------------------------------------------

RegKey::RegKey(Hive* hive, std::vector<std::string> parts) : hive_(hive), parts_(std::move(parts)) {
    full_path_ = std::string(root_name(hive->root));
    for (const auto& p : parts_) {
        full_path_ += '\\';
        full_path_ += p;
    }
}

RegKey RegKey::root(RootKey root) { return RegKey(hive_for(root), {}); }

Result<RegKey> RegKey::open(RootKey root, std::string_view path) { return RegKey::root(root).open(path); }

Result<CreatedKey> RegKey::create(RootKey root, std::string_view path) { return RegKey::root(root).create(path); }

void RegKey::close() {
    hive_ = nullptr;
    parts_.clear();
    full_path_.clear();
}

Result<RegKey> RegKey::open(std::string_view path) const {
    std::vector<std::string> parts = parts_;
    if (Status s = split_path(path, parts); !s) return fail(s.error());
    std::string wanted = join_path(full_path_, path);
    return read_key<RegKey>(hive_, parts_, full_path_, [&](const hive::Key& self) -> Result<RegKey> {
        const hive::Key* k = &self;
        for (std::size_t i = parts_.size(); i < parts.size(); ++i) {
            k = k->find_subkey(parts[i]);
            if (!k) return key_not_found(wanted);
            parts[i] = k->name;  // the stored spelling
        }
        return RegKey(hive_, parts);
    });
}

Result<CreatedKey> RegKey::create(std::string_view path) const {
    std::vector<std::string> parts = parts_;
    if (Status s = split_path(path, parts); !s) return fail(s.error());
    bool any_created = false;
    Status s = change_key(hive_, parts_, full_path_, [&](hive::Key& self, bool& changed) -> Status {
        hive::Key* k = &self;
        for (std::size_t i = parts_.size(); i < parts.size(); ++i) {
            bool created = false;
            k = &k->add_subkey(parts[i], &created);
            any_created |= created;
            parts[i] = k->name;
        }
        changed = any_created;
        return {};
    });
    if (!s) return s.error();
    return CreatedKey{RegKey(hive_, std::move(parts)),
                      any_created ? RegDisposition::CreatedNew : RegDisposition::OpenedExisting};
}

WinError RegKey::query_value(const char* name, std::uint32_t* type, void* data, std::uint32_t* size) const {
    if (data && !size) {
        fail(Error{ERROR_INVALID_PARAMETER, "a data buffer needs a size"});
        return ERROR_INVALID_PARAMETER;
    }
    std::string_view n = name ? name : "";
    // Copies straight into the caller's buffer under the hive's mutex: the
    // cheap path for callers that poll a value.
    auto r = read_key<bool>(hive_, parts_, full_path_, [&](const hive::Key& k) -> Result<bool> {
        const hive::Value* v = k.find_value(n);
        if (!v) return value_not_found(n, full_path_);
        auto need = static_cast<std::uint32_t>(v->data.size());
        if (type) *type = v->type;
        if (data) {
            if (*size < need) {
                *size = need;
                return Error{ERROR_MORE_DATA, "value needs " + std::to_string(need) + " bytes"};
            }
            if (need) std::memcpy(data, v->data.data(), need);
        }
        if (size) *size = need;
        return true;
    });
    return r ? ERROR_SUCCESS : r.error().code;
}

Result<RegValue> RegKey::query_value(std::string_view name) const {
    return read_key<RegValue>(hive_, parts_, full_path_, [&](const hive::Key& k) -> Result<RegValue> {
        const hive::Value* v = k.find_value(name);
        if (!v) return value_not_found(name, full_path_);
        return RegValue{v->name, v->type, v->data};
    });
}

namespace {
Error wrong_type(std::string_view name, const std::string& path, std::string_view wanted) {
    return Error{ERROR_UNSUPPORTED_TYPE,
                 "value " + std::string(name) + " in key " + path + " is not " + std::string(wanted)};
}
}  // namespace

Result<std::string> RegKey::query_string(std::string_view name) const {
    auto v = query_value(name);
    if (!v) return std::move(v).error();
    if (v->type != REG_SZ && v->type != REG_EXPAND_SZ) return fail(wrong_type(name, full_path_, "a string"));
    std::string s(v->data.begin(), v->data.end());
    s.resize(std::strlen(s.c_str()));
    return s;
}

Result<std::uint32_t> RegKey::query_dword(std::string_view name) const {
    auto v = query_value(name);
    if (!v) return std::move(v).error();
    if (v->type != REG_DWORD || v->data.size() != 4) return fail(wrong_type(name, full_path_, "a DWORD"));
    const auto& d = v->data;
    return static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24));
}

Result<std::vector<std::string>> RegKey::query_multi_string(std::string_view name) const {
    auto v = query_value(name);
    if (!v) return std::move(v).error();
    if (v->type != REG_MULTI_SZ) return fail(wrong_type(name, full_path_, "a multi-string"));
    std::vector<std::string> out;
    std::size_t pos = 0;
    const auto& d = v->data;
    while (pos < d.size()) {
        std::size_t end = pos;
        while (end < d.size() && d[end] != 0) ++end;
        if (end == pos) break;  // the empty string that ends the list
        out.emplace_back(d.begin() + static_cast<std::ptrdiff_t>(pos), d.begin() + static_cast<std::ptrdiff_t>(end));
        pos = end + 1;
    }
    return out;
}

Status RegKey::set_value(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) const {
    if (Status s = check_name(name, "value"); !s) return fail(s.error());
    return change_key(hive_, parts_, full_path_, [&](hive::Key& k, bool& changed) -> Status {
        changed = k.set_value(name, type, std::vector<std::uint8_t>(data.begin(), data.end()));
        return {};
    });
}

Status RegKey::set_string(std::string_view name, std::string_view value, std::uint32_t type) const {
    std::vector<std::uint8_t> bytes(value.begin(), value.end());
    bytes.push_back(0);
    return set_value(name, type, bytes);
}

Status RegKey::set_dword(std::string_view name, std::uint32_t value) const {
    std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return set_value(name, REG_DWORD, bytes);
}

Status RegKey::set_multi_string(std::string_view name, const std::vector<std::string>& values) const {
    return set_value(name, REG_MULTI_SZ, multi_string_bytes(values));
}

Status RegKey::delete_value(std::string_view name) const {
    return change_key(hive_, parts_, full_path_, [&](hive::Key& k, bool& changed) -> Status {
        if (!k.remove_value(name)) return value_not_found(name, full_path_);
        changed = true;
        return {};
    });
}

Status RegKey::delete_key(std::string_view path) const {
    std::vector<std::string> parts = parts_;
    if (Status s = split_path(path, parts); !s) return fail(s.error());
    if (parts.empty()) return fail(Error{ERROR_ACCESS_DENIED, "a root key cannot be deleted"});
    std::string target = join_path(full_path_, path);
    return change_key(hive_, parts_, full_path_, [&](hive::Key&, bool& changed) -> Status {
        hive::Key* parent = walk(hive_->tree, parts, parts.size() - 1);
        hive::Key* key = parent ? parent->find_subkey(parts.back()) : nullptr;
        if (!key) return key_not_found(target);
        if (!key->subkeys.empty())
            return Error{ERROR_ACCESS_DENIED, "key " + target + " has subkeys; delete them first"};
        parent->remove_subkey(parts.back());
        changed = true;
        return {};
    });
}

Status RegKey::delete_tree(std::string_view path) const {
    std::vector<std::string> parts = parts_;
    if (Status s = split_path(path, parts); !s) return fail(s.error());
    std::string target = join_path(full_path_, path);
    bool contents_only = parts.size() == parts_.size();
    return change_key(hive_, parts_, full_path_, [&](hive::Key& self, bool& changed) -> Status {
        if (contents_only) {
            changed = !self.subkeys.empty() || !self.values.empty();
            self.subkeys.clear();
            self.values.clear();
            return {};
        }
        hive::Key* parent = walk(hive_->tree, parts, parts.size() - 1);
        if (!parent || !parent->remove_subkey(parts.back())) return key_not_found(target);
        changed = true;
        return {};
    });
}

Result<std::string> RegKey::enum_key(std::uint32_t index) const {
    return read_key<std::string>(hive_, parts_, full_path_, [&](const hive::Key& k) -> Result<std::string> {
        if (index >= k.subkeys.size()) return Error{ERROR_NO_MORE_ITEMS, "no more subkeys"};
        return k.subkeys[index].name;
    });
}

Result<RegValue> RegKey::enum_value(std::uint32_t index) const {
    return read_key<RegValue>(hive_, parts_, full_path_, [&](const hive::Key& k) -> Result<RegValue> {
        if (index >= k.values.size()) return Error{ERROR_NO_MORE_ITEMS, "no more values"};
        const hive::Value& v = k.values[index];
        return RegValue{v.name, v.type, v.data};
    });
}

Result<RegKeyInfo> RegKey::query_info() const {
    return read_key<RegKeyInfo>(hive_, parts_, full_path_, [&](const hive::Key& k) -> Result<RegKeyInfo> {
        RegKeyInfo info;
        info.subkeys = static_cast<std::uint32_t>(k.subkeys.size());
        info.values = static_cast<std::uint32_t>(k.values.size());
        for (const auto& s : k.subkeys)
            info.max_subkey_name = std::max(info.max_subkey_name, static_cast<std::uint32_t>(s.name.size()));
        for (const auto& v : k.values) {
            info.max_value_name = std::max(info.max_value_name, static_cast<std::uint32_t>(v.name.size()));
            info.max_value_data = std::max(info.max_value_data, static_cast<std::uint32_t>(v.data.size()));
        }
        return info;
    });
}

Result<std::string> RegKey::export_text() const {
    return read_key<std::string>(hive_, parts_, full_path_, [&](const hive::Key& k) -> Result<std::string> {
        return hive::encode(k, full_path_);
    });
}

// ---- import ----------------------------------------------------------------

Status import_reg_text(std::string_view text, std::string_view source) {
    auto doc = hive::decode(text, source, ERROR_INVALID_DATA);
    if (!doc) return fail(std::move(doc).error());
    std::vector<const hive::Section*> by_root[2];
    for (const auto& section : doc->sections) {
        auto where = [&] { return std::string(source) + " line " + std::to_string(section.line) + ": "; };
        auto root = parse_root_name(section.path[0]);
        if (!root) return fail(Error{ERROR_INVALID_DATA, where() + "unknown root key " + section.path[0]});
        if (section.remove && section.path.size() == 1)
            return fail(Error{ERROR_ACCESS_DENIED, where() + "a root key cannot be deleted"});
        by_root[root == RootKey::LocalMachine ? 0 : 1].push_back(&section);
    }
    for (RootKey root : {RootKey::LocalMachine, RootKey::CurrentUser}) {
        const auto& sections = by_root[root == RootKey::LocalMachine ? 0 : 1];
        if (sections.empty()) continue;
        Hive* h = hive_for(root);
        std::lock_guard guard(h->mutex);
        Status s = modify(*h, [&](hive::Key& tree, bool& changed) -> Status {
            for (const auto* section : sections) changed |= apply_section(tree, *section);
            return {};
        });
        if (!s) return fail(s.error());
    }
    return {};
}

Status import_reg_file(const fs::path& file) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return fail(errno_error("open", file.string(), errno));
    std::string text;
    if (Status s = read_all(fd.get(), file, text); !s) return fail(s.error());
    return import_reg_text(text, file.string());
}

}  // namespace platform
