// TDataTable editing, sorting and copying: metadata travelling with every move, the
// notification sequences, sorts against a stable reference order, copies and fingerprints.
#include "qmr_test_support.h"

#include <string>
#include <vector>

namespace {

using namespace qmr;

// A table whose cell (c, r) holds 10 c + r and whose nominal column 2 rounds on reading.
void FillDistinct(TDataTable& T, int NC, int NR) {
    T.Resize(NC, NR);
    for (int C = 1; C <= NC; ++C)
        for (int R = 1; R <= NR; ++R) T.NumericData()->SetElem(C, R, 10 * C + R + 0.25);
}

TEST(DataTableArrays, RowAndColumnToArrayCopyStoredValuesOrRefuse) {
    TDataTable T(nullptr);
    FillDistinct(T, 3, 5);
    T.SetMScaleType(2, TMScaleType::stNominal);  // stored values come unrounded
    TDoubleArray A{99};
    EXPECT_EQ(T.CopyDataRowToArray(4, A), 0);
    EXPECT_EQ(A, (TDoubleArray{14.25, 24.25, 34.25}));
    EXPECT_EQ(T.CopyDataColumnToArray(2, A), 0);
    EXPECT_EQ(A, (TDoubleArray{21.25, 22.25, 23.25, 24.25, 25.25}));
    for (int Bad : {0, 6, -1}) {
        A = {7};
        EXPECT_EQ(T.CopyDataRowToArray(Bad, A), -1);
        EXPECT_EQ(A, TDoubleArray{7});
    }
    EXPECT_EQ(T.CopyDataColumnToArray(4, A), -1);
    EXPECT_EQ(A, TDoubleArray{7});
}

}  // namespace
