// Platform images: the 24-bit bitmap, its BMP, PNG and JPEG writers and the clipboard.
#include "platform/rtl_images.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace qmr {

namespace {

std::int32_t NonNegative(std::int32_t V) { return V < 0 ? 0 : V; }

// Little-endian stores for the BMP headers.
void Put16(std::uint8_t* P, std::uint16_t V) {
    P[0] = static_cast<std::uint8_t>(V);
    P[1] = static_cast<std::uint8_t>(V >> 8);
}
void Put32(std::uint8_t* P, std::uint32_t V) {
    for (int I = 0; I < 4; ++I) P[I] = static_cast<std::uint8_t>(V >> (8 * I));
}

// ------------------------------------------------------------------ JPEG
// libjpeg reports fatal errors through error_exit, which must not return: it jumps
// back to the writer below. Only plain C objects live across the jump.

struct JpegErrorMgr {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

extern "C" void JpegErrorExit(j_common_ptr Info) {
    auto* Err = reinterpret_cast<JpegErrorMgr*>(Info->err);
    std::longjmp(Err->Jump, 1);
}

extern "C" void JpegOutputMessage(j_common_ptr) {}  // no console chatter

bool WriteJpeg(std::FILE* F, const std::uint8_t* Data, std::int32_t Width, std::int32_t Height, int Quality) {
    jpeg_compress_struct Info;
    JpegErrorMgr Err;
    std::memset(&Info, 0, sizeof Info);
    Info.err = jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = JpegErrorExit;
    Err.Pub.output_message = JpegOutputMessage;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_compress(&Info);
        return false;
    }
    jpeg_create_compress(&Info);
    jpeg_stdio_dest(&Info, F);
    Info.image_width = static_cast<JDIMENSION>(Width);
    Info.image_height = static_cast<JDIMENSION>(Height);
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, Quality, TRUE);
    jpeg_start_compress(&Info, TRUE);
    const std::size_t Stride = static_cast<std::size_t>(Width) * 3;
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW Row = const_cast<JSAMPROW>(Data + Info.next_scanline * Stride);
        jpeg_write_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    return true;
}

// ------------------------------------------------------------------ clipboard

struct ClipboardStore {
    std::mutex Lock;
    std::optional<TBitmap> Image;
};

ClipboardStore& Clipboard() {
    static ClipboardStore Store;
    return Store;
}

}  // namespace

// ------------------------------------------------------------------ TBitmap

TBitmap::TBitmap(std::int32_t AWidth, std::int32_t AHeight) { SetSize(AWidth, AHeight); }

void TBitmap::SetSize(std::int32_t AWidth, std::int32_t AHeight) {
    FWidth = NonNegative(AWidth);
    FHeight = NonNegative(AHeight);
    if (FWidth == 0 || FHeight == 0) FWidth = FHeight = 0;
    FData.assign(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight) * 3, 0);
}

std::uint32_t TBitmap::Pixel(std::int32_t X, std::int32_t Y) const noexcept {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
    const std::uint8_t* P = ScanLine(Y) + static_cast<std::size_t>(X) * 3;
    return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
           (static_cast<std::uint32_t>(P[2]) << 16);
}

void TBitmap::SetPixel(std::int32_t X, std::int32_t Y, std::uint32_t Color) noexcept {
    FillRect(X, Y, X + (X < INT32_MAX ? 1 : 0), Y + (Y < INT32_MAX ? 1 : 0), Color);
}

void TBitmap::FillRect(std::int32_t X0, std::int32_t Y0, std::int32_t X1, std::int32_t Y1,
                       std::uint32_t Color) noexcept {
    X0 = std::max(X0, 0);
    Y0 = std::max(Y0, 0);
    X1 = std::min(X1, FWidth);
    Y1 = std::min(Y1, FHeight);
    const auto R = static_cast<std::uint8_t>(Color);
    const auto G = static_cast<std::uint8_t>(Color >> 8);
    const auto B = static_cast<std::uint8_t>(Color >> 16);
    for (std::int32_t Y = Y0; Y < Y1; ++Y) {
        std::uint8_t* P = FData.data() + (static_cast<std::size_t>(Y) * FWidth + X0) * 3;
        for (std::int32_t X = X0; X < X1; ++X, P += 3) {
            P[0] = R;
            P[1] = G;
            P[2] = B;
        }
    }
}

const std::uint8_t* TBitmap::ScanLine(std::int32_t Y) const noexcept {
    if (Y < 0 || Y >= FHeight) return nullptr;
    return FData.data() + static_cast<std::size_t>(Y) * FWidth * 3;
}

