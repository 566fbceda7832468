// The module list. Each loaded library is one Module object with one handle
// and our own load count; the host loader is asked once per library (dlopen
// reference count 1 while we hold it), so our count alone decides when it is
// unloaded. Two names that reach the same file are recognised by the host
// loader giving back the same handle.
#include "platform/library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/module_resources.h"
#include "platform/builtin_libraries.h"
#include "platform/paths.h"
#include "platform/resource_script.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

using Resources = std::shared_ptr<const ResourceScript>;

class Module final : public KernelObject {
public:
    enum class Kind { Library, ResourceOnly, Executable };
    Module(void* dl, fs::path path, Resources resources, Kind kind)
        : dl_(dl), path_(std::move(path)), kind_(kind), resources_(std::move(resources)) {}
    ObjectKind kind() const override { return ObjectKind::Module; }
    void* dl() const { return dl_; }  // null for a resource-only library
    const fs::path& path() const { return path_; }

    Result<Resources> resources() const {
        std::lock_guard guard(resources_lock_);
        if (kind_ == Kind::Executable && !resources_read_) {
            resources_read_ = true;
            fs::path script = resource_script_for(path_);
            if (!script.empty()) {
                auto parsed = parse_resource_script(script);
                if (parsed)
                    resources_ = std::make_shared<const ResourceScript>(std::move(*parsed));
                else
                    resources_error_ = parsed.error();
            }
        }
        if (resources_) return resources_;
        if (resources_error_) return *resources_error_;
        return Error{ERROR_RESOURCE_DATA_NOT_FOUND, path_.filename().string() + " has no resource script"};
    }

private:
    void* dl_;
    fs::path path_;
    Kind kind_;
    mutable std::mutex resources_lock_;
    mutable bool resources_read_ = false;
    mutable Resources resources_;
    mutable std::optional<Error> resources_error_;
};

struct LoadedModule {
    Handle handle;
    std::shared_ptr<Module> module;
    std::uint32_t count;
};

struct ModuleList {
    std::recursive_mutex lock;
    std::vector<LoadedModule> loaded;
    Handle executable = kNullHandle;
};

ModuleList& modules() {
    // Never destroyed: libraries may be freed from other statics' destructors.
    static ModuleList* list = new ModuleList;
    return *list;
}

Error fail(Error error) {
    error.make_last();
    return error;
}

fs::path executable_path() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec);
}

bool has_path(std::string_view name) { return name.find_first_of("\\/") != std::string_view::npos; }

std::vector<fs::path> search_folders() {
    std::vector<fs::path> folders;
    folders.push_back(executable_path().parent_path());
    if (auto sys = system_directory_host_path()) folders.push_back(*sys);
    if (auto win = windows_directory_host_path()) folders.push_back(*win);
    if (const char* extra = std::getenv("TWPRINTER_LIBRARY_PATH")) {
        for (const auto& folder : split(extra, ':'))
            if (!folder.empty()) folders.push_back(fs::absolute(folder));
    }
    return folders;
}

// The existing file in `folder` called `file_name` in any letter case.
std::optional<fs::path> find_in(const fs::path& folder, const std::string& file_name) {
    fs::path candidate = find_case_insensitive(folder / file_name);
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
    return std::nullopt;
}

Result<fs::path> locate(std::string_view name) {
    std::string so_name = library_file_name(name);
    const auto cut = name.find_last_of("\\/");
    std::string given(cut == std::string_view::npos ? name : name.substr(cut + 1));
    std::vector<fs::path> folders;
    if (cut != std::string_view::npos) {
        auto folder = to_host_path(name.substr(0, cut + 1));
        if (!folder) return Error{ERROR_MOD_NOT_FOUND, folder.error().describe()};
        folders.push_back(*folder);
    } else {
        folders = search_folders();
    }
    // A resource-only library is its script, found where the library would be.
    std::string rc_name = fs::path(so_name).replace_extension(".rc").string();
    std::string searched;
    for (const auto& folder : folders) {
        if (auto found = find_in(folder, so_name)) return *found;
        if (given != so_name)
            if (auto found = find_in(folder, given)) return *found;
        if (auto found = find_in(folder, rc_name)) return *found;
        searched += (searched.empty() ? "" : ", ") + folder.string();
    }
    return Error{ERROR_MOD_NOT_FOUND, "no " + so_name + " or " + rc_name + " in " + searched};
}

