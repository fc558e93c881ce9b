// Writing integer arrays as images, masked fill, row and column removal.
#include "foundations/QMR_openarrays_images.h"

#include "foundations/detail/openarrays_cells.h"
#include "platform/rtl_images.h"

#include <cctype>
#include <cstdint>
#include <string>

namespace qmr {

namespace {

using namespace qmr::detail::oa;

// Image kinds chosen by the file name.
enum class ImgTarget { Clipboard, Bmp, Png, Jpg, Unknown };

// The extension is the text from the last '.' that follows the last path delimiter.
ImgTarget TargetOf(const std::string& FileName) {
    if (FileName.empty()) return ImgTarget::Clipboard;
    const std::size_t P = FileName.find_last_of("./");
    if (P == std::string::npos || FileName[P] != '.') return ImgTarget::Unknown;
    std::string Ext = FileName.substr(P);
    for (char& C : Ext) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    if (Ext == ".bmp") return ImgTarget::Bmp;
    if (Ext == ".png") return ImgTarget::Png;
    if (Ext == ".jpg") return ImgTarget::Jpg;
    return ImgTarget::Unknown;
}

template <class T> std::int32_t FillMasked(std::vector<std::vector<T>>& A, T Value, const TBool2DArray& Mask,
                                           bool EmptyMaskFillsAll) {
    if (!Usable(A)) return -2;
    if (Mask.empty()) {
        if (!EmptyMaskFillsAll) return -2;
    } else if (!SameExtents(Mask, A) || !Rectangular(Mask)) {
        return -1;
    }
    const std::size_t Rows = A[0].size();
    for (std::size_t C = 0; C < A.size(); ++C)
        for (std::size_t R = 0; R < Rows; ++R)
            if (Mask.empty() || !Mask[C][R]) A[C][R] = Value;
    return 0;
}

template <class T> bool RemoveRowOf(std::vector<std::vector<T>>& A, std::int32_t Row) {
    if (!Usable(A) || !IndexOk(Row, A[0].size())) return false;
    for (auto& Column : A) Column.erase(Column.begin() + Row);
    return true;
}

template <class T> bool RemoveColumnOf(std::vector<std::vector<T>>& A, std::int32_t Col) {
    if (A.empty() || !Rectangular(A) || !IndexOk(Col, A.size())) return false;
    A.erase(A.begin() + Col);
    return true;
}

}  // namespace

std::int32_t SaveArrayAsImg(const std::string& FileName, const TInt2DArray& Img, std::int32_t Scale) {
    const ImgTarget Target = TargetOf(FileName);
    if (Target == ImgTarget::Unknown) return -1;
    if (Scale < 1 || Scale > 10) return -2;
    if (!Usable(Img)) return -1;
    const std::int64_t Width = static_cast<std::int64_t>(Img.size()) * Scale;
    const std::int64_t Height = static_cast<std::int64_t>(Img[0].size()) * Scale;
    if (Width > INT32_MAX || Height > INT32_MAX) return -3;

    TBitmap Bmp(static_cast<std::int32_t>(Width), static_cast<std::int32_t>(Height));
    for (std::size_t X = 0; X < Img.size(); ++X)
        for (std::size_t Y = 0; Y < Img[0].size(); ++Y) {
            const auto X0 = static_cast<std::int32_t>(X) * Scale;
            const auto Y0 = static_cast<std::int32_t>(Y) * Scale;
            Bmp.FillRect(X0, Y0, X0 + Scale, Y0 + Scale, static_cast<std::uint32_t>(Img[X][Y]) & 0xFFFFFFu);
        }

    bool Ok = true;
    switch (Target) {
        case ImgTarget::Clipboard: ClipboardSetBitmap(Bmp); break;
        case ImgTarget::Bmp: Ok = Bmp.SaveToBmpFile(FileName); break;
        case ImgTarget::Png: Ok = Bmp.SaveToPngFile(FileName); break;
        case ImgTarget::Jpg: Ok = Bmp.SaveToJpegFile(FileName); break;
        case ImgTarget::Unknown: break;
    }
    return Ok ? 0 : -3;
}

std::int32_t FillArrayMasked(TDouble2DArray& A, double Value, const TBool2DArray& Mask) {
    return FillMasked(A, Value, Mask, true);
}
std::int32_t FillArrayMasked(TInt2DArray& A, std::int32_t Value, const TBool2DArray& Mask) {
    return FillMasked(A, Value, Mask, false);
}

bool RemoveRow(TDouble2DArray& A, std::int32_t Row) { return RemoveRowOf(A, Row); }
bool RemoveRow(TInt2DArray& A, std::int32_t Row) { return RemoveRowOf(A, Row); }
bool RemoveColumn(TDouble2DArray& A, std::int32_t Col) { return RemoveColumnOf(A, Col); }
bool RemoveColumn(TInt2DArray& A, std::int32_t Col) { return RemoveColumnOf(A, Col); }

}  // namespace qmr
