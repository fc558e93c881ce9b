// Integer arrays written as images (read back with the codecs), the clipboard,
// masked fill and row/column removal.
#include "qmr_test_support.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

using namespace qmr;

namespace {

// Decoded image: Width x Height RGB triples, top row first.
struct Rgb {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Px;
    std::uint32_t At(int X, int Y) const {
        const std::uint8_t* P = &Px[(static_cast<std::size_t>(Y) * Width + X) * 3];
        return P[0] | (P[1] << 8) | (P[2] << 16);
    }
};

std::uint32_t Le(const std::vector<std::uint8_t>& B, std::size_t At, int Bytes) {
    std::uint32_t V = 0;
    for (int I = Bytes - 1; I >= 0; --I) V = (V << 8) | B[At + I];
    return V;
}

// Reads an uncompressed 24-bit bottom-up Windows bitmap.
bool ReadBmp(const std::string& File, Rgb& Out) {
    std::ifstream In(File, std::ios::binary);
    const std::vector<std::uint8_t> B((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    if (B.size() < 54 || B[0] != 'B' || B[1] != 'M' || Le(B, 2, 4) != B.size()) return false;
    if (Le(B, 14, 4) != 40 || Le(B, 26, 2) != 1 || Le(B, 28, 2) != 24 || Le(B, 30, 4) != 0) return false;
    Out.Width = static_cast<int>(Le(B, 18, 4));
    Out.Height = static_cast<int>(Le(B, 22, 4));
    const std::size_t Stride = (static_cast<std::size_t>(Out.Width) * 3 + 3) / 4 * 4;
    const std::size_t Offset = Le(B, 10, 4);
    if (Offset + Stride * Out.Height != B.size()) return false;
    Out.Px.resize(static_cast<std::size_t>(Out.Width) * Out.Height * 3);
    for (int Y = 0; Y < Out.Height; ++Y)
        for (int X = 0; X < Out.Width; ++X) {
            const std::size_t S = Offset + (Out.Height - 1 - Y) * Stride + X * 3;
            std::uint8_t* D = &Out.Px[(static_cast<std::size_t>(Y) * Out.Width + X) * 3];
            D[0] = B[S + 2];
            D[1] = B[S + 1];
            D[2] = B[S];
        }
    return true;
}

bool ReadPng(const std::string& File, Rgb& Out) {
    png_image Img{};
    Img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&Img, File.c_str())) return false;
    Img.format = PNG_FORMAT_RGB;
    Out.Width = static_cast<int>(Img.width);
    Out.Height = static_cast<int>(Img.height);
    Out.Px.resize(PNG_IMAGE_SIZE(Img));
    return png_image_finish_read(&Img, nullptr, Out.Px.data(), 0, nullptr) != 0;
}

bool ReadJpeg(const std::string& File, Rgb& Out) {
    std::FILE* F = std::fopen(File.c_str(), "rb");
    if (!F) return false;
    jpeg_decompress_struct Info;
    jpeg_error_mgr Err;
    Info.err = jpeg_std_error(&Err);  // a corrupt file ends the test program
    jpeg_create_decompress(&Info);
    jpeg_stdio_src(&Info, F);
    jpeg_read_header(&Info, TRUE);
    Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&Info);
    Out.Width = static_cast<int>(Info.output_width);
    Out.Height = static_cast<int>(Info.output_height);
    Out.Px.resize(static_cast<std::size_t>(Out.Width) * Out.Height * 3);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW Row = &Out.Px[static_cast<std::size_t>(Info.output_scanline) * Out.Width * 3];
        jpeg_read_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_decompress(&Info);
    jpeg_destroy_decompress(&Info);
    std::fclose(F);
    return true;
}

// A 4 x 3 array of colours; the top bytes carry junk that must be ignored.
TInt2DArray Palette() {
    const std::uint32_t C[4][3] = {{0x000000FF, 0x0000FF00, 0x00FF0000},
                                   {0xAB808080, 0x00FFFFFF, 0x00000000},
                                   {0x0040C020, 0x7F2060A0, 0x00E0E000},
                                   {0x00102030, 0xFF00FFFF, 0x00FF00FF}};
    TInt2DArray A(4, TIntArray(3));
    for (int X = 0; X < 4; ++X)
        for (int Y = 0; Y < 3; ++Y) A[X][Y] = static_cast<std::int32_t>(C[X][Y]);
    return A;
}

int ChannelDiff(std::uint32_t A, std::uint32_t B) {
    int M = 0;
    for (int S = 0; S < 24; S += 8) M = std::max(M, std::abs(int((A >> S) & 0xFF) - int((B >> S) & 0xFF)));
    return M;
}