bool looks_like_elf(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;  // let the loader say what is wrong
    char magic[4] = {};
    ssize_t n = ::read(fd, magic, sizeof magic);
    ::close(fd);
    return n == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

Error load_error(const fs::path& path, const char* said) {
    std::string text = said ? said : ("cannot load " + path.string());
    if (!looks_like_elf(path) || text.find("ELF") != std::string::npos)
        return Error{ERROR_BAD_EXE_FORMAT, std::move(text)};
    // An import that the libraries loaded so far do not provide is a missing
    // procedure on Windows too.
    if (text.find("undefined symbol") != std::string::npos) return Error{ERROR_PROC_NOT_FOUND, std::move(text)};
    return Error{ERROR_MOD_NOT_FOUND, std::move(text)};
}

// The handle of the executable, made on first use. Caller holds the lock.
Handle executable_handle(ModuleList& list) {
    if (list.executable == kNullHandle)
        list.executable = insert_handle(
            std::make_shared<Module>(::dlopen(nullptr, RTLD_NOW), executable_path(), nullptr, Module::Kind::Executable));
    return list.executable;
}

bool is_script(const fs::path& file) { return iequals(file.extension().string(), ".rc"); }

// Whether a loaded module's file answers to a name without a path: the same
// base name, as a library ("X.so") or a resource-only library ("X.rc").
bool answers_to(const fs::path& file, const std::string& so_name) {
    if (iequals(file.filename().string(), so_name)) return true;
    return is_script(file) && iequals(file.stem().string(), fs::path(so_name).stem().string());
}

// The resources of a module about to be loaded: its script, or the one beside
// its library; none when there is no script.
Result<Resources> read_resources(const fs::path& module_file) {
    fs::path script = resource_script_for(module_file);
    if (script.empty()) return Resources{};
    auto parsed = parse_resource_script(script);
    if (!parsed) return parsed.error();
    return std::make_shared<const ResourceScript>(std::move(*parsed));
}

}  // namespace

std::string library_file_name(std::string_view module_name) {
    auto cut = module_name.find_last_of("\\/");
    std::string_view file = cut == std::string_view::npos ? module_name : module_name.substr(cut + 1);
    auto dot = file.rfind('.');
    if (dot != std::string_view::npos) file = file.substr(0, dot);
    return std::string(file) + ".so";
}

Result<Handle> load_library(std::string_view name) {
    if (name.empty()) return fail(Error{ERROR_MOD_NOT_FOUND, "no module name"});
    if (start_builtin_library(name)) {
        ModuleList& list = modules();
        std::lock_guard guard(list.lock);
        return executable_handle(list);
    }
    auto path = locate(name);
    if (!path) return fail(path.error());

    ModuleList& list = modules();
    std::lock_guard guard(list.lock);
    std::error_code ec;
    for (auto& entry : list.loaded) {
        if (fs::equivalent(entry.module->path(), *path, ec)) {
            ++entry.count;
            return entry.handle;
        }
    }
    // The script is read first: a module whose resources are broken is
    // refused whole, before any of its code runs.
    auto resources = read_resources(*path);
    if (!resources) return fail(resources.error());
    void* dl = nullptr;
    if (!is_script(*path)) {
        ::dlerror();
        dl = ::dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!dl) return fail(load_error(*path, ::dlerror()));
        for (auto& entry : list.loaded) {
            if (entry.module->dl() == dl) {
                ::dlclose(dl);  // we keep one host reference per module
                ++entry.count;
                return entry.handle;
            }
        }
    }
    auto module = std::make_shared<Module>(dl, *path, std::move(*resources),
                                           dl ? Module::Kind::Library : Module::Kind::ResourceOnly);
    Handle handle = insert_handle(module);
    if (handle == kNullHandle) {
        if (dl) ::dlclose(dl);
        return fail(Error{ERROR_NOT_ENOUGH_MEMORY, "the handle table is full"});
    }
    list.loaded.push_back({handle, std::move(module), 1});
    return handle;
}

