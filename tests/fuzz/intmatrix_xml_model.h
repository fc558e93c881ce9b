// A plain model of TIntMatrix reading matrix XML, dense or sparse, for the fuzz harness
// and the fuzz loop of the tests: pending counts, one resize at the first cell, cells
// inside those counts kept in a map; a sparse matrix reports the box of the cells written
// (the counts before the first write). Count tags outside -MaxCount..MaxCount are passed
// over in both (sizes are bounded here, not in the library).
#pragma once

#include <qmrnumkit/qmrnumkit.h>

#include "containers/QMR_matrix_files.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace qmr::test {

struct TIntXmlModel {
    std::int32_t Cols = 1, Rows = 1;
    std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> Cells;
    int Result = 0;  // of the last tag; 2 when the interpreter's result differed
};

// Feeds Xml to Mat (fresh from either constructor) and to the model; returns the model.
inline TIntXmlModel FeedInt(TIntMatrix& Mat, const std::string& Xml, std::int32_t MaxCount = 40) {
    TIntXmlModel Model;
    Model.Cols = Mat.NrOfColumns();
    Model.Rows = Mat.NrOfRows();
    std::int32_t Pending[2] = {0, 0};
    bool Read[2] = {false, false};
    std::int32_t XCols = Model.Cols, XRows = Model.Rows;
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
            if (T < 2) Pending[T] = N, Read[T] = true;
        } else if (Tag == TMatXmlTag::xmlMatCell) {
            if (First) {
                XCols = std::max(Read[0] ? Pending[0] : Model.Cols, 0);
                XRows = std::max(Read[1] ? Pending[1] : Model.Rows, 0);
                Model.Cols = XCols;
                Model.Rows = XRows;
                First = false;
            }
            const std::int32_t Ix = detail::ReadAttrIndex(Attr, "ix"), Iy = detail::ReadAttrIndex(Attr, "iy");
            std::int32_t P = 1;
            const std::int32_t V = detail::ReadIntAtPos(Content, P);
            if (Ix >= 1 && Ix <= XCols && Iy >= 1 && Iy <= XRows) {
                Model.Cells[{Ix, Iy}] = V;
                if (Mat.IsSparse()) {  // the size becomes the box of the stored cells
                    Model.Cols = Model.Rows = 0;
                    for (const auto& [K, X] : Model.Cells) {
                        Model.Cols = std::max(Model.Cols, K.first);
                        Model.Rows = std::max(Model.Rows, K.second);
                    }
                }
            }
        } else {
            Model.Result = Tag == TMatXmlTag::xmlMatEnd ? 1 : Tag == TMatXmlTag::xmlInvalid ? -1 : 0;
        }
        if (Mat.ProcessXmlTag(Tag, Attr, Content) != Model.Result) {
            Model.Result = 2;
            break;
        }
    }
    return Model;
}

// True when Mat holds exactly what the model says.
inline bool AgreesInt(const TIntMatrix& Mat, const TIntXmlModel& Model) {
    if (Model.Result == 2 || Mat.NrOfColumns() != Model.Cols || Mat.NrOfRows() != Model.Rows) return false;
    if (Mat.IsSparse() && Mat.SparseNumElem() != static_cast<std::int32_t>(Model.Cells.size())) return false;
    for (std::int32_t C = 1; C <= Model.Cols; ++C)
        for (std::int32_t R = 1; R <= Model.Rows; ++R) {
            auto It = Model.Cells.find({C, R});
            if (Mat.Elem(C, R) != (It == Model.Cells.end() ? 0 : It->second)) return false;
        }
    return true;
}

}  // namespace qmr::test
