// Base services shared by every unit: array types, records, enumerations, event types,
// the library's exception base and the progress/abort globals.
#pragma once

#include "platform/rtl_core.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmr {

// ---------------------------------------------------------------- dynamic arrays (0-based)
// A two-dimensional array is a vector of columns: A[column][row].

using TIntArray = std::vector<std::int32_t>;
using TInt2DArray = std::vector<TIntArray>;
using TInt3DArray = std::vector<TInt2DArray>;
using TInt4DArray = std::vector<TInt3DArray>;
using TDoubleArray = std::vector<double>;
using TDouble2DArray = std::vector<TDoubleArray>;
using TDouble3DArray = std::vector<TDouble2DArray>;
using TDouble4DArray = std::vector<TDouble3DArray>;
using TSingleArray = std::vector<float>;
using TBoolArray = std::vector<bool>;
using TBool2DArray = std::vector<TBoolArray>;
using TStrArray = std::vector<std::string>;

// ---------------------------------------------------------------- records

// Point with real coordinates.
struct TPointDouble {
    double x = 0;
    double y = 0;
    friend bool operator==(const TPointDouble&, const TPointDouble&) = default;
};

// Point with integer coordinates.
struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Integer rectangle given by two opposite corners.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Real rectangle given by two opposite corners.
struct TRectDouble {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    friend bool operator==(const TRectDouble&, const TRectDouble&) = default;
};

using TPDblArray = std::vector<TPointDouble>;
using TPIntArray = std::vector<TPoint>;

// ---------------------------------------------------------------- enumerations (ordinals fixed)

// Element kind of the untyped array routines: 0, 1 8-byte real; 2 4-byte real; 3, 4 int32.
enum class TVarKind : std::uint8_t { vkDouble = 0, vkReal = 1, vkSingle = 2, vkInteger = 3, vkLongint = 4 };
// Degree text: degrees, with minutes, with minutes and seconds, plain number.
enum class TDegreeFormat : std::uint8_t { dfDeg = 0, dfDegMin = 1, dfDegMinSec = 2, dfPlain = 3 };
// Dimension of a matrix: columns or rows.
enum class TDims : std::uint8_t { dimColumns = 0, dimRows = 1 };
// Direction of an edge vector: one value per row or per column.
enum class TOrientation : std::uint8_t { orRows = 0, orColumns = 1 };
// Reduction of an edge vector.
enum class TEdgeOp : std::uint8_t { eoMin = 0, eoMax = 1, eoSum = 2, eoMean = 3 };
// Distance between two objects (rows): 0 Tanimoto, 1 Manhattan, 2 Euclidean,
// 3 squared Euclidean, 4 Dice, 5 caller-defined.
enum class TDistMode : std::uint8_t {
    dmTanimoto = 0, dmManhattan = 1, dmEuclid = 2, dmEuclidSqr = 3, dmDice = 4, dmUser = 5
};
// Combination of two bit fields.
enum class TLogicOp : std::uint8_t { loAnd = 0, loOr = 1, loXor = 2, loAndNot = 3 };
// State of the name parser: before the name, inside a quoted name, just after a quote
// inside a quoted name, done, inside a name written without quotes.
enum class TQuotedStrState : std::uint8_t {
    qsStart = 0, qsInName = 1, qsQuoteInName = 2, qsDone = 3, qsInPlainName = 4
};

// ---------------------------------------------------------------- exceptions

// Base of the library's exception classes.
class QMR_API EQMRError : public Exception { public: using Exception::Exception; };

// ---------------------------------------------------------------- events

// A sort exchanged two items: kind 0 vector elements, 1 columns, 2 rows; the two
// indices; the range of the other dimension (0, 0 for vectors).
using TSortExchgEvent = std::function<void(TObject* Sender, std::uint8_t ExchgWhat, std::int32_t Index1,
                                           std::int32_t Index2, std::int32_t LowBound, std::int32_t HighBound)>;
// Progress in percent.
using TOnPercentDoneEvent = std::function<void(TObject* Sender, double Percent)>;
// Asks the host whether to stop; the host sets Abort.
using TOnCheckAbortEvent = std::function<void(TObject* Sender, bool& Abort)>;

// ---------------------------------------------------------------- progress and abort

// Host hook called with the new ProcStat after every progress step.
using TMathFeedBackProc = void (*)(double ProcStat);

// Progress counter; the library only ever adds to it (safe from worker threads).
extern QMR_API std::atomic<double> ProcStat;
// Feedback hook; nullptr when not assigned.
extern QMR_API TMathFeedBackProc MathFeedBackProc;
// Abort request polled by long loops; set by the host, never by the library.
extern QMR_API std::atomic<bool> AbortMathProc;

namespace detail {
// Adds Amount to ProcStat and calls MathFeedBackProc with the new value when assigned.
QMR_API void StepProgress(double Amount = 1.0);
// Adds Amount to ProcStat without calling the hook (worker threads).
inline void AddProgress(double Amount = 1.0) noexcept { ProcStat.fetch_add(Amount); }
// Calls MathFeedBackProc with the current ProcStat when assigned.
QMR_API void CallFeedBack();
// True when the host asked long loops to stop.
inline bool AbortRequested() noexcept { return AbortMathProc.load(std::memory_order_relaxed); }
}  // namespace detail

}  // namespace qmr
