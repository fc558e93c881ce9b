// Test helpers shared by the suite.
#pragma once

#include <gtest/gtest.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

// QMR_TEST_TSAN: built with ThreadSanitizer (GCC or Clang).
#if defined(__SANITIZE_THREAD__)
#define QMR_TEST_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QMR_TEST_TSAN 1
#endif
#endif

namespace qmr::test {

inline constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double Inf = std::numeric_limits<double>::infinity();

// Saves ProcStat, MathFeedBackProc and AbortMathProc and restores them afterwards;
// records every feedback call made while the fixture is active.
class ProgressFixture : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedStat = ProcStat.load();
        FSavedProc = MathFeedBackProc;
        FSavedAbort = AbortMathProc.load();
        ProcStat = 0.0;
        AbortMathProc = false;
        Calls().clear();
        MathFeedBackProc = &Record;
    }
    void TearDown() override {
        ProcStat = FSavedStat;
        MathFeedBackProc = FSavedProc;
        AbortMathProc = FSavedAbort;
    }
    // Values passed to MathFeedBackProc since SetUp.
    static std::vector<double>& Calls() {
        static std::vector<double> V;
        return V;
    }
    static void Record(double P) { Calls().push_back(P); }

private:
    double FSavedStat = 0;
    TMathFeedBackProc FSavedProc = nullptr;
    bool FSavedAbort = false;
};

// A fresh file path in the system temp directory, removed when the object dies.
class TempPath {
public:
    explicit TempPath(const std::string& Name)
        : FPath((std::filesystem::temp_directory_path() /
                 (std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "_" + Name))
                    .string()) {}
    ~TempPath() {
        std::error_code Ec;
        std::filesystem::remove(FPath, Ec);
    }
    const std::string& str() const { return FPath; }

private:
    std::string FPath;
};


// The bytes of a file ("" when it cannot be read).
inline std::string FileBytes(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(F), {});
}
// Creates (or empties) a file holding Bytes.
inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes;
}
// True when F throws an E with the message Msg.
template <class E, class Fn> bool ThrowsWith(Fn&& F, const std::string& Msg) {
    try {
        F();
    } catch (const E& X) {
        return X.what() == Msg;
    }
    return false;
}

// Nested arrays of one to four dimensions, indexed [column][row][...].
template <class T> using V1 = std::vector<T>;
template <class T> using V2 = std::vector<V1<T>>;
template <class T> using V3 = std::vector<V2<T>>;
template <class T> using V4 = std::vector<V3<T>>;

// Cell types of the typed tests that run over integer and real arrays.
using IntAndDouble = ::testing::Types<std::int32_t, double>;

// The cell value for N: N itself, or for Booleans whether N is odd.
template <class T> T Num(long N) {
    if constexpr (std::is_same_v<T, bool>) return N % 2 != 0;
    else return static_cast<T>(N);
}

// Arrays of the given extents with every cell X.
template <class T> V2<T> Make2(std::size_t C, std::size_t R, T X = T()) { return V2<T>(C, V1<T>(R, X)); }
template <class T> V3<T> Make3(std::size_t A, std::size_t B, std::size_t C, T X = T()) {
    return V3<T>(A, Make2<T>(B, C, X));
}
template <class T> V4<T> Make4(std::size_t A, std::size_t B, std::size_t C, std::size_t D, T X = T()) {
    return V4<T>(A, Make3<T>(B, C, D, X));
}

// Cols x Rows with cell [c][r] = Num(Base + c * Rows + r): every cell distinct.
template <class T> V2<T> Grid(int Cols, int Rows, int Base = 1) {
    V2<T> A(static_cast<std::size_t>(Cols), V1<T>(static_cast<std::size_t>(Rows)));
    for (int C = 0; C < Cols; ++C)
        for (int R = 0; R < Rows; ++R) A[C][R] = Num<T>(Base + C * Rows + R);
    return A;
}

