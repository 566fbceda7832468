#include "platform/win_error.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

struct LastError {
    WinError code = ERROR_SUCCESS;
    std::string text;
};

LastError& this_thread_error() {
    thread_local LastError error;
    return error;
}

}  // namespace

WinError last_error() noexcept { return this_thread_error().code; }

void set_last_error(WinError code) noexcept {
    LastError& e = this_thread_error();
    e.code = code;
    e.text.clear();
}

void set_last_error(WinError code, std::string text) {
    LastError& e = this_thread_error();
    e.code = code;
    e.text = std::move(text);
}

const std::string& last_error_text() noexcept { return this_thread_error().text; }

std::string_view error_message(WinError code) noexcept {
    switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION: return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES: return "The system cannot open the file.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough storage is available to process this command.";
    case ERROR_BAD_FORMAT: return "An attempt was made to load a program with an incorrect format.";
    case ERROR_INVALID_DATA: return "The data is invalid.";
    case ERROR_NOT_READY: return "The device is not ready.";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.";
    case ERROR_FILE_EXISTS: return "The file exists.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_DISK_FULL: return "There is not enough space on the disk.";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_MOD_NOT_FOUND: return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND: return "The specified procedure could not be found.";
    case ERROR_DIR_NOT_EMPTY: return "The directory is not empty.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_BAD_EXE_FORMAT: return "The program is not a valid application.";
    case ERROR_MORE_DATA: return "More data is available.";
    case WAIT_TIMEOUT_ERROR: return "The wait operation timed out.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_NOT_OWNER: return "Attempt to release mutex not owned by caller.";
    case ERROR_ABANDONED_WAIT_0: return "The wait was abandoned.";
    case ERROR_BADDB: return "The configuration registry database is corrupt.";
    case ERROR_BADKEY: return "The configuration registry key is invalid.";
    case ERROR_CANTOPEN: return "The configuration registry key could not be opened.";
    case ERROR_CANTREAD: return "The configuration registry key could not be read.";
    case ERROR_CANTWRITE: return "The configuration registry key could not be written.";
    case ERROR_REGISTRY_CORRUPT: return "The registry is corrupted.";
    case ERROR_KEY_DELETED: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case ERROR_MESSAGE_SYNC_ONLY: return "The message can be used only with synchronous operations.";
    case ERROR_INVALID_WINDOW_HANDLE: return "Invalid window handle.";
    case ERROR_TLW_WITH_WSCHILD: return "Cannot create a top-level child window.";
    case ERROR_CANNOT_FIND_WND_CLASS: return "Cannot find window class.";
    case ERROR_WINDOW_OF_OTHER_THREAD: return "Invalid window; it belongs to other thread.";
    case ERROR_CLASS_ALREADY_EXISTS: return "Class already exists.";
    case ERROR_CLASS_DOES_NOT_EXIST: return "Class does not exist.";
    case ERROR_CLASS_HAS_WINDOWS: return "Class still has open windows.";
    case ERROR_INVALID_INDEX: return "Invalid index.";
    case ERROR_INVALID_THREAD_ID: return "Invalid thread identifier.";
    case ERROR_RESOURCE_DATA_NOT_FOUND: return "The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND: return "The specified resource type cannot be found in the image file.";
    case ERROR_RESOURCE_NAME_NOT_FOUND: return "The specified resource name cannot be found in the image file.";
    case ERROR_NOT_ENOUGH_QUOTA: return "Not enough quota is available to process this command.";
    case ERROR_UNSUPPORTED_TYPE: return "Data of this type is not supported.";
    case ERROR_NOT_FOUND: return "Element not found.";
    case ERROR_TIMEOUT: return "This operation returned because the timeout period expired.";
    default: return "Unknown error.";
    }
}

WinError error_from_errno(int err) noexcept {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case EPIPE: return ERROR_BROKEN_PIPE;
    default: return ERROR_INVALID_FUNCTION;
    }
}

std::string Error::describe() const {
    if (!text.empty()) return text;
    return std::string(error_message(code));
}

Error errno_error(std::string_view call, std::string_view subject, int err) {
    std::string text(call);
    if (!subject.empty()) {
        text += " ";
        text += subject;
    }
    text += ": ";
    text += std::strerror(err);
    return Error{error_from_errno(err), std::move(text)};
}

}  // namespace platform
