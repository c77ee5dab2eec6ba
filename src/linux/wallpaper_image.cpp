// Decodes the wallpaper. libjpeg and libpng report errors by longjmp: the functions that set the jump point hold no
// C++ object of their own, only the libraries' structures and what their callers own, so that nothing is skipped
// on the way out.
#include "wallpaper_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <webp/decode.h>

namespace nivora::program {
namespace {

constexpr char kTruncated[] = "is truncated or damaged";
constexpr char kTooLarge[] = "is larger than the outputs need";

// Memory libjpeg may take for itself: a progressive picture holds all its coefficients, 2 bytes a pixel and colour.
constexpr long kJpegMemory = 256L << 20;

bool startsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

bool isWebp(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WEBP", 4) == 0;
}

bool fits(int64_t width, int64_t height, const WallpaperLimits& limits)
{
    // Divided, not multiplied: a header's two 32-bit sides would overflow the product.
    return width > 0 && height > 0 && width <= limits.maxPixels && height <= limits.maxPixels / width;
}

// ---- JPEG ----

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool truncated;
};

void onJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void onJpegMessage(j_common_ptr info, int level)
{
    // Warnings are not said; a picture that ended early is refused, not shown half grey.
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegErrors*>(info->err)->truncated = true;
}

// The largest of libjpeg's scalings 1/1, 1/2, 1/4 and 1/8 that still covers the wanted size; smaller while the
// result is over the limit.
unsigned jpegDenominator(const jpeg_decompress_struct& info, const WallpaperLimits& limits)
{
    const auto scaled = [&](unsigned d, JDIMENSION size) { return (int64_t{size} + d - 1) / d; };
    unsigned d = 1;
    while (d < 8 && scaled(d * 2, info.image_width) >= limits.wantWidth &&
           scaled(d * 2, info.image_height) >= limits.wantHeight)
        d *= 2;
    while (d < 8 && !fits(scaled(d, info.image_width), scaled(d, info.image_height), limits))
        d *= 2;
    return d;
}

// Into `out` (sized here); returns the problem, or nullptr.
const char* decodeJpeg(std::span<const uint8_t> bytes, const WallpaperLimits& limits, std::vector<Pixel>& out,
                       int32_t& width, int32_t& height)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    errors.manager.emit_message = onJpegMessage;
    errors.truncated = false;
    const char* volatile problem = kTruncated;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return problem;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kJpegMemory;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = jpegDenominator(info, limits);
    info.out_color_space = JCS_EXT_BGRX;  // the core's byte order: B, G, R, then a byte nobody reads
    info.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&info);
    if (!fits(info.output_width, info.output_height, limits)) {
        jpeg_destroy_decompress(&info);
        return kTooLarge;
    }
    width = static_cast<int32_t>(info.output_width);
    height = static_cast<int32_t>(info.output_height);
    problem = "cannot be allocated";
    out.resize(size_t(width) * size_t(height));  // the one allocation that may throw: before any jump can skip it
    problem = kTruncated;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height && !errors.truncated) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(out.data() + size_t(info.output_scanline) * size_t(width));
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (errors.truncated) {
        jpeg_destroy_decompress(&info);
        return kTruncated;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return errors.truncated ? kTruncated : nullptr;
}

// ---- PNG ----

struct PngSource {
    std::span<const uint8_t> bytes;
    size_t at;
};

void onPngRead(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->bytes.size() - source->at)
        png_error(png, "truncated");
    std::memcpy(data, source->bytes.data() + source->at, length);
    source->at += length;
}

void onPngWarning(png_structp, png_const_charp) {}
void onPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// The reader and its information, freed however the decoding ends.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Reads the header and sets the transformations: every picture as 8-bit B, G, R, A.
const char* readPngHeader(PngReader& r, PngSource& source, const WallpaperLimits& limits, int32_t& width,
                          int32_t& height, int& passes)
{
    if (setjmp(png_jmpbuf(r.png)))
        return kTruncated;
    png_set_read_fn(r.png, &source, onPngRead);
    // The size is held to the limit here, not by libpng's own bounds; no chunk of text or profile beyond 1 MB.
    png_set_user_limits(r.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_malloc_max(r.png, 1u << 20);
    png_read_info(r.png, r.info);
    const png_uint_32 w = png_get_image_width(r.png, r.info), h = png_get_image_height(r.png, r.info);
    if (!fits(w, h, limits))
        return kTooLarge;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    png_set_expand(r.png);  // palettes, small greys and a transparent colour to 8-bit colour and alpha
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
    passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != size_t(width) * 4)
        return kTruncated;
    return nullptr;
}

const char* readPngRows(PngReader& r, std::vector<Pixel>& out, int32_t width, int32_t height, int passes)
{
    if (setjmp(png_jmpbuf(r.png)))
        return kTruncated;
    for (int pass = 0; pass < passes; ++pass)
        for (int32_t y = 0; y < height; ++y)
            png_read_row(r.png, reinterpret_cast<png_bytep>(out.data() + size_t(y) * size_t(width)), nullptr);
    png_read_end(r.png, nullptr);
    return nullptr;
}

