#pragma once
#include <exception>
#include <string>

#include "dng/dng_types.h"
#include "platform/file_error.h"

// Error codes of the DNG layer.
enum dng_error_code : int32 {
    dng_error_none = 0,
    dng_error_unknown = 100000,
    dng_error_not_yet_implemented = 100001,
    dng_error_silent = 100002,
    dng_error_user_canceled = 100003,
    dng_error_host_insufficient = 100004,
    dng_error_memory = 100005,
    dng_error_bad_format = 100006,
    dng_error_matrix_math = 100007,
    dng_error_open_file = 100008,
    dng_error_read_file = 100009,
    dng_error_write_file = 100010,
    dng_error_end_of_file = 100011,
    dng_error_file_is_damaged = 100012,
    dng_error_image_too_big_dng = 100013,
    dng_error_image_too_big_tiff = 100014,
};

// The one exception type the layer throws. `what()` carries a readable reason.
class dng_exception : public std::exception {
public:
    dng_exception(dng_error_code code, std::string message)
        : code_(code), message_(std::move(message)) {}
    dng_error_code ErrorCode() const { return code_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    dng_error_code code_;
    std::string message_;
};

// A file the system refused to open, read or write, with the file and the system's reason.
class dng_file_error : public dng_exception, public platform::FileError {
public:
    dng_file_error(dng_error_code code, const std::string& path, const std::string& reason)
        : dng_exception(code, path + ": " + reason), platform::FileError(path, reason) {}
};

[[noreturn]] void Throw_dng_error(dng_error_code code, const std::string& message);
[[noreturn]] void ThrowProgramError(const std::string& message = "Program error");
[[noreturn]] void ThrowBadFormat(const std::string& message = "Bad format");
[[noreturn]] void ThrowMemoryFull(const std::string& message = "Memory full");
[[noreturn]] void ThrowUserCanceled();
[[noreturn]] void ThrowMatrixMath(const std::string& message = "Matrix math error");
[[noreturn]] void ThrowNotYetImplemented(const std::string& message = "Not yet implemented");
[[noreturn]] void ThrowEndOfFile();
[[noreturn]] void ThrowReadFile(const std::string& message = "Read file error");
[[noreturn]] void ThrowWriteFile(const std::string& message = "Write file error");
[[noreturn]] void ThrowOpenFile(const std::string& message = "Open file error");
[[noreturn]] void ThrowImageTooBigDNG();
// `code` is one of the open, read and write errors; `error` the errno the system gave.
[[noreturn]] void ThrowFileError(dng_error_code code, const std::string& path, int error);
