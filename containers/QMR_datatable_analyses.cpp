// TDataTable: covariance, correlation and distance matrices of a column range,
// standardisation and centring of columns and rows, the long format, contingency tables
// and category scans.
#include "containers/QMR_datatable.h"
#include "containers/QMR_datatable_cells.h"
#include "containers/QMR_matrix_kernels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace qmr {

namespace {

// Sums of CalcCovar are formed in Extended, one row after another.
using TWork = Extended;

constexpr const char* kRowsStdNominal = "standardization of rows is not possible with nominal or ordinal variables";
constexpr const char* kRowsCenterNominal = "mean centering of rows is not possible with nominal or ordinal variables";

// One column of a CalcCovar range over the table's rows: values as Elem reads them and
// the states. A column outside the table reads valid zeros.
struct TCovColumn {
    const double* V = nullptr;      // Rows stored values; rows beyond read 0
    const TCellState* S = nullptr;  // one state per table row; nullptr: all valid
    std::int32_t Rows = 0;
    bool Round = false;
    TWork Value(std::int32_t R) const noexcept {
        const double X = R <= Rows ? V[R - 1] : 0.0;
        return Round ? detail::RoundHalfToEven(X) : X;
    }
    bool Valid(std::int32_t R) const noexcept { return S == nullptr || IsValidCellState(S[R - 1]); }
};

// Rows LoR..HiR split into those before row 1 and after the last row (valid zeros, only
// counted) and those inside, Lo..Hi (empty when Lo > Hi).
struct TRowSpan {
    std::int64_t Before = 0, After = 0;
    std::int32_t Lo = 1, Hi = 0;
};

TRowSpan SplitRows(std::int64_t LoR, std::int64_t HiR, std::int32_t NR) {
    TRowSpan S;
    if (HiR < LoR) return S;
    S.Before = std::max<std::int64_t>(0, std::min<std::int64_t>(HiR, 0) - LoR + 1);
    S.After = std::max<std::int64_t>(0, HiR - std::max<std::int64_t>(LoR, std::int64_t{NR} + 1) + 1);
    S.Lo = static_cast<std::int32_t>(std::max<std::int64_t>(LoR, 1));
    S.Hi = static_cast<std::int32_t>(std::min<std::int64_t>(HiR, NR));
    return S;
}

// Calls Add(x, y) for every row of Sp where both cells are valid, in row order; a run of
// K rows outside the table goes to Zeros(K) at its place.
template <class AddFn, class ZerosFn>
void ForPairRows(const TCovColumn& X, const TCovColumn& Y, const TRowSpan& Sp, AddFn&& Add, ZerosFn&& Zeros) {
    if (Sp.Before > 0) Zeros(Sp.Before);
    for (std::int32_t R = Sp.Lo; R <= Sp.Hi; ++R)
        if (X.Valid(R) && Y.Valid(R)) Add(X.Value(R), Y.Value(R));
    if (Sp.After > 0) Zeros(Sp.After);
}

TWork Count(std::int64_t K) { return static_cast<TWork>(K); }

// Pearson correlation from the centred sums; 0 when it is undefined.
TWork Correlation(std::int64_t M, bool FlatX, bool FlatY, TWork Sxx, TWork Syy, TWork Sxy) {
    if (M <= 2 || FlatX || FlatY || Sxx == 0 || Syy == 0) return 0;
    const TWork P = Sxx * Syy;
    if (std::isfinite(P) && P > 0) return Sxy / std::sqrt(P);
    return Sxy / (std::sqrt(std::fabs(Sxx)) * std::sqrt(std::fabs(Syy)));
}

// Mean of the pair's x values over its rows, whether they are all equal, and their sum of
// squares.
struct TPairLevel {
    std::int64_t M = 0;
    TWork Sum = 0, SumSq = 0;
    TWork First = 0;
    bool Constant = true;
    void Add(TWork X) noexcept {
        if (M == 0) First = X;
        else if (!(X == First)) Constant = false;
        Sum += X;
        SumSq += X * X;
        ++M;
    }
    void AddZeros(std::int64_t K) noexcept {
        if (M == 0) First = 0;
        else if (!(First == 0)) Constant = false;
        M += K;
    }
    TWork Mean() const noexcept { return M > 0 ? Sum / Count(M) : 0; }
    // The column gives correlations of 0: its values are all equal, or their sum of
    // squares is not above 0 (a NaN among them).
    bool NoSpread() const noexcept { return Constant || !(SumSq > 0); }
};

// The result of one pair of CalcCovar by the plain row loop.
TWork PairResult(std::int32_t Mode, const TCovColumn& X, const TCovColumn& Y, const TRowSpan& Sp, TWork MeanX,
                 TWork MeanY) {
    TWork S = 0;
    std::int64_t M = 0;
    auto Over = [&](TWork Sum) { return M > 1 ? Sum / Count(M - 1) : TWork{0}; };
    switch (Mode) {
    case 0:
        ForPairRows(X, Y, Sp, [&](TWork x, TWork y) { S += x * y, ++M; }, [&](std::int64_t K) { M += K; });
        return Over(S);
    case 1: {
        const TWork ZeroTerm = (0 - MeanX) * (0 - MeanY);
        ForPairRows(
            X, Y, Sp, [&](TWork x, TWork y) { S += (x - MeanX) * (y - MeanY), ++M; },
            [&](std::int64_t K) { S += Count(K) * ZeroTerm, M += K; });
        return Over(S);
    }
    case 2:
    case 3: {
        TPairLevel Lx, Ly;
        ForPairRows(
            X, Y, Sp, [&](TWork x, TWork y) { Lx.Add(x), Ly.Add(y); },
            [&](std::int64_t K) { Lx.AddZeros(K), Ly.AddZeros(K); });
        if (Lx.M <= 2 || Lx.NoSpread() || Ly.NoSpread()) return 0;
        const TWork Mx = Lx.Mean(), My = Ly.Mean();
        TWork Sxx = 0, Syy = 0, Sxy = 0;
        ForPairRows(
            X, Y, Sp,
            [&](TWork x, TWork y) {
                const TWork Dx = x - Mx, Dy = y - My;
                Sxx += Dx * Dx, Syy += Dy * Dy, Sxy += Dx * Dy;
            },
            [&](std::int64_t K) {
                Sxx += Count(K) * (Mx * Mx), Syy += Count(K) * (My * My), Sxy += Count(K) * (Mx * My);
            });
        const TWork R = Correlation(Lx.M, false, false, Sxx, Syy, Sxy);
        return Mode == 2 ? R : R * R;
    }
    case 4:
        ForPairRows(
            X, Y, Sp, [&](TWork x, TWork y) { S += (x - y) * (x - y), ++M; }, [&](std::int64_t K) { M += K; });
        return Over(S);
    default:
        return 0;
    }
}

// Row panel of the product path: the shared dimension is cut into panels of this many
// rows so that the centred values of a panel stay in cache.
constexpr std::int32_t kCovPanel = 256;
// Largest n whose n x n product path is taken (its sums take n^2 work values).
constexpr std::int32_t kCovMaxProductCols = 2048;

// The results of modes 0 to 3 for every pair of Cols over rows Lo..Hi where every cell is
// valid: the pair sums are products of the (centred) columns, each sum formed in row
// order exactly as the plain loop forms it. Res receives n x n values, column-major.
void ProductResults(std::int32_t Mode, const std::vector<TCovColumn>& Cols, std::int32_t Lo, std::int32_t Hi,
                    const std::vector<TWork>& ModeMeans, std::vector<TWork>& Res) {
    const auto n = Cols.size();
    const std::int64_t M = std::int64_t{Hi} - Lo + 1;
    // Offsets: none (mode 0), the column means of MeanVarOfNumCells (mode 1), each
    // column's own mean over the rows (modes 2 and 3, as the pair loop's first pass).
    std::vector<TWork> Offset(n, 0);
    std::vector<char> NoSpread(n, 0);
    if (Mode == 1) Offset = ModeMeans;
    if (Mode >= 2) {
        for (std::size_t k = 0; k < n; ++k) {
            TPairLevel L;
            for (std::int32_t R = Lo; R <= Hi; ++R) L.Add(Cols[k].Value(R));
            Offset[k] = L.Mean();
            NoSpread[k] = L.NoSpread() ? 1 : 0;
        }
    }
    std::vector<TWork> C(n * n, 0);
    std::vector<TWork> A(n * kCovPanel), B(n * kCovPanel);
    for (std::int32_t R0 = Lo; R0 <= Hi; R0 += kCovPanel) {
        const auto P = static_cast<std::size_t>(std::min<std::int64_t>(kCovPanel, std::int64_t{Hi} - R0 + 1));
        for (std::size_t k = 0; k < n; ++k)
            for (std::size_t r = 0; r < P; ++r) {
                const TWork D = Cols[k].Value(R0 + static_cast<std::int32_t>(r)) - Offset[k];
                B[k * P + r] = D;
                A[r * n + k] = D;
            }
        // C := C - A B: C holds the negated sums, each receiving its products in row order.
        detail::mk::GemmSub<TWork>(n, n, P, A.data(), n, B.data(), P, C.data(), n);
    }
    // The results replace the sums in place (the sums of squares kept aside).
    std::vector<TWork> Squares(n);
    for (std::size_t k = 0; k < n; ++k) Squares[k] = -C[k * n + k];
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= i; ++j) {
            const TWork S = -C[j * n + i];
            TWork V = 0;
            if (Mode <= 1) {
                V = M > 1 ? S / Count(M - 1) : 0;
            } else {
                V = Correlation(M, NoSpread[i] != 0, NoSpread[j] != 0, Squares[i], Squares[j], S);
                if (Mode == 3) V = V * V;
            }
            C[j * n + i] = V;
        }
    Res.swap(C);
}

}  // namespace

