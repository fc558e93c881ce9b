// Runtime core: exceptions, components, rounding, the platform random generator.
#include "platform/rtl_core.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace qmr {

// ---------------------------------------------------------------- exceptions

Exception::Exception(std::string Msg) : FMessage(std::move(Msg)) {}
const char* Exception::what() const noexcept { return FMessage.c_str(); }

// ---------------------------------------------------------------- object model

TObject::~TObject() = default;
std::string TObject::ClassName() const { return "TObject"; }

std::string TPersistent::ClassName() const { return "TPersistent"; }

void TPersistent::Assign(const TPersistent* Source) {
    if (Source != nullptr) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* Dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " +
                        (Dest ? Dest->ClassName() : std::string("nil")));
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
    FDestroying = true;
    // Tell the linked components first, while the owned ones are still alive.
    std::vector<TComponent*> Linked;
    Linked.swap(FFreeNotifies);
    for (TComponent* Other : Linked) {
        auto& List = Other->FFreeNotifies;
        List.erase(std::remove(List.begin(), List.end(), this), List.end());
        Other->Notification(this);
    }
    // Delete owned components, last created first; each leaves our list itself.
    while (!FComponents.empty()) {
        TComponent* Child = FComponents.back();
        delete Child;
    }
    if (FOwner) {
        auto& List = FOwner->FComponents;
        List.erase(std::remove(List.begin(), List.end(), this), List.end());
    }
}

std::string TComponent::ClassName() const { return "TComponent"; }

TComponent* TComponent::Components(int Index) const noexcept {
    if (Index < 0 || Index >= ComponentCount()) return nullptr;
    return FComponents[static_cast<std::size_t>(Index)];
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) != FFreeNotifies.end()) return;
    FFreeNotifies.push_back(AComponent);
    try {
        AComponent->FFreeNotifies.push_back(this);
    } catch (...) {
        FFreeNotifies.pop_back();
        throw;
    }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) noexcept {
    if (AComponent == nullptr) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
    auto& List = AComponent->FFreeNotifies;
    List.erase(std::remove(List.begin(), List.end(), this), List.end());
}

void TComponent::Notification(TComponent* /*AComponent*/) {}

std::string ComponentMessage(const TComponent* C, std::string_view Reason, std::string_view Method) {
    std::string S = "Component \"";
    if (C) S += C->Name();
    if (!Method.empty()) {
        S += '.';
        S += Method;
    }
    S += "\": ";
    S += Reason;
    return S;
}

// ---------------------------------------------------------------- rounding and conversion

namespace detail {

namespace {
// 2^63 is exactly representable; the int64 range is [-2^63, 2^63).
constexpr long double kTwo63 = 9223372036854775808.0L;

bool InInt64Range(long double T) noexcept { return T >= -kTwo63 && T < kTwo63; }

long double RoundHalfEven(long double X) noexcept {
    long double F = std::floor(X);
    long double D = X - F;  // exact in binary floating point
    if (D > 0.5L || (D == 0.5L && std::fmod(F, 2.0L) != 0.0L)) F += 1.0L;
    return F;
}
}  // namespace

bool CheckedTruncToInt64(long double X, std::int64_t& Out) noexcept {
    if (std::isnan(X)) return false;
    long double T = std::trunc(X);
    if (!InInt64Range(T)) return false;
    Out = static_cast<std::int64_t>(T);
    return true;
}

bool CheckedRoundToInt64(long double X, std::int64_t& Out) noexcept {
    if (std::isnan(X)) return false;
    return CheckedTruncToInt64(RoundHalfEven(X), Out);
}

namespace {
std::int32_t Saturate(long double R, std::int32_t Fallback) noexcept {
    if (std::isnan(R)) return Fallback;
    if (R <= static_cast<long double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (R >= static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    std::int64_t V = 0;
    CheckedTruncToInt64(R, V);
    return static_cast<std::int32_t>(V);
}
}  // namespace

std::int32_t RoundToInt32Sat(long double X, std::int32_t Fallback) noexcept {
    if (std::isnan(X)) return Fallback;
    return Saturate(RoundHalfEven(X), Fallback);
}

std::int32_t TruncToInt32Sat(long double X, std::int32_t Fallback) noexcept {
    if (std::isnan(X)) return Fallback;
    return Saturate(std::trunc(X), Fallback);
}

}  // namespace detail

std::int64_t Round(long double X) {
    std::int64_t R = 0;
    if (!detail::CheckedRoundToInt64(X, R)) throw EMathError("Invalid floating point operation");
    return R;
}

std::int64_t Trunc(long double X) {
    std::int64_t R = 0;
    if (!detail::CheckedTruncToInt64(X, R)) throw EMathError("Invalid floating point operation");
    return R;
}

// ---------------------------------------------------------------- platform random generator
//
// A Weyl sequence over the 32-bit seed, finalised by a 32-bit avalanche mix: every seed
// value is a valid state, the period is 2^32 and consecutive outputs are uncorrelated.

std::int32_t RandSeed = 0;

namespace {
std::uint32_t NextRaw() noexcept {
    std::uint32_t S = static_cast<std::uint32_t>(RandSeed) + 0x9E3779B9u;
    RandSeed = static_cast<std::int32_t>(S);
    std::uint32_t Z = S;
    Z ^= Z >> 16;
    Z *= 0x7FEB352Du;
    Z ^= Z >> 15;
    Z *= 0x846CA68Bu;
    Z ^= Z >> 16;
    return Z;
}
}  // namespace

double Random() {
    // 53 random bits from two steps.
    std::uint64_t Hi = NextRaw() >> 6;  // 26 bits
    std::uint64_t Lo = NextRaw() >> 5;  // 27 bits
    return static_cast<double>((Hi << 27) | Lo) * 0x1.0p-53;
}

std::int32_t Random(std::int32_t Range) {
    if (Range <= 0) return 0;
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(NextRaw()) *
                                      static_cast<std::uint64_t>(Range)) >> 32);
}

void Randomize() {
    auto Ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    auto U = static_cast<std::uint64_t>(Ticks);
    RandSeed = static_cast<std::int32_t>(static_cast<std::uint32_t>(U ^ (U >> 32)));
}

detail::TPolarDraw detail::PolarDraw() {
    double U = 0, V = 0, S = 0;
    do {
        U = 2.0 * Random() - 1.0;
        V = 2.0 * Random() - 1.0;
        S = U * U + V * V;
    } while (S >= 1.0 || S == 0.0);
    return {U, V, std::sqrt(-2.0 * std::log(S) / S)};
}

double RandG(double Mean, double StdDev) {
    const detail::TPolarDraw P = detail::PolarDraw();
    return Mean + StdDev * P.U * P.Factor;
}

int ProcessorCount() noexcept {
    unsigned N = std::thread::hardware_concurrency();
    return N == 0 ? 1 : static_cast<int>(N);
}

}  // namespace qmr
