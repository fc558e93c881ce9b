// TMatrix and TVector under input-driven shapes, indices and values, against a model of
// their elements: reads outside the counts give 0 and writes there are ignored, resizing
// keeps what both shapes hold, and a successful Invert or LUdecomposition stores only
// finite numbers that reproduce the matrix (A * inverse = I, L * U = the rows of A).
#include "fuzz_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace qmr;

namespace {

using TGrid = std::vector<std::vector<double>>;  // [column][row], from 0

double Value(FuzzedDataProvider& D) {
    switch (D.ConsumeIntegralInRange(0, 3)) {
        case 0: return D.ConsumeIntegralInRange(-3, 3);
        case 1: return std::ldexp(D.ConsumeIntegralInRange(-8, 8), D.ConsumeIntegralInRange(-1000, 1000));
        case 2: return (D.ConsumeBool() ? -1 : 1) * std::pow(10.0, D.ConsumeIntegralInRange(-310, 310));
        default: return D.ConsumeFloatingPoint<double>();
    }
}

void Same(const TMatrix& M, const TGrid& G, int NC, int NR) {
    FUZZ_CHECK(M.NrOfColumns() == NC && M.NrOfRows() == NR);
    for (int C = -1; C <= NC + 1; ++C)
        for (int R = -1; R <= NR + 1; ++R) {
            const bool Inside = C >= 1 && C <= NC && R >= 1 && R <= NR;
            const double Want = Inside ? G[static_cast<std::size_t>(C - 1)][static_cast<std::size_t>(R - 1)] : 0.0;
            FUZZ_CHECK(fuzz::SameBits(static_cast<double>(M.Elem(C, R)), Want));
        }
}

TGrid Grid(const TMatrix& M) {
    TGrid G(static_cast<std::size_t>(M.NrOfColumns()), std::vector<double>(static_cast<std::size_t>(M.NrOfRows())));
    for (int C = 1; C <= M.NrOfColumns(); ++C)
        for (int R = 1; R <= M.NrOfRows(); ++R) G[static_cast<std::size_t>(C - 1)][static_cast<std::size_t>(R - 1)] = static_cast<double>(M.Elem(C, R));
    return G;
}

bool Finite(const TGrid& G) {
    return std::all_of(G.begin(), G.end(), [](const auto& Col) {
        return std::all_of(Col.begin(), Col.end(), [](double X) { return std::isfinite(X); });
    });
}

double Largest(const TGrid& G) {
    double Big = 0;
    for (const auto& Col : G)
        for (double X : Col) Big = std::max(Big, std::fabs(X));
    return Big;
}

// Row R of the product of L and U (n x n, [column][row]) in long double.
std::vector<long double> ProductRow(const TGrid& L, const TGrid& U, std::size_t R) {
    const std::size_t N = L.size();
    std::vector<long double> Row(N, 0);
    for (std::size_t C = 0; C < N; ++C)
        for (std::size_t K = 0; K < N; ++K) Row[C] += static_cast<long double>(L[K][R]) * U[C][K];
    return Row;
}

void CheckInvert(TMatrix& M, const TGrid& A, int N) {
    const bool Ok = M.Invert();
    if (!Ok) return;
    const TGrid Inv = Grid(M);
    FUZZ_CHECK(Finite(Inv));
    // A * inverse = I within what the condition allows (checked only for moderate numbers).
    const double NA = Largest(A), NI = Largest(Inv);
    if (!(NA < 1e100 && NI < 1e100 && NA * NI < 1e10)) return;
    const double Tol = 1e-12 * N * N * NA * NI;
    for (int R = 0; R < N; ++R)
        for (int C = 0; C < N; ++C) {
            long double S = 0;
            for (int K = 0; K < N; ++K) S += static_cast<long double>(A[K][R]) * Inv[C][K];
            FUZZ_CHECK(std::fabs(static_cast<double>(S) - (R == C ? 1.0 : 0.0)) <= Tol);
        }
}

void CheckLU(TMatrix& M, const TGrid& A, int N) {
    TMatrix L(nullptr), U(nullptr);
    std::int32_t Parity = 0;
    const bool Ok = M.LUdecomposition(&L, &U, Parity);
    FUZZ_CHECK(Parity == 1 || Parity == -1);
    const TGrid GL = Grid(L), GU = Grid(U);
    FUZZ_CHECK(L.NrOfColumns() == N && L.NrOfRows() == N && U.NrOfColumns() == N && U.NrOfRows() == N);
    const Extended Det = M.Determinant();
    if (!Ok) {
        FUZZ_CHECK(Largest(GL) == 0 && Det == 0);
        return;
    }
    FUZZ_CHECK(Finite(GL) && Finite(GU));
    double Prod = Parity;
    for (std::size_t K = 0; K < static_cast<std::size_t>(N); ++K) {
        FUZZ_CHECK(GL[K][K] == 1);
        for (std::size_t R = 0; R < K; ++R) FUZZ_CHECK(GL[K][R] == 0);      // L lower
        for (std::size_t R = K + 1; R < static_cast<std::size_t>(N); ++R) FUZZ_CHECK(GU[K][R] == 0);  // U upper
        Prod *= GU[K][K];
    }
    FUZZ_CHECK(fuzz::SameBits(static_cast<double>(Det), Prod) || (std::isnan(Prod) && std::isnan(static_cast<double>(Det))));
    // Each row of L * U is a row of A (the permutation itself is not returned).
    const double Tol = 1e-12 * N * Largest(GL) * Largest(GU) + 1e-300;
    if (!std::isfinite(Tol)) return;
    for (std::size_t R = 0; R < static_cast<std::size_t>(N); ++R) {
        const auto Row = ProductRow(GL, GU, R);
        bool Found = false;
        for (std::size_t AR = 0; AR < static_cast<std::size_t>(N) && !Found; ++AR) {
            Found = true;
            for (std::size_t C = 0; C < static_cast<std::size_t>(N) && Found; ++C)
                Found = std::fabs(static_cast<double>(Row[C] - A[C][AR])) <= Tol;
        }
        FUZZ_CHECK(Found);
    }
}

void MatrixOps(FuzzedDataProvider& D) {
    TMatrix M(nullptr);
    int NC = 1, NR = 1;
    TGrid G(1, std::vector<double>(1, 0.0));
    for (int Step = 0; Step < 40 && D.remaining_bytes() > 0; ++Step) {
        switch (D.ConsumeIntegralInRange(0, 7)) {
            case 0:
            case 1:
            case 2: {
                const int C = D.ConsumeIntegralInRange(-1, 7), R = D.ConsumeIntegralInRange(-1, 7);
                const double V = Value(D);
                M.SetElem(C, R, V);
                if (C >= 1 && C <= NC && R >= 1 && R <= NR) G[static_cast<std::size_t>(C - 1)][static_cast<std::size_t>(R - 1)] = V;
                break;
            }
            case 3: {
                const int C = D.ConsumeIntegralInRange(-1, 6), R = D.ConsumeIntegralInRange(-1, 6);
                FUZZ_CHECK(M.Resize(C, R));
                const int C2 = std::max(C, 0), R2 = std::max(R, 0);
                TGrid H(static_cast<std::size_t>(C2), std::vector<double>(static_cast<std::size_t>(R2), 0.0));
                for (int I = 0; I < std::min(C2, NC); ++I)
                    for (int J = 0; J < std::min(R2, NR); ++J) H[static_cast<std::size_t>(I)][static_cast<std::size_t>(J)] = G[static_cast<std::size_t>(I)][static_cast<std::size_t>(J)];
                G = H, NC = C2, NR = R2;
                break;
            }
            case 4: {
                const bool Col = D.ConsumeBool();
                const int Ix = D.ConsumeIntegralInRange(-1, 7);
                const int Count = Col ? NC : NR;
                const bool Want = Ix >= 1 && Ix <= Count && Count > 1;
                FUZZ_CHECK((Col ? M.RemoveColumn(Ix) : M.RemoveRow(Ix)) == Want);
                if (Want && Col) G.erase(G.begin() + (Ix - 1)), --NC;
                if (Want && !Col) {
                    for (auto& Column : G) Column.erase(Column.begin() + (Ix - 1));
                    --NR;
                }
                break;
            }
            case 5: {
                const TGrid A = G;
                if (NC != NR || NC < 1) {
                    FUZZ_CHECK(!M.Invert() && (NC == NR || M.Determinant() == 0));
                    break;
                }
                CheckInvert(M, A, NC);
                G = Grid(M);  // whatever Invert left (inverse or factors) is the new content
                break;
            }
            case 6:
                if (NC == NR) CheckLU(M, G, NC);
                break;
            default: {
                TMatrix Copy(nullptr);
                Copy.Clone(&M);
                FUZZ_CHECK(Copy.CRCofData() == M.CRCofData());
                Same(Copy, G, NC, NR);
                break;
            }
        }
        Same(M, G, NC, NR);
    }
}

void VectorOps(FuzzedDataProvider& D) {
    TVector V(nullptr);
    std::vector<double> G(1, 0.0);
    for (int Step = 0; Step < 40 && D.remaining_bytes() > 0; ++Step) {
        const int N = static_cast<int>(G.size());
        switch (D.ConsumeIntegralInRange(0, 4)) {
            case 0: {
                const int Ix = D.ConsumeIntegralInRange(-1, 10);
                const double X = Value(D);
                V.SetElem(Ix, X);
                if (Ix >= 1 && Ix <= N) G[static_cast<std::size_t>(Ix - 1)] = X;
                break;
            }
            case 1: {
                const int NE = D.ConsumeIntegralInRange(-1, 9);
                FUZZ_CHECK(V.Resize(NE) == (NE > 0));
                if (NE > 0) G.resize(static_cast<std::size_t>(NE), 0.0);
                break;
            }
            case 2: {
                std::vector<double> Src(D.ConsumeIntegralInRange<std::size_t>(0, 5));
                for (double& X : Src) X = Value(D);
                const int At = D.ConsumeIntegralInRange(-3, 10);
                V.CopyFromArray(Src, At);
                for (std::size_t K = 0; K < Src.size(); ++K) {
                    const long Ix = At + static_cast<long>(K);
                    if (Ix >= 1 && Ix <= N) G[static_cast<std::size_t>(Ix - 1)] = Src[K];
                }
                break;
            }
            case 3: {
                int Lo = D.ConsumeIntegralInRange(-2, 11), Hi = D.ConsumeIntegralInRange(-2, 11);
                TDoubleArray Out;
                V.CopyToArray(Out, Lo, Hi);
                if (Lo == 0 && Hi == 0) Hi = N, Lo = 1;
                Lo = std::clamp(Lo, 1, N), Hi = std::clamp(Hi, 1, N);
                if (Lo > Hi) std::swap(Lo, Hi);
                FUZZ_CHECK(Out == std::vector<double>(G.begin() + (Lo - 1), G.begin() + Hi) ||
                           std::any_of(G.begin(), G.end(), [](double X) { return std::isnan(X); }));
                break;
            }
            default: {
                const double X = Value(D);
                V.Fill(X);
                std::fill(G.begin(), G.end(), X);
                break;
            }
        }
        FUZZ_CHECK(V.NrOfElem() == static_cast<int>(G.size()));
        for (int Ix = -1; Ix <= static_cast<int>(G.size()) + 1; ++Ix) {
            const bool Inside = Ix >= 1 && Ix <= static_cast<int>(G.size());
            FUZZ_CHECK(fuzz::SameBits(static_cast<double>(V.Elem(Ix)), Inside ? G[static_cast<std::size_t>(Ix - 1)] : 0.0));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider D(Data, Size);
    if (D.ConsumeBool()) MatrixOps(D);
    else VectorOps(D);
    return 0;
}
