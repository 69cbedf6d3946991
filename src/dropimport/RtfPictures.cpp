#include "dropimport/RtfPictures.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <libwmf/gd/gd.h>

namespace RtfPictures {

namespace {

const char* const InvalidMetafile = "Invalid metafile";
const char* const InvalidBitmap = "Bitmap image is not valid";
constexpr int ScreenDpi = 96;

std::uint32_t Le16(std::string_view d, size_t at) {
    return static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8;
}
std::uint32_t Le32(std::string_view d, size_t at) { return Le16(d, at) | Le16(d, at + 2) << 16; }
std::int32_t LeI32(std::string_view d, size_t at) { return static_cast<std::int32_t>(Le32(d, at)); }
std::int16_t LeI16(std::string_view d, size_t at) { return static_cast<std::int16_t>(Le16(d, at)); }
std::uint32_t Be32(std::string_view d, size_t at) {
    std::uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(d[at + i]);
    return v;
}

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

int ClampSide(std::int64_t side) { return static_cast<int>(std::clamp<std::int64_t>(side < 0 ? -side : side, 0, MaxImageSide)); }

// ---- Windows metafiles ----

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableSize = 22, MetaHeaderSize = 18;
enum : int { MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5, MM_TWIPS = 6 };

// A picture extent ("picw", "pich") in pixels: in the units of the mapping mode, and in
// hundredths of a millimetre for the isotropic and anisotropic modes.
int MetafileExtentToPixels(int extent, int mapMode) {
    const std::int64_t e = extent;
    switch (mapMode) {
        case MM_TEXT: return ClampSide(e);
        case MM_LOMETRIC: return ClampSide(e * ScreenDpi / 254);
        case MM_LOENGLISH: return ClampSide(e * ScreenDpi / 100);
        case MM_HIENGLISH: return ClampSide(e * ScreenDpi / 1000);
        case MM_TWIPS: return ClampSide(e * ScreenDpi / 1440);
        default: return ClampSide(e * ScreenDpi / 2540);
    }
}

size_t MetafileHeaderOffset(std::string_view d) {
    return d.size() >= PlaceableSize && Le32(d, 0) == PlaceableKey ? PlaceableSize : 0;
}

bool IsMetafileHeader(std::string_view d) {
    const size_t o = MetafileHeaderOffset(d);
    return d.size() >= o + MetaHeaderSize && (Le16(d, o) == 1 || Le16(d, o) == 2) && Le16(d, o + 2) == 9;
}

// Walks the records of a metafile and returns a copy cut after its end record, with the
// header's total size and largest record corrected: libwmf sizes its record buffer from the
// header, so a header that understates them must never reach it. Raises "Invalid metafile"
// when a record runs past the data or the end record is missing.
std::string CheckedMetafile(std::string_view d) {
    if (!IsMetafileHeader(d)) throw EInvalidGraphic(InvalidMetafile);
    const size_t o = MetafileHeaderOffset(d);
    size_t pos = o + MetaHeaderSize;
    std::uint32_t largest = 3;
    for (;;) {
        if (d.size() - pos < 6) throw EInvalidGraphic(InvalidMetafile);
        const std::uint32_t words = Le32(d, pos);
        if (words < 3 || words > (d.size() - pos) / 2) throw EInvalidGraphic(InvalidMetafile);
        largest = std::max(largest, words);
        pos += words * size_t{2};
        if (Le16(d, pos - words * size_t{2} + 4) == 0) break;  // the end record
    }
    std::string out(d.substr(0, pos));
    std::string fixed;
    Put32(fixed, static_cast<std::uint32_t>((pos - o) / 2));
    out.replace(o + 6, 4, fixed);
    fixed.clear();
    Put32(fixed, largest);
    out.replace(o + 12, 4, fixed);
    return out;
}

// The libwmf session of one playback; destroyed with everything it allocated.
class TWmfSession {
public:
    explicit TWmfSession(std::string& data) {
        wmfAPI_Options options{};
        options.function = wmf_gd_function;
        const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&FApi, flags, &options) != wmf_E_None) {
            FApi = nullptr;
            throw EInvalidGraphic(InvalidMetafile);
        }
        if (wmf_mem_open(FApi, reinterpret_cast<unsigned char*>(data.data()), static_cast<long>(data.size())) != wmf_E_None) {
            wmf_api_destroy(FApi);
            FApi = nullptr;
            throw EInvalidGraphic(InvalidMetafile);
        }
    }
    ~TWmfSession() {
        if (!FApi) return;
        FreeImage(WMF_GD_GetData(FApi)->gd_image);
        wmf_mem_close(FApi);
        wmf_api_destroy(FApi);
    }
    TWmfSession(const TWmfSession&) = delete;
    TWmfSession& operator=(const TWmfSession&) = delete;