// ---------------------------------------------------------------- covariance

bool TDataTable::CalcCovar(TMatrix* CovarMat, std::int32_t LoC, std::int32_t HiC, std::int32_t LoR,
                           std::int32_t HiR, std::int32_t Mode) {
    AbortMathProc = false;
    if (CovarMat == nullptr || HiC < LoC) return false;
    const std::int64_t N64 = std::int64_t{HiC} - LoC + 1;
    if (CovarMat->NrOfColumns() < N64 || CovarMat->NrOfRows() < N64) return false;
    const auto n = static_cast<std::int32_t>(N64);

    std::vector<TWork> Means(static_cast<std::size_t>(n), 0);
    if (Mode > 0) {
        for (std::int32_t k = 0; k < n; ++k) {
            double Mean = 0, Variance = 0;
            MeanVarOfNumCells(LoC + k, LoR, LoC + k, HiR, Mean, Variance);
            Means[static_cast<std::size_t>(k)] = Mean;
            detail::StepProgress();
        }
    }

    std::vector<TCovColumn> Cols(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t c = LoC + k;
        if (!InsideCol(c)) continue;
        TCovColumn& X = Cols[static_cast<std::size_t>(k)];
        X.V = ColumnValues(c, X.Rows);
        X.S = FNrOfRows > 0 ? &State(c, 1) : nullptr;
        X.Round = IsCategorial(FVType[static_cast<std::size_t>(c - 1)].MScaleType);
    }
    const TRowSpan Sp = SplitRows(LoR, HiR, FNrOfRows);

    // Over a range inside the table whose cells are all valid, every pair uses every row:
    // modes 0 to 3 come from one product of the centred columns.
    std::vector<TWork> Product;
    const bool Inside = LoC >= 1 && HiC <= FNrOfCols && Sp.Before == 0 && Sp.After == 0 && Sp.Lo <= Sp.Hi;
    if (Inside && Mode >= 0 && Mode <= 3 && n <= kCovMaxProductCols && !detail::AbortRequested()) {
        bool AllValid = true;
        for (const TCovColumn& X : Cols) {
            AllValid = AllValid && X.Rows >= Sp.Hi &&
                       std::all_of(X.S + (Sp.Lo - 1), X.S + Sp.Hi, [](TCellState S) { return IsValidCellState(S); });
            if (!AllValid) break;
        }
        if (AllValid) {
            try {
                ProductResults(Mode, Cols, Sp.Lo, Sp.Hi, Means, Product);
            } catch (const std::bad_alloc&) {
                Product.clear();  // the pair loop needs no memory
            }
        }
    }

    for (std::int32_t i = 1; i <= n; ++i) {
        if (detail::AbortRequested()) return false;
        detail::StepProgress();
        const TCovColumn& X = Cols[static_cast<std::size_t>(i - 1)];
        for (std::int32_t j = 1; j <= i; ++j) {
            TWork V = 0;
            if (!Product.empty())
                V = Product[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(n) + static_cast<std::size_t>(i - 1)];
            else
                V = PairResult(Mode, X, Cols[static_cast<std::size_t>(j - 1)], Sp, Means[static_cast<std::size_t>(i - 1)],
                               Means[static_cast<std::size_t>(j - 1)]);
            if (i == j && (Mode == 2 || Mode == 3)) V = 1;
            CovarMat->SetElem(j, i, static_cast<double>(V));
            CovarMat->SetElem(i, j, static_cast<double>(V));
        }
    }
    return true;
}