bool TBitmap::SaveToBmpFile(const std::string& FileName) const {
    if (Empty()) return false;
    const std::uint64_t RowBytes = (static_cast<std::uint64_t>(FWidth) * 3 + 3) / 4 * 4;
    const std::uint64_t ImageBytes = RowBytes * static_cast<std::uint64_t>(FHeight);
    constexpr std::uint32_t HeaderBytes = 14 + 40;
    if (ImageBytes + HeaderBytes > UINT32_MAX) return false;  // beyond the format's 32-bit sizes

    std::uint8_t Header[HeaderBytes] = {};
    Header[0] = 'B';
    Header[1] = 'M';
    Put32(Header + 2, static_cast<std::uint32_t>(ImageBytes + HeaderBytes));  // file size
    Put32(Header + 10, HeaderBytes);                                          // offset of the pixels
    Put32(Header + 14, 40);                                                   // info header size
    Put32(Header + 18, static_cast<std::uint32_t>(FWidth));
    Put32(Header + 22, static_cast<std::uint32_t>(FHeight));  // positive: bottom row first
    Put16(Header + 26, 1);                                    // planes
    Put16(Header + 28, 24);                                   // bits per pixel
    Put32(Header + 34, static_cast<std::uint32_t>(ImageBytes));
    Put32(Header + 38, 2835);  // 72 dpi
    Put32(Header + 42, 2835);

    std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
    if (!Out) return false;
    Out.write(reinterpret_cast<const char*>(Header), HeaderBytes);
    std::vector<std::uint8_t> Row(static_cast<std::size_t>(RowBytes), 0);
    for (std::int32_t Y = FHeight - 1; Y >= 0; --Y) {
        const std::uint8_t* Src = ScanLine(Y);
        for (std::int32_t X = 0; X < FWidth; ++X) {  // stored blue, green, red
            Row[3 * static_cast<std::size_t>(X) + 0] = Src[3 * static_cast<std::size_t>(X) + 2];
            Row[3 * static_cast<std::size_t>(X) + 1] = Src[3 * static_cast<std::size_t>(X) + 1];
            Row[3 * static_cast<std::size_t>(X) + 2] = Src[3 * static_cast<std::size_t>(X) + 0];
        }
        Out.write(reinterpret_cast<const char*>(Row.data()), static_cast<std::streamsize>(Row.size()));
    }
    Out.close();
    return !Out.fail();
}

bool TBitmap::SaveToPngFile(const std::string& FileName) const {
    if (Empty()) return false;
    png_image Image;
    std::memset(&Image, 0, sizeof Image);
    Image.version = PNG_IMAGE_VERSION;
    Image.width = static_cast<png_uint_32>(FWidth);
    Image.height = static_cast<png_uint_32>(FHeight);
    Image.format = PNG_FORMAT_RGB;
    const int Ok = png_image_write_to_file(&Image, FileName.c_str(), 0, FData.data(), 0, nullptr);
    png_image_free(&Image);
    return Ok != 0;
}

bool TBitmap::SaveToJpegFile(const std::string& FileName) const {
    if (Empty() || FWidth > JPEG_MAX_DIMENSION || FHeight > JPEG_MAX_DIMENSION) return false;
    std::FILE* F = std::fopen(FileName.c_str(), "wb");
    if (!F) return false;
    const bool Ok = WriteJpeg(F, FData.data(), FWidth, FHeight, JpegQuality);
    const bool Closed = std::fclose(F) == 0;
    return Ok && Closed;
}

// ------------------------------------------------------------------ clipboard

void ClipboardSetBitmap(const TBitmap& Bitmap) {
    TBitmap Copy = Bitmap;  // copy outside the lock
    ClipboardStore& S = Clipboard();
    std::lock_guard<std::mutex> G(S.Lock);
    S.Image = std::move(Copy);
}

bool ClipboardHasBitmap() {
    ClipboardStore& S = Clipboard();
    std::lock_guard<std::mutex> G(S.Lock);
    return S.Image.has_value();
}

bool ClipboardGetBitmap(TBitmap& Bitmap) {
    ClipboardStore& S = Clipboard();
    std::lock_guard<std::mutex> G(S.Lock);
    if (!S.Image) return false;
    Bitmap = *S.Image;
    return true;
}

void ClipboardClear() {
    ClipboardStore& S = Clipboard();
    std::lock_guard<std::mutex> G(S.Lock);
    S.Image.reset();
}

}  // namespace qmr
