#include "dng/dng_exceptions.h"

void Throw_dng_error(dng_error_code code, const std::string& message) {
    throw dng_exception(code, message);
}
void ThrowProgramError(const std::string& message) { Throw_dng_error(dng_error_unknown, message); }
void ThrowBadFormat(const std::string& message) { Throw_dng_error(dng_error_bad_format, message); }
void ThrowMemoryFull(const std::string& message) { Throw_dng_error(dng_error_memory, message); }
void ThrowUserCanceled() { Throw_dng_error(dng_error_user_canceled, "User canceled"); }
void ThrowMatrixMath(const std::string& message) { Throw_dng_error(dng_error_matrix_math, message); }
void ThrowNotYetImplemented(const std::string& message) {
    Throw_dng_error(dng_error_not_yet_implemented, message);
}
void ThrowEndOfFile() { Throw_dng_error(dng_error_end_of_file, "Unexpected end of file"); }
void ThrowReadFile(const std::string& message) { Throw_dng_error(dng_error_read_file, message); }
void ThrowWriteFile(const std::string& message) { Throw_dng_error(dng_error_write_file, message); }
void ThrowOpenFile(const std::string& message) { Throw_dng_error(dng_error_open_file, message); }
void ThrowImageTooBigDNG() { Throw_dng_error(dng_error_image_too_big_dng, "Image too big for DNG"); }
void ThrowFileError(dng_error_code code, const std::string& path, int error) {
    throw dng_file_error(code, path, platform::SystemReason(error));
}