// ---------------------------------------------------------------- standardisation and centring

bool TDataTable::CentreLines(bool OnRows, bool Scale, TVector* Means, TVector* StdDevs) {
    bool Any = false;
    const std::int32_t Lines = OnRows ? FNrOfRows : FNrOfCols, Across = OnRows ? FNrOfCols : FNrOfRows;
    for (std::int32_t L = 1; L <= Lines; ++L) {
        // Columns: interval and ratio ones only (the rows refuse other scales beforehand).
        if (!OnRows && !IsMetric(FVType[static_cast<std::size_t>(L - 1)].MScaleType)) continue;
        double Mean = 0, Variance = 0;
        if (OnRows)
            MeanVarOfNumCells(1, L, FNrOfCols, L, Mean, Variance);
        else
            MeanVarOfNumCells(L, 1, L, FNrOfRows, Mean, Variance);
        const Extended SD = std::sqrt(static_cast<Extended>(Variance));
        if (!Scale || Variance > 0) {
            for (std::int32_t K = 1; K <= Across; ++K) {
                const std::int32_t C = OnRows ? K : L, R = OnRows ? L : K;
                if (!IsValidCellState(State(C, R))) continue;
                const Extended X = CellValue(C, R) - static_cast<Extended>(Mean);
                FNumData->SetElem(C, R, static_cast<double>(Scale ? X / SD : X));
            }
            Any = true;
        }
        if (Means != nullptr) Means->SetElem(L, Mean);
        if (Scale && StdDevs != nullptr) StdDevs->SetElem(L, static_cast<double>(SD));
    }
    return Any;
}