// Expects Status 0 and hands back Result, so that a call and its outcome fit in one
// assertion: EXPECT_EQ(Ok(FillArray(A, 1), A), Want).
template <class V> const V& Ok(int Status, const V& Result) {
    EXPECT_EQ(Status, 0);
    return Result;
}

// Counts the OnChange calls of a container into N from now on.
template <class C> void CountChanges(C& Obj, int& N) {
    N = 0;
    Obj.OnChange = [&N](TObject*) { ++N; };
}

// The message of the E that Call raises; "<nothing raised>" when it returns.
template <class E, class F> std::string RaisedMessage(F&& Call) try {
    Call();
    return "<nothing raised>";
} catch (const E& X) {
    return X.what();
}

// Every element of a matrix, column by column.
template <class M> std::vector<double> Cells(const M& Mat) {
    std::vector<double> V;
    for (int C = 1; C <= Mat.NrOfColumns(); ++C)
        for (int R = 1; R <= Mat.NrOfRows(); ++R) V.push_back(static_cast<double>(Mat.Elem(C, R)));
    return V;
}

// Loads a matrix given row by row (Rows[r][c] is element (c + 1, r + 1)).
template <class M> void SetRows(M& Mat, const std::vector<std::vector<double>>& Rows) {
    Mat.Resize(Rows.empty() ? 0 : static_cast<int>(Rows[0].size()), static_cast<int>(Rows.size()));
    for (int R = 1; R <= Mat.NrOfRows(); ++R)
        for (int C = 1; C <= Mat.NrOfColumns(); ++C) Mat.SetElem(C, R, Rows[R - 1][C - 1]);
}

// Cols x Rows values uniform in [-1, 1] from a seeded generator.
template <class M> void RandomFill(M& Mat, int Cols, int Rows, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    Mat.Resize(Cols, Rows);
    for (int C = 1; C <= Cols; ++C)
        for (int R = 1; R <= Rows; ++R) Mat.SetElem(C, R, U(Gen));
}

// Resizes a matrix to one column holding X.
template <class M> void SetColumn(M& Mat, const std::vector<double>& X) {
    Mat.Resize(1, static_cast<int>(X.size()));
    for (int R = 1; R <= Mat.NrOfRows(); ++R) Mat.SetElem(1, R, X[static_cast<std::size_t>(R - 1)]);
}

// Resizes a matrix to Cols x Rows with element (c, r) = Cell(c, r).
template <class M, class F> void FillCells(M& Mat, int Cols, int Rows, F&& Cell) {
    Mat.Resize(Cols, Rows);
    for (int C = 1; C <= Cols; ++C)
        for (int R = 1; R <= Rows; ++R) Mat.SetElem(C, R, Cell(C, R));
}

// N values uniform in [Lo, Hi) from a seeded generator.
inline std::vector<double> RandomValues(std::size_t N, unsigned Seed, double Lo = -1, double Hi = 1) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(Lo, Hi);
    std::vector<double> X(N);
    for (double& V : X) V = U(Gen);
    return X;
}

// Resizes a vector (TVector, TIntVector) to X's length and writes X through SetElem.
template <class Vec, class T> void SetValues(Vec& V, const std::vector<T>& X) {
    V.Resize(static_cast<std::int32_t>(X.size()));
    for (std::size_t I = 0; I < X.size(); ++I) V.SetElem(static_cast<std::int32_t>(I + 1), X[I]);
}

// The elements of a vector, element 1 first.
template <class T = double, class Vec> std::vector<T> ValuesOf(const Vec& V) {
    std::vector<T> X;
    for (std::int32_t I = 1; I <= V.NrOfElem(); ++I) X.push_back(static_cast<T>(V.Elem(I)));
    return X;
}

// A 2-D array whose second column is shorter than the first.
template <class T> V2<T> Ragged() { return {{Num<T>(1), Num<T>(2), Num<T>(3)}, {Num<T>(4)}}; }

}  // namespace qmr::test