const char* decodePng(std::span<const uint8_t> bytes, const WallpaperLimits& limits, std::vector<Pixel>& out,
                      int32_t& width, int32_t& height)
{
    const auto big = [&](size_t at) {
        return int64_t{bytes[at]} << 24 | int64_t{bytes[at + 1]} << 16 | int64_t{bytes[at + 2]} << 8 | bytes[at + 3];
    };
    // The header's size first, from the bytes: the chunks between it and the pixels are not read for nothing.
    if (bytes.size() >= 24 && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0 && big(16) > 0 && big(20) > 0 &&
        !fits(big(16), big(20), limits))
        return kTooLarge;
    // Every chunk within the file: libpng allocates a text chunk's claimed length before it reads a byte of it.
    for (size_t at = 8; at + 8 <= bytes.size();) {
        const int64_t length = big(at);
        if (length + 12 > int64_t(bytes.size() - at))
            return kTruncated;
        const bool end = std::memcmp(bytes.data() + at + 4, "IEND", 4) == 0;
        at += size_t(length) + 12;
        if (end)
            break;
    }
    PngReader r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
    if (!r.png || !(r.info = png_create_info_struct(r.png)))
        return "cannot be allocated";
    PngSource source{bytes, 0};
    int passes = 1;
    if (const char* problem = readPngHeader(r, source, limits, width, height, passes))
        return problem;
    out.resize(size_t(width) * size_t(height));
    if (const char* problem = readPngRows(r, out, width, height, passes))
        return problem;
    // Transparency over black, as the premultiplied WebP gives it.
    for (Pixel& p : out) {
        const uint32_t alpha = p >> 24;
        Pixel over = 0;
        for (int shift = 0; shift < 24; shift += 8)
            over |= (((p >> shift & 0xFFu) * alpha + 127u) / 255u) << shift;
        p = over;
    }
    return nullptr;
}

// ---- WebP ----

const char* decodeWebp(std::span<const uint8_t> bytes, const WallpaperLimits& limits, std::vector<Pixel>& out,
                       int32_t& width, int32_t& height)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return "cannot be decoded by this libwebp";
    if (WebPGetFeatures(bytes.data(), bytes.size(), &config.input) != VP8_STATUS_OK)
        return kTruncated;
    if (config.input.has_animation)
        return "is an animation";
    int64_t w = config.input.width, h = config.input.height;
    // Scaled down toward the wanted size, keeping the aspect and covering it, then within the limit.
    if (w > limits.wantWidth && h > limits.wantHeight) {
        const double factor = std::max(double(limits.wantWidth) / double(w), double(limits.wantHeight) / double(h));
        w = std::max<int64_t>(1, int64_t(double(w) * factor + 0.5));
        h = std::max<int64_t>(1, int64_t(double(h) * factor + 0.5));
    }
    if (!fits(w, h, limits))
        return kTooLarge;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    out.resize(size_t(width) * size_t(height));
    if (width != config.input.width || height != config.input.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    config.output.colorspace = MODE_bgrA;  // premultiplied: transparency over black
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(out.data());
    config.output.u.RGBA.stride = width * 4;
    config.output.u.RGBA.size = out.size() * 4;
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK ? nullptr : kTruncated;
}

}  // namespace

WallpaperLimits wallpaperLimitsFor(const std::vector<std::pair<int32_t, int32_t>>& outputSizes)
{
    WallpaperLimits limits;
    for (const auto& [w, h] : outputSizes) {
        if (int64_t{w} * h > int64_t{limits.wantWidth} * limits.wantHeight) {
            limits.wantWidth = std::max(1, w);
            limits.wantHeight = std::max(1, h);
        }
    }
    limits.maxPixels = 4 * int64_t{limits.wantWidth} * limits.wantHeight;
    return limits;
}

DecodedWallpaper decodeWallpaper(std::span<const uint8_t> bytes, const WallpaperLimits& limits)
{
    using Decoder = const char* (*)(std::span<const uint8_t>, const WallpaperLimits&, std::vector<Pixel>&, int32_t&,
                                    int32_t&);
    Decoder decoder = nullptr;
    if (startsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        decoder = decodePng;
    else if (startsWith(bytes, {0xFF, 0xD8, 0xFF}))
        decoder = decodeJpeg;
    else if (isWebp(bytes))
        decoder = decodeWebp;
    else
        return {std::nullopt, "is not a PNG, JPEG or WebP picture"};
    WallpaperImage image;
    const char* problem = nullptr;
    try {
        problem = decoder(bytes, limits, image.pixels, image.width, image.height);
    } catch (const std::bad_alloc&) {
        problem = "cannot be allocated";
    }
    if (problem)
        return {std::nullopt, problem};
    for (Pixel& p : image.pixels)
        p &= 0x00FFFFFFu;
    return {std::move(image), {}};
}

DecodedWallpaper readWallpaper(const std::string& path, const WallpaperLimits& limits)
{
    // Not blocking: a pipe or a device named as the wallpaper must not hold the saver up.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {std::nullopt, std::string("cannot be read: ") + std::strerror(errno)};
    struct stat status {};
    std::vector<uint8_t> bytes;
    std::string problem;
    if (fstat(fd, &status) != 0)
        problem = std::string("cannot be read: ") + std::strerror(errno);
    else if (S_ISDIR(status.st_mode))
        problem = "is a folder, not a picture";
    else if (!S_ISREG(status.st_mode))
        problem = "is not a regular file";
    else if (status.st_size > kMaxWallpaperFileBytes)
        problem = "is larger than 64 MB";
    else {
        bytes.resize(size_t(status.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n < 0)
                    problem = std::string("cannot be read: ") + std::strerror(errno);
                break;
            }
            got += size_t(n);
        }
        bytes.resize(got);  // a file that shrank while read is decoded as far as it goes
    }
    close(fd);
    if (!problem.empty())
        return {std::nullopt, problem};
    return decodeWallpaper(bytes, limits);
}

}  // namespace nivora::program