void TDataTable::StandardizeNumCellColumns(TVector* Means, TVector* StdDevs) {
    if (CentreLines(false, true, Means, StdDevs)) ChangedData();
}

void TDataTable::StandardizeNumCellRows(TVector* Means, TVector* StdDevs) {
    if (!ListOfCategorialVars().empty()) throw EQMRDataTableError(kRowsStdNominal);
    CentreLines(true, true, Means, StdDevs);
    ChangedData();
}

void TDataTable::MeanCenterNumCellColumns(TVector* Means) {
    CentreLines(false, false, Means, nullptr);
    ChangedData();
}

void TDataTable::MeanCenterNumCellRows(TVector* Means) {
    if (!ListOfCategorialVars().empty()) throw EQMRDataTableError(kRowsCenterNominal);
    CentreLines(true, false, Means, nullptr);
    ChangedData();
}

// ---------------------------------------------------------------- long format

void TDataTable::Serialize(bool ColHeadsAsVar, bool IncludeColRowNumbers) {
    const std::int64_t NC = FNrOfCols, NR = FNrOfRows;
    if (NC * NR > std::numeric_limits<std::int32_t>::max()) return;
    const auto Cells = static_cast<std::int32_t>(NC * NR);

    // OnChange waits until the end; the other notifications fire as the setters write.
    struct TParkedChange {
        TDataTable& T;
        TNotifyEvent Saved;
        explicit TParkedChange(TDataTable& Table) : T(Table), Saved(std::move(Table.OnChange)) { T.OnChange = nullptr; }
        ~TParkedChange() { T.OnChange = std::move(Saved); }
    };
    {
        TParkedChange Parked(*this);
        const TMScaleType Highest = FindHighestMLevel(1, FNrOfCols);
        // The former table: values as Elem reads them, states, row and column headers.
        std::vector<double> Values(static_cast<std::size_t>(Cells));
        for (std::int32_t C = 1; C <= NC; ++C)
            for (std::int32_t R = 1; R <= NR; ++R)
                Values[static_cast<std::size_t>((C - 1) * NR + (R - 1))] = static_cast<double>(Elem(C, R));
        const std::vector<TCellState> States = FCState;
        const std::vector<TDTNameStr> RowNames = FRowName, ColNames = FColName;
        const TIntArray RowAtts = FRowAtt;

        const std::int32_t K = 1 + (ColHeadsAsVar ? 1 : 0) + (IncludeColRowNumbers ? 2 : 0);
        Resize(K, Cells);
        if (ColHeadsAsVar) {
            ClearNominalIDs(1);
            for (std::int32_t S = 1; S <= NC; ++S)
                AddNominalID(1, std::to_string(S) + ":" + ColNames[static_cast<std::size_t>(S - 1)].str());
            SetColName(1, "(column)");
            for (std::int32_t Q = 1; Q <= Cells; ++Q) SetCellState(1, Q, 0);
        }
        if (IncludeColRowNumbers) {
            SetColName(K - 2, "(col. index)");
            SetColName(K - 1, "(row index)");
            for (std::int32_t C = K - 2; C <= K - 1; ++C) {
                SetMScaleType(C, TMScaleType::stInterval);
                ClearNominalIDs(C);
                SetColAttrib(C, 0);
                for (std::int32_t Q = 1; Q <= Cells; ++Q) SetCellState(C, Q, 0);
            }
        }
        SetColName(K, "(data)");
        SetMScaleType(K, Highest);
        for (std::int32_t S = 1; S <= NC; ++S)
            for (std::int32_t T = 1; T <= NR; ++T) {
                const auto Q = static_cast<std::int32_t>((S - 1) * NR + T);
                const auto From = static_cast<std::size_t>((S - 1) * NR + (T - 1));
                if (ColHeadsAsVar) SetElem(1, Q, S);
                if (IncludeColRowNumbers) {
                    SetElem(K - 2, Q, S);
                    SetElem(K - 1, Q, T);
                }
                SetElem(K, Q, Values[From]);
                SetRowName(Q, RowNames[static_cast<std::size_t>(T - 1)]);
                SetRowAttrib(Q, RowAtts[static_cast<std::size_t>(T - 1)]);
                SetCellState(K, Q, States[From]);
            }
    }
    ChangedData();
}

