// A plain model of the matrix XML tag interpreter, for the fuzz loop and the fuzz
// harness: pending counts, one resize at the first cell, cells kept in a map. The
// scanners are taken from the library (they have their own tests). Feed() drives a
// TMatrix (2 axes) or a TMat3D (3 axes) and the model with the same tags; count tags
// whose value lies outside -MaxCount..MaxCount are passed over in both (sizes are
// bounded here, not in the library).
#pragma once

#include <qmrnumkit/qmrnumkit.h>

#include "containers/QMR_matrix_files.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace qmr::test {

template <int Axes> struct TXmlModel {
    std::array<std::int32_t, 3> Size{1, 1, 1};
    std::map<std::array<std::int32_t, 3>, double> Cells;
    int Result = 0;  // of the last tag; 2 when the interpreter's result differed

    bool Inside(const std::array<std::int32_t, 3>& Ix) const {
        for (int A = 0; A < Axes; ++A)
            if (Ix[A] < 1 || Ix[A] > Size[A]) return false;
        return true;
    }
    // Value the matrix must hold at Ix.
    double At(const std::array<std::int32_t, 3>& Ix) const {
        auto It = Cells.find(Ix);
        return It == Cells.end() ? 0.0 : It->second;
    }
};

// Feeds Xml to Mat and to the model; returns the model.
template <int Axes, class M> TXmlModel<Axes> Feed(M& Mat, const std::string& Xml, std::int32_t MaxCount = 40) {
    TXmlModel<Axes> Model;
    std::array<std::int32_t, 3> Pending{};
    std::array<bool, 3> Read{};
    bool First = true;
    Mat.SetFirstCell(true);
    std::string Attr, Content;
    int Pos = 1;
    while (Model.Result == 0) {
        const int T = ReadNextTagInString(Xml, Pos, MatXmlTagNames, Attr, Content);
        if (T < 0) break;
        const auto Tag = static_cast<TMatXmlTag>(T);
        if (T <= 3) {
            std::int32_t P = 1;
            const std::int32_t N = detail::ReadIntAtPos(Content, P);
            if (N < -MaxCount || N > MaxCount) continue;
            if (T < Axes) Pending[T] = N, Read[T] = true;
        } else if (Tag == TMatXmlTag::xmlMatCell) {
            if (First) {
                std::array<std::int32_t, 3> N = Model.Size;
                bool Valid = true;
                for (int A = 0; A < Axes; ++A) {
                    if (Read[A]) N[A] = Pending[A];
                    if (Axes == 2 && N[A] < 0) N[A] = 0;  // TMatrix: negative counts are 0
                    if (Axes == 3 && N[A] <= 0) Valid = false;  // TMat3D: the whole resize is skipped
                }
                if (Valid) Model.Size = N;
                std::erase_if(Model.Cells, [&](const auto& C) { return !Model.Inside(C.first); });
                First = false;
            }
            static constexpr const char* Names[3] = {"ix", "iy", "iz"};
            std::array<std::int32_t, 3> Ix{};
            for (int A = 0; A < Axes; ++A) Ix[A] = detail::ReadAttrIndex(Attr, Names[A]);
            std::int32_t P = 1;
            const double V = detail::ReadDoubleAtPos(Content, true, detail::SepPoint, P);
            if (Model.Inside(Ix)) Model.Cells[Ix] = V;
        } else {
            Model.Result = Tag == TMatXmlTag::xmlMatEnd ? 1 : Tag == TMatXmlTag::xmlInvalid ? -1 : 0;
        }
        if (Mat.ProcessXmlTag(Tag, Attr, Content) != Model.Result) {
            Model.Result = 2;  // the interpreter disagrees with the model
            break;
        }
    }
    return Model;
}

// True when Mat holds exactly what the model says.
template <int Axes, class M> bool Agrees(const M& Mat, const TXmlModel<Axes>& Model) {
    if (Model.Result == 2 || Mat.NrOfColumns() != Model.Size[0] || Mat.NrOfRows() != Model.Size[1]) return false;
    std::int32_t Layers = 1;
    if constexpr (Axes == 3) {
        Layers = Mat.NrOfLayers();
        if (Layers != Model.Size[2]) return false;
    }
    for (std::int32_t C = 1; C <= Model.Size[0]; ++C)
        for (std::int32_t R = 1; R <= Model.Size[1]; ++R)
            for (std::int32_t L = 1; L <= Layers; ++L) {
                double V;
                if constexpr (Axes == 3) V = static_cast<double>(Mat.Elem(C, R, L));
                else V = static_cast<double>(Mat.Elem(C, R));
                if (V != Model.At({C, R, Axes == 3 ? L : 0})) return false;
            }
    return true;
}

}  // namespace qmr::test