// Every pixel of Got equals its cell's colour (within Tol per channel; for JPEG only
// pixels at least Margin away from a cell edge are compared).
void ExpectScaled(const Rgb& Got, const TInt2DArray& Img, int Scale, int Tol, int Margin) {
    ASSERT_EQ(Got.Width, static_cast<int>(Img.size()) * Scale);
    ASSERT_EQ(Got.Height, static_cast<int>(Img[0].size()) * Scale);
    for (int Y = 0; Y < Got.Height; ++Y)
        for (int X = 0; X < Got.Width; ++X) {
            const int Dx = X % Scale, Dy = Y % Scale;
            if (std::min(Dx, Scale - 1 - Dx) < Margin || std::min(Dy, Scale - 1 - Dy) < Margin) continue;
            const auto Want = static_cast<std::uint32_t>(Img[X / Scale][Y / Scale]) & 0xFFFFFFu;
            ASSERT_LE(ChannelDiff(Got.At(X, Y), Want), Tol) << "pixel " << X << "," << Y;
        }
}

TEST(SaveArrayAsImg, RoundTripThroughTheCodecs) {
    const TInt2DArray Img = Palette();
    Rgb Got;
    test::TempPath Bmp("img.bmp"), Png("img.PNG"), Jpg("img.jpg"), Odd("odd.bmp");
    ASSERT_EQ(SaveArrayAsImg(Bmp.str(), Img, 3), 0);
    ASSERT_TRUE(ReadBmp(Bmp.str(), Got));
    ExpectScaled(Got, Img, 3, 0, 0);
    // An odd width needs row padding in a bitmap file.
    const TInt2DArray Column{{0x00123456, 0x00654321}};
    ASSERT_EQ(SaveArrayAsImg(Odd.str(), Column, 1), 0);
    ASSERT_TRUE(ReadBmp(Odd.str(), Got));
    ExpectScaled(Got, Column, 1, 0, 0);

    ASSERT_EQ(SaveArrayAsImg(Png.str(), Img, 2), 0);  // the extension test ignores case
    ASSERT_TRUE(ReadPng(Png.str(), Got));
    ExpectScaled(Got, Img, 2, 0, 0);

    ASSERT_EQ(SaveArrayAsImg(Jpg.str(), Img, 10), 0);
    ASSERT_TRUE(ReadJpeg(Jpg.str(), Got));
    ExpectScaled(Got, Img, 10, 24, 2);
}

TEST(SaveArrayAsImg, ClipboardHoldsTheLastImage) {
    ClipboardClear();
    TBitmap B;
    EXPECT_FALSE(ClipboardGetBitmap(B));
    const TInt2DArray Img = Palette();
    ASSERT_EQ(SaveArrayAsImg("", Img, 2), 0);
    ASSERT_TRUE(ClipboardHasBitmap());
    ASSERT_TRUE(ClipboardGetBitmap(B));
    ASSERT_EQ(B.Width(), 8);
    ASSERT_EQ(B.Height(), 6);
    for (int Y = 0; Y < 6; ++Y)
        for (int X = 0; X < 8; ++X) EXPECT_EQ(B.Pixel(X, Y), static_cast<std::uint32_t>(Img[X / 2][Y / 2]) & 0xFFFFFFu);
    ASSERT_EQ(SaveArrayAsImg("", TInt2DArray{{5}}, 1), 0);
    ASSERT_TRUE(ClipboardGetBitmap(B));
    EXPECT_EQ(B.Width(), 1);
    EXPECT_EQ(B.Pixel(0, 0), 5u);
    ClipboardClear();
    EXPECT_FALSE(ClipboardHasBitmap());
}