// ---------------------------------------------------------------- categories

namespace {
// The ordinal a cell value stands for, when it lies in 1..MaxNominalIDs.
bool OrdinalOf(double V, std::int32_t& Ord) noexcept {
    std::int64_t K = 0;
    if (!detail::CheckedRoundToInt64(V, K) || K < 1 || K > MaxNominalIDs) return false;
    Ord = static_cast<std::int32_t>(K);
    return true;
}
}  // namespace

std::int32_t TDataTable::CreateContingencyTable(std::int32_t Col1, std::int32_t Col2, std::int32_t LowRow,
                                                std::int32_t HighRow, TInt2DArray& ContTab) const {
    if (!InsideCol(Col1) || !InsideCol(Col2)) return -1;
    if (!IsCategorial(MScaleType(Col1)) || !IsCategorial(MScaleType(Col2))) return -2;
    MakeValidRowRange(LowRow, HighRow);
    constexpr auto Slots = static_cast<std::size_t>(MaxNominalIDs + 1);
    TInt2DArray T(Slots, TIntArray(Slots, 0));
    std::int32_t M1 = 0, M2 = 0;
    bool OutOfRange = false;
    for (std::int32_t R = LowRow; R <= HighRow; ++R) {
        std::int32_t O1 = 0, O2 = 0;
        if (!OrdinalOf(CellValue(Col1, R), O1) || !OrdinalOf(CellValue(Col2, R), O2)) {
            OutOfRange = true;
            continue;
        }
        if (!IsValidCellState(State(Col1, R)) || !IsValidCellState(State(Col2, R))) continue;
        ++T[static_cast<std::size_t>(O1 - 1)][static_cast<std::size_t>(O2 - 1)];
        M1 = std::max(M1, O1);
        M2 = std::max(M2, O2);
    }
    const auto U1 = static_cast<std::size_t>(M1), U2 = static_cast<std::size_t>(M2);
    T.resize(U1 + 1);
    for (TIntArray& Row : T) Row.resize(U2 + 1);
    std::int32_t Total = 0;
    for (std::size_t J = 0; J < U1; ++J)
        for (std::size_t K = 0; K < U2; ++K) {
            T[U1][K] += T[J][K];
            T[J][U2] += T[J][K];
            Total += T[J][K];
        }
    T[U1][U2] = Total;
    ContTab.swap(T);
    return OutOfRange ? -3 : 0;
}

std::int32_t TDataTable::ScanForCatValues(std::int32_t ACol, std::int32_t LowRow, std::int32_t HighRow,
                                          TIntArray& OrdList) const {
    if (!InsideCol(ACol)) return -1;
    if (!IsCategorial(MScaleType(ACol))) return 0;
    MakeValidRowRange(LowRow, HighRow);
    TIntArray L(static_cast<std::size_t>(MaxNominalIDs), 0);
    std::int32_t Outside = 0;
    for (std::int32_t R = LowRow; R <= HighRow; ++R) {
        std::int32_t O = 0;
        if (OrdinalOf(CellValue(ACol, R), O)) ++L[static_cast<std::size_t>(O - 1)];
        else ++Outside;
    }
    OrdList.swap(L);
    return Outside;
}

}  // namespace qmr