    wmfAPI* Api() const { return FApi; }
    [[noreturn]] void Fail() const { throw EInvalidGraphic(InvalidMetafile); }

private:
    // libwmf hands the image over and keeps no reference, but exports no function to free it;
    // the structure is its public gd header.
    static void FreeImage(void* handle) {
        gdImage* image = static_cast<gdImage*>(handle);
        if (!image) return;
        if (image->pixels) {
            for (int y = 0; y < image->sy; ++y) std::free(image->pixels[y]);
            std::free(image->pixels);
        }
        std::free(image->tpixels);
        std::free(image->_tpixels);
        std::free(image->polyInts);
        std::free(image->style);
        if (image->clip) std::free(image->clip->list);
        std::free(image->clip);
        std::free(image);
    }

    wmfAPI* FApi = nullptr;
};

// A 24-bit bottom-up BMP of true-colour gd pixels (0x00RRGGBB with a 7-bit transparency in the
// top byte), composed over white.
std::string BitmapFile(const int* pixels, int width, int height) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::string out;
    out.reserve(54 + imageBytes);
    out += "BM";
    Put32(out, 54 + imageBytes);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 3780);  // 96 dpi in pixels per metre
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const int* row = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const int p = row[x];
            const int clear = (p >> 24) & 0x7F;
            const auto over = [clear](int c) { return static_cast<char>((c * (127 - clear) + 255 * clear) / 127); };
            out.push_back(over(p & 0xFF));
            out.push_back(over((p >> 8) & 0xFF));
            out.push_back(over((p >> 16) & 0xFF));
        }
        out.append(rowBytes - static_cast<std::uint32_t>(width) * 3, '\0');
    }
    return out;
}

// The raster for a picture of the given size: at most MaxRasterSide on either side, keeping
// the proportions.
void RasterSize(int width, int height, unsigned& rasterWidth, unsigned& rasterHeight) {
    const double scale = std::min(1.0, static_cast<double>(MaxRasterSide) / std::max(width, height));
    rasterWidth = std::max(1u, static_cast<unsigned>(width * scale));
    rasterHeight = std::max(1u, static_cast<unsigned>(height * scale));
}

// ---- Device-independent bitmaps, enhanced metafiles ----

// The bitmap file of a DIB: a 14-byte file header ("BM", the file size, reserved zeros and the
// offset of the pixels) in front of the data. Raises "Bitmap image is not valid".
std::unique_ptr<TRVGraphic> BitmapFromDIB(std::string_view dib) {
    if (dib.size() < 12) throw EInvalidGraphic(InvalidBitmap);
    const std::uint32_t headerSize = Le32(dib, 0);
    std::int64_t width, height;
    std::uint32_t bitCount, colors = 0, masks = 0, entrySize = 4;
    if (headerSize == 12) {
        width = Le16(dib, 4);
        height = Le16(dib, 6);
        bitCount = Le16(dib, 10);
        entrySize = 3;
    } else if (headerSize >= 40 && headerSize <= dib.size()) {
        width = LeI32(dib, 4);
        height = LeI32(dib, 8);
        bitCount = Le16(dib, 14);
        colors = Le32(dib, 32);
        if (headerSize == 40 && Le32(dib, 16) == 3) masks = 12;  // BI_BITFIELDS
    } else {
        throw EInvalidGraphic(InvalidBitmap);
    }
    if (bitCount <= 8 && colors == 0) colors = 1u << bitCount;
    if (bitCount > 8) colors = std::min<std::uint32_t>(colors, 1u << 16);
    const std::uint64_t pixelsAt = headerSize + masks + std::uint64_t{colors} * entrySize;
    const bool knownDepth = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    if (width <= 0 || height == 0 || !knownDepth || pixelsAt > dib.size()) throw EInvalidGraphic(InvalidBitmap);
    auto graphic = std::make_unique<TRVGraphic>();
    graphic->Kind = TRVGraphicKind::Bitmap;
    graphic->Width = ClampSide(width);
    graphic->Height = ClampSide(height);
    graphic->Data = "BM";
    Put32(graphic->Data, static_cast<std::uint32_t>(14 + dib.size()));
    Put32(graphic->Data, 0);
    Put32(graphic->Data, static_cast<std::uint32_t>(14 + pixelsAt));
    graphic->Data.append(dib);
    return graphic;
}

