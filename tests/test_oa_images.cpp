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
using namespace qmr::test;

namespace {

// Decoded image: Width x Height RGB triples, top row first.
struct Rgb {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Px;
};

// Reads an uncompressed 24-bit bottom-up Windows bitmap, checking its headers.
bool ReadBmp(const std::string& File, Rgb& Out) {
    std::ifstream In(File, std::ios::binary);
    const std::vector<std::uint8_t> B((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    const auto Le = [&B](std::size_t At, int N) {
        std::uint32_t V = 0;
        while (N-- > 0) V = (V << 8) | B[At + N];
        return V;
    };
    if (B.size() < 54 || B[0] != 'B' || B[1] != 'M' || Le(2, 4) != B.size() || Le(14, 4) != 40 ||
        Le(26, 2) != 1 || Le(28, 2) != 24 || Le(30, 4) != 0)
        return false;
    Out.Width = static_cast<int>(Le(18, 4));
    Out.Height = static_cast<int>(Le(22, 4));
    const std::size_t Stride = (static_cast<std::size_t>(Out.Width) * 3 + 3) / 4 * 4, Offset = Le(10, 4);
    if (Offset + Stride * Out.Height != B.size()) return false;
    Out.Px.clear();
    for (int Y = Out.Height - 1; Y >= 0; --Y)
        for (int X = 0; X < Out.Width; ++X)
            for (int Ch = 2; Ch >= 0; --Ch) Out.Px.push_back(B[Offset + Y * Stride + X * 3 + Ch]);
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

// A 4 x 3 array of colours (red in the lowest byte); the top bytes carry junk to be ignored.
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

// Every pixel of Got is its cell's colour within Tol per channel; pixels closer than
// Margin to a cell edge are skipped (JPEG blurs the edges).
void ExpectScaled(const Rgb& Got, const TInt2DArray& Img, int Scale, int Tol, int Margin) {
    ASSERT_EQ(Got.Width, static_cast<int>(Img.size()) * Scale);
    ASSERT_EQ(Got.Height, static_cast<int>(Img[0].size()) * Scale);
    for (int Y = 0; Y < Got.Height; ++Y)
        for (int X = 0; X < Got.Width; ++X) {
            const int Dx = X % Scale, Dy = Y % Scale;
            if (std::min(Dx, Scale - 1 - Dx) < Margin || std::min(Dy, Scale - 1 - Dy) < Margin) continue;
            const auto Want = static_cast<std::uint32_t>(Img[X / Scale][Y / Scale]);
            const std::uint8_t* P = &Got.Px[(static_cast<std::size_t>(Y) * Got.Width + X) * 3];
            for (int Ch = 0; Ch < 3; ++Ch)
                ASSERT_LE(std::abs(int(P[Ch]) - int((Want >> (8 * Ch)) & 0xFF)), Tol)
                    << "pixel " << X << "," << Y;
        }
}

TEST(SaveArrayAsImg, RoundTripThroughTheCodecs) {
    const TInt2DArray Img = Palette(), Column{{0x00123456, 0x00654321}};
    Rgb Got;
    TempPath Bmp("img.bmp"), Png("img.PNG"), Jpg("img.jpg"), Odd("odd.bmp");
    ASSERT_EQ(SaveArrayAsImg(Bmp.str(), Img, 3), 0);
    ASSERT_TRUE(ReadBmp(Bmp.str(), Got));
    ExpectScaled(Got, Img, 3, 0, 0);
    ASSERT_EQ(SaveArrayAsImg(Odd.str(), Column, 1), 0);  // a width of 1 needs row padding
    ASSERT_TRUE(ReadBmp(Odd.str(), Got));
    ExpectScaled(Got, Column, 1, 0, 0);
    ASSERT_EQ(SaveArrayAsImg(Png.str(), Img, 2), 0);  // the extension test ignores case
    ASSERT_TRUE(ReadPng(Png.str(), Got));
    ExpectScaled(Got, Img, 2, 0, 0);
    ASSERT_EQ(SaveArrayAsImg(Jpg.str(), Img, 10), 0);
    ASSERT_TRUE(ReadJpeg(Jpg.str(), Got));
    ExpectScaled(Got, Img, 10, 24, 2);
    // An empty name puts the image on the clipboard, which holds the last one.
    TBitmap B;
    ClipboardClear();
    EXPECT_FALSE(ClipboardGetBitmap(B));
    for (const TInt2DArray& A : {Img, Column}) {
        ASSERT_EQ(SaveArrayAsImg("", A, 2), 0);
        ASSERT_TRUE(ClipboardGetBitmap(B));
        Got = {B.Width(), B.Height(), {}};
        for (int Y = 0; Y < B.Height(); ++Y) Got.Px.insert(Got.Px.end(), B.ScanLine(Y), B.ScanLine(Y) + B.Width() * 3);
        ExpectScaled(Got, A, 2, 0, 0);
    }
    ClipboardClear();
}

TEST(SaveArrayAsImg, StatusCodes) {
    const TInt2DArray Img{{1, 2}, {3, 4}};
    TempPath P("s.png");
    const std::string Missing = (std::filesystem::temp_directory_path() / "no_such_dir_qmr" / "x").string();
    const struct {
        std::string Name;
        TInt2DArray A;
        int Scale, Want;
    } Cases[] = {
        {P.str(), Img, 0, -2}, {P.str(), Img, 11, -2}, {"", Img, 0, -2},
        {"pic.gif", Img, 1, -1}, {"pic.gif", Img, 0, -1},  // both wrong: the extension wins
        {"picture", Img, 1, -1}, {"dir.png/picture", Img, 1, -1}, {"picture.", Img, 1, -1},
        {"picture.jpeg", Img, 1, -1}, {"picture.png.txt", Img, 1, -1},
        {P.str(), {}, 1, -1}, {P.str(), {{}, {}}, 1, -1}, {P.str(), Ragged<std::int32_t>(), 1, -1},
        // A file that cannot be written is a failure, not success.
        {Missing + ".bmp", Img, 1, -3}, {Missing + ".png", Img, 1, -3}, {Missing + ".jpg", Img, 1, -3},
    };
    for (const auto& C : Cases) EXPECT_EQ(SaveArrayAsImg(C.Name, C.A, C.Scale), C.Want) << C.Name << " x" << C.Scale;
    EXPECT_FALSE(std::filesystem::exists(P.str()));
}

template <class T> class MaskedAndRemoval : public ::testing::Test {};
TYPED_TEST_SUITE(MaskedAndRemoval, IntAndDouble);

TYPED_TEST(MaskedAndRemoval, FillArrayMasked) {
    using A2 = V2<TypeParam>;
    const A2 Orig{{1, 2}, {3, 4}, {5, 6}};
    A2 A = Orig;
    EXPECT_EQ(Ok(FillArrayMasked(A, TypeParam(9), TBool2DArray{{true, false}, {false, false}, {true, true}}), A),
              (A2{{1, 9}, {9, 9}, {5, 6}}));
    // Masks of another shape: fewer columns, longer columns, a short later column.
    for (const auto& Mask : {Make2<bool>(2, 2), Make2<bool>(3, 3), TBool2DArray{{true, true}, {true, true}, {true}}}) {
        A = Orig;
        EXPECT_EQ(FillArrayMasked(A, TypeParam(9), Mask), -1);
        EXPECT_EQ(A, Orig);
    }
    A2 Empty, Rag = Ragged<TypeParam>();
    EXPECT_EQ(FillArrayMasked(Empty, TypeParam(9), Make2<bool>(3, 2)), -2);
    EXPECT_EQ(FillArrayMasked(Rag, TypeParam(9), Make2<bool>(2, 3)), -2);
    EXPECT_EQ(Rag, Ragged<TypeParam>());
    // A missing mask: the real form fills everything, the integer form refuses.
    const bool Real = std::is_same_v<TypeParam, double>;
    EXPECT_EQ(FillArrayMasked(A, TypeParam(7), TBool2DArray{}), Real ? 0 : -2);
    EXPECT_EQ(A, Real ? Make2<TypeParam>(3, 2, 7) : Orig);
}

TYPED_TEST(MaskedAndRemoval, RemoveRowAndColumn) {
    using A2 = V2<TypeParam>;
    A2 A{{1, 2, 3}, {4, 5, 6}};
    EXPECT_TRUE(RemoveRow(A, 1));
    EXPECT_EQ(A, (A2{{1, 3}, {4, 6}}));
    EXPECT_FALSE(RemoveRow(A, 2));
    EXPECT_FALSE(RemoveRow(A, -1));
    EXPECT_TRUE(RemoveColumn(A, 0));
    EXPECT_EQ(A, (A2{{4, 6}}));
    EXPECT_FALSE(RemoveColumn(A, 1));  // Col = Length(A)
    EXPECT_TRUE(RemoveRow(A, 0));
    EXPECT_TRUE(RemoveRow(A, 0));  // the only row: a column of length 0 remains
    EXPECT_EQ(A, A2(1));
    EXPECT_FALSE(RemoveRow(A, 0));
    EXPECT_TRUE(RemoveColumn(A, 0));
    EXPECT_FALSE(RemoveColumn(A, 0));
    EXPECT_FALSE(RemoveRow(A, 0));
    A2 Rag = Ragged<TypeParam>();
    EXPECT_FALSE(RemoveRow(Rag, 1));
    EXPECT_FALSE(RemoveColumn(Rag, 0));
    EXPECT_EQ(Rag, Ragged<TypeParam>());
}

}  // namespace
