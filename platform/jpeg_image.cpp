#include "platform/jpeg_image.h"

#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/regular_file.h"

namespace platform {
namespace {

// Progressive files can carry any number of scans, each one a full pass over
// the coefficients; libjpeg-turbo's own tools stop at 500.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOut(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void ExitWithError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    JumpOut(cinfo);
}

// Warnings that mean pixels were lost or made up (libjpeg fills a truncated
// scan with grey and carries on); the caller must hear of those. The end of
// the data alone is not among them: a file that lacks only its end-of-image
// marker has every row. Data cut inside a scan also makes the decoder run out
// of bits, which it reports as a marker hit.
bool LosesImageData(int code) {
    switch (code) {
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
        case JWRN_BOGUS_PROGRESSION:
            return true;
        default:
            return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && LosesImageData(cinfo->err->msg_code)) ExitWithError(cinfo);
    // Harmless warnings and trace output are dropped instead of printed.
}

void SwallowOutput(j_common_ptr) {}

void CheckScanCount(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "JPEG has more than %d scans", kMaxScans);
    JumpOut(cinfo);
}

jpeg_error_mgr* Install(ErrorManager& err) {
    jpeg_std_error(&err.base);
    err.base.error_exit = ExitWithError;
    err.base.emit_message = EmitMessage;
    err.base.output_message = SwallowOutput;
    err.message[0] = '\0';
    return &err.base;
}

// Everything libjpeg writes to lives on the heap behind one pointer that is
// set before setjmp and never changed, so a longjmp back finds it intact.
struct DecodeState {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
};

struct EncodeState {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

void StartDecoder(DecodeState& s, const std::vector<uint8_t>& data) {
    jpeg_create_decompress(&s.cinfo);
    s.progress.progress_monitor = CheckScanCount;
    s.cinfo.progress = &s.progress;
    jpeg_mem_src(&s.cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&s.cinfo, TRUE);
}

}  // namespace

void JpegImage::Clear() {
    data_.clear();
    width_ = 0;
    height_ = 0;
    format_ = DecodedFormat::Unsupported;
}

void JpegImage::LoadFromFile(const std::string& path) {
    // A FIFO or a device as a photo would block or never end.
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        const int error = errno;
        Clear();
        throw JpegFileError(path, OpenFailureReason(error));
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const int error = errno;
    ::close(fd);
    if (got < 0) {
        Clear();
        throw JpegFileError(path, SystemReason(error));
    }
    data_ = std::move(bytes);
    ReadHeader();
}

void JpegImage::LoadFromMemory(const uint8_t* data, std::size_t size) {
    data_.assign(data, data + size);
    ReadHeader();
}

void JpegImage::ReadHeader() {
    auto s = std::make_unique<DecodeState>();
    s->cinfo.err = Install(s->err);
    if (setjmp(s->err.jump)) {
        jpeg_destroy_decompress(&s->cinfo);
        Clear();
        throw JpegError(s->err.message);
    }
    StartDecoder(*s, data_);
    const jpeg_decompress_struct& c = s->cinfo;
    width_ = static_cast<int>(c.image_width);
    height_ = static_cast<int>(c.image_height);
    if (c.num_components == 1 && c.jpeg_color_space == JCS_GRAYSCALE)
        format_ = DecodedFormat::Grey8;
    else if (c.num_components == 3 && (c.jpeg_color_space == JCS_YCbCr || c.jpeg_color_space == JCS_RGB))
        format_ = DecodedFormat::Bgr24;
    else
        format_ = DecodedFormat::Unsupported;
    jpeg_destroy_decompress(&s->cinfo);
}

Bitmap JpegImage::Decode() const {
    if (data_.empty()) throw JpegError("No JPEG data loaded");
    if (format_ == DecodedFormat::Unsupported)
        throw JpegError("JPEG pixel format is neither grey nor YCbCr/RGB");
    const bool grey = format_ == DecodedFormat::Grey8;
    const PixelFormat pf = grey ? PixelFormat::pf8bit : PixelFormat::pf24bit;
    if (Pixels() > kMaxPixels) throw JpegError("JPEG has more pixels than the program takes on");

    Bitmap bitmap(width_, height_, pf);
    auto s = std::make_unique<DecodeState>();
    s->cinfo.err = Install(s->err);
    if (setjmp(s->err.jump)) {
        jpeg_destroy_decompress(&s->cinfo);
        throw JpegError(s->err.message);
    }
    StartDecoder(*s, data_);
    s->cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&s->cinfo);
    while (s->cinfo.output_scanline < s->cinfo.output_height) {
        JSAMPROW row = bitmap.ScanLine(static_cast<int>(s->cinfo.output_scanline));
        jpeg_read_scanlines(&s->cinfo, &row, 1);
    }
    jpeg_finish_decompress(&s->cinfo);
    jpeg_destroy_decompress(&s->cinfo);
    return bitmap;
}

void JpegImage::Compress(const Bitmap& bitmap, int quality) {
    if (bitmap.Format() != PixelFormat::pf24bit)
        throw std::invalid_argument("JPEG encoding takes a 24-bit bitmap");

    auto s = std::make_unique<EncodeState>();
    s->cinfo.err = Install(s->err);
    if (setjmp(s->err.jump)) {
        jpeg_destroy_compress(&s->cinfo);
        std::free(s->buffer);
        throw JpegError(s->err.message);
    }
    jpeg_create_compress(&s->cinfo);
    jpeg_mem_dest(&s->cinfo, &s->buffer, &s->size);
    s->cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
    s->cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
    s->cinfo.input_components = 3;
    s->cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&s->cinfo);
    jpeg_set_quality(&s->cinfo, quality, TRUE);
    jpeg_start_compress(&s->cinfo, TRUE);
    while (s->cinfo.next_scanline < s->cinfo.image_height) {
        // libjpeg only reads the rows; its API just is not const-correct.
        JSAMPROW row = const_cast<uint8_t*>(bitmap.ScanLine(static_cast<int>(s->cinfo.next_scanline)));
        jpeg_write_scanlines(&s->cinfo, &row, 1);
    }
    jpeg_finish_compress(&s->cinfo);
    jpeg_destroy_compress(&s->cinfo);

    std::unique_ptr<unsigned char, decltype(&std::free)> owned(s->buffer, &std::free);
    data_.assign(owned.get(), owned.get() + s->size);
    width_ = bitmap.Width();
    height_ = bitmap.Height();
    format_ = DecodedFormat::Bgr24;
}

}  // namespace platform