constexpr std::uint32_t EmfSignature = 0x464D4520;  // " EMF"

bool IsEnhMetafile(std::string_view d) { return d.size() >= 88 && Le32(d, 0) == 1 && Le32(d, 40) == EmfSignature; }

// An enhanced metafile has no player here: its bytes are kept and its size read from the
// header's bounds. Raises "Invalid metafile" when the header is not one.
std::unique_ptr<TRVGraphic> EnhMetafile(std::string_view data) {
    if (!IsEnhMetafile(data)) throw EInvalidGraphic(InvalidMetafile);
    auto graphic = std::make_unique<TRVGraphic>();
    graphic->Kind = TRVGraphicKind::EnhMetafile;
    graphic->Width = ClampSide(std::int64_t{LeI32(data, 16)} - LeI32(data, 8) + 1);
    graphic->Height = ClampSide(std::int64_t{LeI32(data, 20)} - LeI32(data, 12) + 1);
    graphic->Data.assign(data);
    return graphic;
}

std::unique_ptr<TRVGraphic> Metafile(std::string_view data, int mapMode, int width, int height) {
    if (!IsMetafileHeader(data)) throw EInvalidGraphic(InvalidMetafile);
    auto graphic = std::make_unique<TRVGraphic>();
    graphic->Kind = TRVGraphicKind::Metafile;
    graphic->MapMode = mapMode;
    graphic->Width = width;
    graphic->Height = height;
    graphic->Data.assign(data);
    return graphic;
}

std::unique_ptr<TRVGraphic> Compressed(TRVGraphicKind kind, std::string_view data) {
    auto graphic = std::make_unique<TRVGraphic>();
    graphic->Kind = kind;
    const bool ok = kind == TRVGraphicKind::PNG ? ReadPNGSize(data, graphic->Width, graphic->Height)
                                               : ReadJPEGSize(data, graphic->Width, graphic->Height);
    if (!ok) graphic->Width = graphic->Height = 0;
    graphic->Data.assign(data);
    return graphic;
}

// ---- JPEG through libjpeg ----

struct TJpegErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<TJpegErrorManager*>(info->err)->Jump, 1); }
void JpegNoMessage(j_common_ptr) {}

constexpr char PngSignature[] = "\x89PNG\r\n\x1A\n";

}  // namespace

bool ReadPNGSize(std::string_view data, int& width, int& height) {
    if (data.size() < 24 || data.substr(0, 8) != std::string_view(PngSignature, 8) || data.substr(12, 4) != "IHDR")
        return false;
    const std::uint32_t w = Be32(data, 16), h = Be32(data, 20);
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
    width = ClampSide(w);
    height = ClampSide(h);
    return true;
}

