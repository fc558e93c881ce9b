// Runtime core: Extended, exceptions, object/component model, rounding and the
// checked float-to-integer conversion, the platform random generator.
#pragma once

#include "qmr_config.h"
#include "package/qmr_export.h"

#include <cmath>
#include <concepts>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// The library's widest real type: x87 80-bit in the wide build, double otherwise.
#if QMR_EXTENDED_80
using Extended = long double;
#else
using Extended = double;
#endif

// ---------------------------------------------------------------- exceptions

// Base of every exception the library raises; the message is what().
class QMR_API Exception : public std::exception {
public:
    explicit Exception(std::string Msg);
    const char* what() const noexcept override;
    const std::string& Message() const noexcept { return FMessage; }
private:
    std::string FMessage;
};

// Invalid floating-point operation (NaN or out-of-range conversion, ...).
class QMR_API EMathError : public Exception { public: using Exception::Exception; };
// Failed conversion or assignment between incompatible objects.
class QMR_API EConvertError : public Exception { public: using Exception::Exception; };
// Stream or file failure.
class QMR_API EStreamError : public Exception { public: using Exception::Exception; };

// ---------------------------------------------------------------- object model

class TComponent;

// Root of the class hierarchy.
class QMR_API TObject {
public:
    virtual ~TObject();
    // Class name as used in messages ("TMatrix").
    virtual std::string ClassName() const;
};

// Notification carrying only the sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Object that can copy itself from another through Assign/AssignTo.
class QMR_API TPersistent : public TObject {
public:
    std::string ClassName() const override;
    // Copies Source into this object; refuses (EConvertError) unless a class supports the pair.
    virtual void Assign(const TPersistent* Source);
protected:
    // Copies this object into Dest; the default refuses with EConvertError.
    virtual void AssignTo(TPersistent* Dest) const;
};

// Non-visual component with an owner and a name. An owner deletes the components it
// owns when it is deleted; a component deleted first leaves its owner's list.
// Two components linked by FreeNotification are told of each other's destruction: the
// one destroyed first calls the other's Notification before it deletes what it owns.
class QMR_API TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override;
    TComponent* Owner() const noexcept { return FOwner; }
    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    // Owned component Index (0-based); nullptr outside the list.
    TComponent* Components(int Index) const noexcept;
    // Links this component and AComponent (nil or this: nothing): whichever is destroyed
    // first calls the other's Notification. Linking twice links once.
    void FreeNotification(TComponent* AComponent);
    // Drops the link made by FreeNotification; nothing when there is none.
    void RemoveFreeNotification(TComponent* AComponent) noexcept;
protected:
    // AComponent, linked through FreeNotification, is being destroyed (its own parts are
    // already gone): drop every pointer to it and do not call it. The default does nothing.
    virtual void Notification(TComponent* AComponent);
private:
    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;  // linked components, each listing this one too
    bool FDestroying = false;
};

// The component message: Component "<Name>[.<Method>]": <Reason>.
QMR_API std::string ComponentMessage(const TComponent* C, std::string_view Reason,
                                     std::string_view Method = {});

// ---------------------------------------------------------------- rounding and conversion

namespace detail {
// The one place where a floating value becomes an integer: truncates toward zero into
// Out and returns true, or returns false (Out untouched) for NaN or values outside int64.
QMR_API bool CheckedTruncToInt64(long double X, std::int64_t& Out) noexcept;
// Rounds X to the nearest integer, halves to even, into Out; false as above.
QMR_API bool CheckedRoundToInt64(long double X, std::int64_t& Out) noexcept;
// Rounds half to even and saturates to int32; NaN gives Fallback.
QMR_API std::int32_t RoundToInt32Sat(long double X, std::int32_t Fallback = 0) noexcept;
// Truncates toward zero and saturates to int32; NaN gives Fallback.
QMR_API std::int32_t TruncToInt32Sat(long double X, std::int32_t Fallback = 0) noexcept;
// Inline form for hot loops: the integer part of X when 0 <= X < Limit (Limit at most
// 2^53), else Fallback (NaN included).
inline std::int64_t TruncIndex(double X, std::int64_t Limit, std::int64_t Fallback) noexcept {
    return X >= 0 && X < static_cast<double>(Limit) ? static_cast<std::int64_t>(X) : Fallback;
}
}  // namespace detail

// Nearest integer, halves to even (Round(2.5) = 2, Round(3.5) = 4); EMathError for NaN or overflow.
QMR_API std::int64_t Round(long double X);
inline std::int64_t Round(double X) { return Round(static_cast<long double>(X)); }
inline std::int64_t Round(float X) { return Round(static_cast<long double>(X)); }
// Integer part toward zero; EMathError for NaN or overflow.
QMR_API std::int64_t Trunc(long double X);
inline std::int64_t Trunc(double X) { return Trunc(static_cast<long double>(X)); }
inline std::int64_t Trunc(float X) { return Trunc(static_cast<long double>(X)); }
// Integer part as a real, toward zero.
template <std::floating_point T> T Int(T X) { return std::trunc(X); }
// Fractional part, with the sign of X (Frac(-1.25) = -0.25).
template <std::floating_point T> T Frac(T X) { return X - std::trunc(X); }

// ---------------------------------------------------------------- platform random generator

// Seed of the platform generator; any value may be stored here, the sequence
// drawn afterwards depends only on it. Not thread safe.
extern QMR_API std::int32_t RandSeed;
// Uniform double in [0, 1).
QMR_API double Random();
// Uniform integer in [0, Range); 0 when Range <= 0.
QMR_API std::int32_t Random(std::int32_t Range);
// Seeds the platform generator from the clock.
QMR_API void Randomize();
// Gaussian deviate with the given mean and standard deviation (drawn from Random()).
QMR_API double RandG(double Mean, double StdDev);

namespace detail {
// One accepted draw of Marsaglia's polar method over Random(): the point (U, V) lies
// strictly inside the unit circle and off the origin, and U * Factor and V * Factor
// are two independent standard normal deviates.
struct TPolarDraw {
    double U, V, Factor;
};
QMR_API TPolarDraw PolarDraw();
}  // namespace detail

// Number of logical processors (at least 1).
QMR_API int ProcessorCount() noexcept;

}  // namespace qmr
