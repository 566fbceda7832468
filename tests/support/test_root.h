// A fresh machine root for one test: a temporary folder named by
// TWPRINTER_ROOT while the object lives, removed afterwards. Child processes
// started meanwhile inherit it, so they belong to the same computer.
#pragma once

#include <filesystem>
#include <string>

namespace twtest {

class TempMachineRoot {
public:
    TempMachineRoot();
    ~TempMachineRoot();
    TempMachineRoot(const TempMachineRoot&) = delete;
    TempMachineRoot& operator=(const TempMachineRoot&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string previous_;
    bool had_previous_ = false;
};

}  // namespace twtest