Status free_library(Handle module) {
    ModuleList& list = modules();
    void* to_close = nullptr;
    {
        std::lock_guard guard(list.lock);
        if (module != kNullHandle && module == list.executable) return {};
        auto it = std::find_if(list.loaded.begin(), list.loaded.end(),
                               [&](const LoadedModule& m) { return m.handle == module; });
        if (it == list.loaded.end()) return fail(Error{ERROR_INVALID_HANDLE, "not a loaded module"});
        if (--it->count > 0) return {};
        to_close = it->module->dl();
        close_handle(it->handle);
        list.loaded.erase(it);
        // Unloaded under the lock, so that a load racing with this free
        // cannot pick up a library that is going away.
        if (to_close && ::dlclose(to_close) != 0) return fail(Error{ERROR_INVALID_HANDLE, ::dlerror()});
    }
    return {};
}

Result<void*> get_proc_address(Handle module, std::string_view name) {
    auto m = lookup_handle_as<Module>(module);
    if (!m) return fail(Error{ERROR_INVALID_HANDLE, "not a module handle"});
    if (!m->dl())
        return fail(Error{ERROR_PROC_NOT_FOUND, m->path().filename().string() + " is a resource-only library"});
    std::string symbol(name);
    ::dlerror();
    void* p = ::dlsym(m->dl(), symbol.c_str());
    if (!p) {
        const char* said = ::dlerror();
        return fail(Error{ERROR_PROC_NOT_FOUND, said ? said : "no export " + symbol});
    }
    return p;
}

Result<void*> get_proc_address(Handle module, std::uint32_t ordinal) {
    auto m = lookup_handle_as<Module>(module);
    if (!m) return fail(Error{ERROR_INVALID_HANDLE, "not a module handle"});
    auto* table = m->dl() ? static_cast<const ExportOrdinal*>(::dlsym(m->dl(), kExportOrdinalsSymbol)) : nullptr;
    if (table && ordinal != 0) {
        for (const ExportOrdinal* row = table; row->name != nullptr; ++row)
            if (row->ordinal == ordinal) return get_proc_address(module, row->name);
    }
    return fail(Error{ERROR_PROC_NOT_FOUND, "no export with ordinal " + std::to_string(ordinal) + " in " +
                                               m->path().filename().string()});
}

Result<Handle> get_module_handle(std::string_view name) {
    ModuleList& list = modules();
    std::lock_guard guard(list.lock);
    if (name.empty()) return executable_handle(list);
    if (has_path(name)) {
        auto path = locate(name);
        if (path) {
            std::error_code ec;
            for (const auto& entry : list.loaded)
                if (fs::equivalent(entry.module->path(), *path, ec)) return entry.handle;
            if (fs::equivalent(executable_path(), *path, ec)) return executable_handle(list);
        }
    } else {
        std::string so_name = library_file_name(name);
        for (const auto& entry : list.loaded)
            if (answers_to(entry.module->path(), so_name)) return entry.handle;
        if (iequals(executable_path().filename().string() + ".so", so_name)) return executable_handle(list);
    }
    return fail(Error{ERROR_MOD_NOT_FOUND, std::string(name) + " is not loaded"});
}

Result<fs::path> module_host_path(Handle module) {
    auto m = lookup_handle_as<Module>(module);
    if (!m) return fail(Error{ERROR_INVALID_HANDLE, "not a module handle"});
    return m->path();
}

}  // namespace platform

namespace platform {

Result<std::shared_ptr<const ResourceScript>> module_resources(Handle module) {
    if (module == kNullHandle) {
        ModuleList& list = modules();
        std::lock_guard guard(list.lock);
        module = executable_handle(list);
    }
    auto m = lookup_handle_as<Module>(module);
    if (!m) return Error{ERROR_INVALID_HANDLE, "not a module handle"};
    return m->resources();
}

}  // namespace platform
