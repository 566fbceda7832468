#include "tests/support/test_root.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/machine_root.h"

namespace twtest {

TempMachineRoot::TempMachineRoot() {
    if (const char* p = std::getenv("TWPRINTER_ROOT")) {
        previous_ = p;
        had_previous_ = true;
    }
    std::string tmpl = (std::filesystem::temp_directory_path() / "twroot-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    ::setenv("TWPRINTER_ROOT", path_.c_str(), 1);
    auto made = platform::ensure_machine_root();
    if (!made) throw std::runtime_error(made.error().describe());
}

TempMachineRoot::~TempMachineRoot() {
    if (had_previous_)
        ::setenv("TWPRINTER_ROOT", previous_.c_str(), 1);
    else
        ::unsetenv("TWPRINTER_ROOT");
    std::error_code ec;
    // The named objects live outside the root (in /dev/shm): remove them too.
    auto objects = std::filesystem::read_symlink(path_ / "objects", ec);
    if (!ec) std::filesystem::remove_all(objects, ec);
    std::filesystem::remove_all(path_, ec);
}

}  // namespace twtest
