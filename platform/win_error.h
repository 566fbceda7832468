// Windows error codes and the per-thread "last error".
//
// The system tests results the way Windows code does: a call fails, then the
// caller asks for the last error (ERROR_ALREADY_EXISTS after a successful
// create is the classic case). Every platform call that Windows documents as
// setting the last error sets it here too, on success and on failure alike
// where Windows does. Beside the numeric code each thread keeps a text that
// says what went wrong in words (a file name and line, an errno), for tools
// and error messages; the system itself only looks at the number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace platform {

using WinError = std::uint32_t;

inline constexpr WinError ERROR_SUCCESS = 0;
inline constexpr WinError ERROR_INVALID_FUNCTION = 1;
inline constexpr WinError ERROR_FILE_NOT_FOUND = 2;
inline constexpr WinError ERROR_PATH_NOT_FOUND = 3;
inline constexpr WinError ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr WinError ERROR_ACCESS_DENIED = 5;
inline constexpr WinError ERROR_INVALID_HANDLE = 6;
inline constexpr WinError ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr WinError ERROR_BAD_FORMAT = 11;
inline constexpr WinError ERROR_INVALID_DATA = 13;
inline constexpr WinError ERROR_OUTOFMEMORY = 14;
inline constexpr WinError ERROR_NOT_READY = 21;
inline constexpr WinError ERROR_NOT_SAME_DEVICE = 17;
inline constexpr WinError ERROR_WRITE_FAULT = 29;
inline constexpr WinError ERROR_READ_FAULT = 30;
inline constexpr WinError ERROR_NOT_SUPPORTED = 50;
inline constexpr WinError ERROR_FILE_EXISTS = 80;
inline constexpr WinError ERROR_INVALID_PARAMETER = 87;
inline constexpr WinError ERROR_BROKEN_PIPE = 109;
inline constexpr WinError ERROR_DISK_FULL = 112;
inline constexpr WinError ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr WinError ERROR_INVALID_NAME = 123;
inline constexpr WinError ERROR_MOD_NOT_FOUND = 126;
inline constexpr WinError ERROR_PROC_NOT_FOUND = 127;
inline constexpr WinError ERROR_DIR_NOT_EMPTY = 145;
inline constexpr WinError ERROR_BAD_PATHNAME = 161;
inline constexpr WinError ERROR_ALREADY_EXISTS = 183;
inline constexpr WinError ERROR_BAD_EXE_FORMAT = 193;
inline constexpr WinError ERROR_ENVVAR_NOT_FOUND = 203;
inline constexpr WinError WAIT_TIMEOUT_ERROR = 258;  // WAIT_TIMEOUT as a last-error value
inline constexpr WinError ERROR_MORE_DATA = 234;
inline constexpr WinError ERROR_NO_MORE_ITEMS = 259;
inline constexpr WinError ERROR_DIRECTORY = 267;  // the directory name is invalid
inline constexpr WinError ERROR_NOT_OWNER = 288;
inline constexpr WinError ERROR_TOO_MANY_POSTS = 298;
inline constexpr WinError ERROR_ABANDONED_WAIT_0 = 735;
inline constexpr WinError ERROR_NOACCESS = 998;
inline constexpr WinError ERROR_CANTOPEN = 1011;
inline constexpr WinError ERROR_CANTREAD = 1012;
inline constexpr WinError ERROR_CANTWRITE = 1013;
inline constexpr WinError ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr WinError ERROR_BADDB = 1009;
inline constexpr WinError ERROR_BADKEY = 1010;
inline constexpr WinError ERROR_KEY_DELETED = 1018;
inline constexpr WinError ERROR_CHILD_MUST_BE_VOLATILE = 1021;
inline constexpr WinError ERROR_MESSAGE_SYNC_ONLY = 1159;
inline constexpr WinError ERROR_NOT_FOUND = 1168;
inline constexpr WinError ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr WinError ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr WinError ERROR_WINDOW_OF_OTHER_THREAD = 1408;
inline constexpr WinError ERROR_CLASS_ALREADY_EXISTS = 1410;
inline constexpr WinError ERROR_CLASS_DOES_NOT_EXIST = 1411;
inline constexpr WinError ERROR_CLASS_HAS_WINDOWS = 1412;
inline constexpr WinError ERROR_CONTROL_ID_NOT_FOUND = 1421;
inline constexpr WinError ERROR_INVALID_INDEX = 1413;
inline constexpr WinError ERROR_TLW_WITH_WSCHILD = 1406;
inline constexpr WinError ERROR_INVALID_THREAD_ID = 1444;
inline constexpr WinError ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr WinError ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr WinError ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
inline constexpr WinError ERROR_NOT_ENOUGH_QUOTA = 1816;
inline constexpr WinError ERROR_UNSUPPORTED_TYPE = 1630;
inline constexpr WinError ERROR_TIMEOUT = 1460;
inline constexpr WinError ERROR_INVALID_MENU_HANDLE = 1401;
inline constexpr WinError ERROR_INVALID_HOOK_HANDLE = 1404;
inline constexpr WinError ERROR_INVALID_HOOK_FILTER = 1426;
inline constexpr WinError ERROR_MENU_ITEM_NOT_FOUND = 1456;

// The calling thread's last error, as GetLastError/SetLastError keep it.
WinError last_error() noexcept;
void set_last_error(WinError code) noexcept;

// The words that go with the last error, when the failing call had more to say
// than the number (empty otherwise). set_last_error() clears them.
const std::string& last_error_text() noexcept;
void set_last_error(WinError code, std::string text);

// A short English text for a code ("The system cannot find the file specified.").
std::string_view error_message(WinError code) noexcept;

// The Windows code that best matches a POSIX errno value.
WinError error_from_errno(int err) noexcept;

// An error as the platform reports it inside C++ code: the Windows code and a
// sentence for people.
struct Error {
    WinError code = ERROR_INVALID_FUNCTION;
    std::string text;

    // Stores this error as the calling thread's last error.
    void make_last() const { set_last_error(code, text); }
    // "text" when there is one, otherwise the code's standard message.
    std::string describe() const;
};

// Error from errno with the name of the failing system call and what it worked on.
Error errno_error(std::string_view call, std::string_view subject, int err);

// Result of a call that can fail: a value or an Error.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const& { return std::get<1>(state_); }
    Error&& error() && { return std::get<1>(std::move(state_)); }

private:
    std::variant<T, Error> state_;
};

// Result of a call that gives nothing back but can fail.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)), failed_(true) {}

    bool ok() const noexcept { return !failed_; }
    explicit operator bool() const noexcept { return ok(); }
    const Error& error() const { return error_; }

private:
    Error error_;
    bool failed_ = false;
};

}  // namespace platform