// Only the header is read: the writer saves the bytes as they are, and a picture is not
// decoded before something draws it.
bool ReadJPEGSize(std::string_view data, int& width, int& height) {
    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof info);  // jpeg_destroy_decompress is safe on it from here on
    TJpegErrorManager errors;
    info.err = jpeg_std_error(&errors.Public);
    errors.Public.error_exit = JpegErrorExit;
    errors.Public.output_message = JpegNoMessage;
    if (setjmp(errors.Jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
    const bool ok = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && info.image_width > 0 && info.image_height > 0;
    if (ok) {
        width = ClampSide(info.image_width);
        height = ClampSide(info.image_height);
    }
    jpeg_destroy_decompress(&info);
    return ok;
}

std::unique_ptr<TRVGraphic> MakeGraphic(const TRVRTFPicture& picture) {
    switch (picture.Type) {
        case rtf_pict_EMF: return EnhMetafile(picture.Data);
        case rtf_pict_PNG: return Compressed(TRVGraphicKind::PNG, picture.Data);
        case rtf_pict_JPEG: return Compressed(TRVGraphicKind::JPEG, picture.Data);
        case rtf_pict_WMF:
            return Metafile(picture.Data, picture.MetafileMapMode, MetafileExtentToPixels(picture.PicW, picture.MetafileMapMode),
                            MetafileExtentToPixels(picture.PicH, picture.MetafileMapMode));
        case rtf_pict_DIB: return BitmapFromDIB(picture.Data);
        default: return nullptr;
    }
}

std::unique_ptr<TRVGraphic> GraphicFromFile(std::string bytes) {
    const std::string_view d = bytes;
    try {
        if (d.substr(0, 8) == std::string_view(PngSignature, 8)) return Compressed(TRVGraphicKind::PNG, d);
        if (d.substr(0, 3) == "\xFF\xD8\xFF") return Compressed(TRVGraphicKind::JPEG, d);
        if (d.substr(0, 2) == "BM" && d.size() > 14) {
            auto graphic = BitmapFromDIB(d.substr(14));
            graphic->Data = std::move(bytes);
            return graphic;
        }
        if (IsEnhMetafile(d)) return EnhMetafile(d);
        if (MetafileHeaderOffset(d) == PlaceableSize && IsMetafileHeader(d)) {
            // The placeable header gives the bounds in logical units and the units per inch.
            const int inch = static_cast<int>(Le16(d, 14));
            const auto side = [&](size_t a, size_t b) {
                return inch > 0 ? ClampSide((std::int64_t{LeI16(d, b)} - LeI16(d, a)) * ScreenDpi / inch) : 0;
            };
            return Metafile(d, 8, side(6, 10), side(8, 12));
        }
        if (IsMetafileHeader(d)) return Metafile(d, 8, 0, 0);
    } catch (const EInvalidGraphic&) {
    }
    return nullptr;
}

std::string MetafileToBitmap(TRVGraphic& metafile, std::uint64_t& pixelBudget) {
    std::string data = CheckedMetafile(metafile.Data);
    TWmfSession session(data);
    wmfD_Rect bounds;
    if (wmf_scan(session.Api(), 0, &bounds) != wmf_E_None) session.Fail();
    if (metafile.Width <= 0 || metafile.Height <= 0) {
        unsigned width = 0, height = 0;
        if (wmf_display_size(session.Api(), &width, &height, ScreenDpi, ScreenDpi) != wmf_E_None) session.Fail();
        metafile.Width = ClampSide(width);
        metafile.Height = ClampSide(height);
        if (metafile.Width <= 0 || metafile.Height <= 0) session.Fail();
    }
    unsigned rasterWidth, rasterHeight;
    RasterSize(metafile.Width, metafile.Height, rasterWidth, rasterHeight);
    const std::uint64_t pixels = std::uint64_t{rasterWidth} * rasterHeight;
    if (pixels > pixelBudget) return std::string();
    pixelBudget -= pixels;
    wmf_gd_t* device = WMF_GD_GetData(session.Api());
    device->type = wmf_gd_image;
    device->width = rasterWidth;
    device->height = rasterHeight;
    device->bbox = bounds;
    if (wmf_play(session.Api(), 0, &bounds) != wmf_E_None || !device->gd_image) session.Fail();
    const int* image = wmf_gd_image_pixels(device->gd_image);
    if (!image) session.Fail();
    return BitmapFile(image, static_cast<int>(rasterWidth), static_cast<int>(rasterHeight));
}

}  // namespace RtfPictures
