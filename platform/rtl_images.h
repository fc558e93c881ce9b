// Platform images: a 24-bit bitmap with BMP, PNG and JPEG writers and an in-process clipboard.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

// A 24-bit colour bitmap, Width x Height pixels, row 0 at the top. Colour values are
// packed as the platform does: red in the lowest byte, then green, then blue; the top
// byte is ignored on input and 0 on output.
class QMR_API TBitmap {
public:
    TBitmap() = default;
    // A bitmap of the given size, all black; negative sizes count as 0.
    TBitmap(std::int32_t AWidth, std::int32_t AHeight);

    std::int32_t Width() const noexcept { return FWidth; }
    std::int32_t Height() const noexcept { return FHeight; }
    // True when the bitmap has no pixel.
    bool Empty() const noexcept { return FWidth == 0 || FHeight == 0; }
    // Resizes to AWidth x AHeight (negative sizes count as 0); every pixel becomes black.
    void SetSize(std::int32_t AWidth, std::int32_t AHeight);

    // Colour of pixel (X, Y); 0 outside the bitmap.
    std::uint32_t Pixel(std::int32_t X, std::int32_t Y) const noexcept;
    // Sets pixel (X, Y); ignored outside the bitmap.
    void SetPixel(std::int32_t X, std::int32_t Y, std::uint32_t Color) noexcept;
    // Fills the rectangle [X0, X1) x [Y0, Y1), cut to the bitmap, with Color.
    void FillRect(std::int32_t X0, std::int32_t Y0, std::int32_t X1, std::int32_t Y1, std::uint32_t Color) noexcept;
    // Row Y as Width triples of red, green, blue; nullptr outside the bitmap.
    const std::uint8_t* ScanLine(std::int32_t Y) const noexcept;

    // Writers; false when the file cannot be written or the image cannot be encoded.
    // An empty bitmap cannot be encoded.
    bool SaveToBmpFile(const std::string& FileName) const;   // uncompressed 24-bit Windows bitmap
    bool SaveToPngFile(const std::string& FileName) const;   // 8-bit RGB PNG
    bool SaveToJpegFile(const std::string& FileName) const;  // baseline JPEG, quality JpegQuality

    // Quality of the JPEG writer (the platform default).
    static constexpr int JpegQuality = 90;

    friend bool operator==(const TBitmap&, const TBitmap&) = default;

private:
    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    std::vector<std::uint8_t> FData;  // Height rows of Width RGB triples, top row first
};

// The clipboard of this process. A headless host has no system clipboard, so the
// library keeps the last image put there itself; it is safe to use from several threads.

// Replaces the clipboard's contents by a copy of Bitmap.
QMR_API void ClipboardSetBitmap(const TBitmap& Bitmap);
// True when the clipboard holds an image.
QMR_API bool ClipboardHasBitmap();
// Copies the clipboard's image into Bitmap and returns true; false (Bitmap unchanged) when empty.
QMR_API bool ClipboardGetBitmap(TBitmap& Bitmap);
// Empties the clipboard.
QMR_API void ClipboardClear();

}  // namespace qmr