TEST(SaveArrayAsImg, StatusCodes) {
    const TInt2DArray Img{{1, 2}, {3, 4}};
    test::TempPath P("s.png");
    EXPECT_EQ(SaveArrayAsImg(P.str(), Img, 0), -2);
    EXPECT_EQ(SaveArrayAsImg(P.str(), Img, 11), -2);
    EXPECT_FALSE(std::filesystem::exists(P.str()));
    EXPECT_EQ(SaveArrayAsImg("", Img, 0), -2);
    EXPECT_EQ(SaveArrayAsImg("pic.gif", Img, 1), -1);
    EXPECT_EQ(SaveArrayAsImg("pic.gif", Img, 0), -1);  // both wrong: the extension wins
    EXPECT_EQ(SaveArrayAsImg("picture", Img, 1), -1);
    EXPECT_EQ(SaveArrayAsImg("dir.png/picture", Img, 1), -1);
    EXPECT_EQ(SaveArrayAsImg("picture.", Img, 1), -1);
    EXPECT_EQ(SaveArrayAsImg("picture.jpeg", Img, 1), -1);  // only the three listed extensions
    EXPECT_EQ(SaveArrayAsImg("picture.png.txt", Img, 1), -1);
    EXPECT_EQ(SaveArrayAsImg(P.str(), TInt2DArray{}, 1), -1);
    EXPECT_EQ(SaveArrayAsImg(P.str(), TInt2DArray{{}, {}}, 1), -1);
    EXPECT_EQ(SaveArrayAsImg(P.str(), TInt2DArray{{1, 2}, {3}}, 1), -1);  // ragged
    EXPECT_FALSE(std::filesystem::exists(P.str()));
    // A file that cannot be written is a failure, not success.
    const std::string Missing = (std::filesystem::temp_directory_path() / "no_such_dir_qmr" / "x").string();
    EXPECT_EQ(SaveArrayAsImg(Missing + ".bmp", Img, 1), -3);
    EXPECT_EQ(SaveArrayAsImg(Missing + ".png", Img, 1), -3);
    EXPECT_EQ(SaveArrayAsImg(Missing + ".jpg", Img, 1), -3);
}

template <class T> class MaskedAndRemoval : public ::testing::Test {};
using Cells = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(MaskedAndRemoval, Cells);

TYPED_TEST(MaskedAndRemoval, FillArrayMasked) {
    using A2 = std::vector<std::vector<TypeParam>>;
    const A2 Orig{{1, 2}, {3, 4}, {5, 6}};
    A2 A = Orig;
    const TBool2DArray Mask{{true, false}, {false, false}, {true, true}};
    EXPECT_EQ(FillArrayMasked(A, TypeParam(9), Mask), 0);
    EXPECT_EQ(A, (A2{{1, 9}, {9, 9}, {5, 6}}));
    A = Orig;
    EXPECT_EQ(FillArrayMasked(A, TypeParam(9), TBool2DArray{{true, false}, {false, false}}), -1);
    EXPECT_EQ(FillArrayMasked(A, TypeParam(9), TBool2DArray(3, TBoolArray(3))), -1);
    EXPECT_EQ(FillArrayMasked(A, TypeParam(9), TBool2DArray{{true, false}, {false, false}, {true}}), -1);
    EXPECT_EQ(A, Orig);
    A2 Empty;
    EXPECT_EQ(FillArrayMasked(Empty, TypeParam(9), Mask), -2);
    A2 Ragged{{1, 2}, {3}};
    EXPECT_EQ(FillArrayMasked(Ragged, TypeParam(9), TBool2DArray(2, TBoolArray(2))), -2);
    EXPECT_EQ(Ragged, (A2{{1, 2}, {3}}));
    // A missing mask: the real form fills everything, the integer form refuses.
    const std::int32_t R = FillArrayMasked(A, TypeParam(7), TBool2DArray{});
    if constexpr (std::is_same_v<TypeParam, double>) {
        EXPECT_EQ(R, 0);
        EXPECT_EQ(A, A2(3, std::vector<TypeParam>(2, 7)));
    } else {
        EXPECT_EQ(R, -2);
        EXPECT_EQ(A, Orig);
    }
}

TYPED_TEST(MaskedAndRemoval, RemoveRowAndColumn) {
    using A2 = std::vector<std::vector<TypeParam>>;
    A2 A{{1, 2, 3}, {4, 5, 6}};
    EXPECT_TRUE(RemoveRow(A, 1));
    EXPECT_EQ(A, (A2{{1, 3}, {4, 6}}));
    EXPECT_FALSE(RemoveRow(A, 2));
    EXPECT_FALSE(RemoveRow(A, -1));
    EXPECT_TRUE(RemoveColumn(A, 0));
    EXPECT_EQ(A, (A2{{4, 6}}));
    EXPECT_FALSE(RemoveColumn(A, 1));  // Col = Length(A)
    EXPECT_TRUE(RemoveRow(A, 0));
    EXPECT_TRUE(RemoveRow(A, 0));  // the only row: columns of length 0 remain
    EXPECT_EQ(A, A2(1));
    EXPECT_FALSE(RemoveRow(A, 0));
    EXPECT_TRUE(RemoveColumn(A, 0));
    EXPECT_TRUE(A.empty());
    EXPECT_FALSE(RemoveColumn(A, 0));
    EXPECT_FALSE(RemoveRow(A, 0));
    A2 Ragged{{1, 2}, {3}};
    EXPECT_FALSE(RemoveRow(Ragged, 1));
    EXPECT_FALSE(RemoveColumn(Ragged, 0));
    EXPECT_EQ(Ragged, (A2{{1, 2}, {3}}));
}

}  // namespace
