// The unit's random generators.
#include "foundations/QMR_math1_random.h"

#include "foundations/QMR_math1_scalar.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace qmr {

namespace detail {
// Seeds of the three congruential generators and the Gaussian cache (unit state).
constinit std::int32_t GLongRandS1 = 0;
constinit std::int32_t GLongRandS2 = 0;
constinit std::int32_t GLongRandS3 = 0;
constinit bool GGaussCached = false;
constinit double GGaussValue = 0.0;

// Load-time state of the generators: empty Gaussian cache, seeds from the platform generator.
void InitMath1Random() {
    GGaussCached = false;
    GLongRandS1 = static_cast<std::int32_t>(Round(Random() * 990000));
    GLongRandS2 = static_cast<std::int32_t>(Round(Random() * 990000));
    GLongRandS3 = static_cast<std::int32_t>(Round(Random() * 990000));
}
}  // namespace detail

namespace {
constexpr std::int64_t kMod1 = 1001003;
constexpr std::int64_t kMod2 = 990923;
constexpr std::int64_t kMod3 = 1400423;
constexpr std::int64_t kMul1 = 1187;
constexpr std::int64_t kMul2 = 983;
constexpr std::int64_t kMul3 = 1283;

// |(R shl Shift) xor R| mod 990923, the shift done in 32 bits losing its top bits.
std::int32_t MixSeed(std::int32_t R, int Shift) {
    const std::uint32_t U = static_cast<std::uint32_t>(R);
    const std::int32_t Mixed = static_cast<std::int32_t>((U << Shift) ^ U);
    return static_cast<std::int32_t>(std::llabs(static_cast<std::int64_t>(Mixed)) % kMod2);
}
}  // namespace

double LongRand(std::int32_t Seed) {
    using namespace detail;
    if (Seed != 0) {
        const std::int32_t R = static_cast<std::int32_t>(Seed % kMod2);  // sign of Seed kept
        GLongRandS1 = R < 0 ? -R : R;
        GLongRandS2 = MixSeed(R, 8);
        GLongRandS3 = MixSeed(R, 16);
    }
    GLongRandS1 = static_cast<std::int32_t>(GLongRandS1 * kMul1 % kMod1);
    GLongRandS2 = static_cast<std::int32_t>(GLongRandS2 * kMul2 % kMod2);
    GLongRandS3 = static_cast<std::int32_t>(GLongRandS3 * kMul3 % kMod3);
    const double X = static_cast<double>(static_cast<Extended>(GLongRandS1) / kMod1 +
                                         static_cast<Extended>(GLongRandS2) / kMod2 +
                                         static_cast<Extended>(GLongRandS3) / kMod3);
    return X - std::trunc(X);
}

double GRandom() {
    using namespace detail;
    if (GGaussCached) {
        GGaussCached = false;
        return GGaussValue;
    }
    GGaussCached = true;
    const TPolarDraw P = PolarDraw();
    GGaussValue = P.U * P.Factor;
    return P.V * P.Factor;
}

bool BRandom(double P) {
    if (P >= 1.0) return true;
    return P > Random();
}

double CRandom(double Location, double Scale) {
    constexpr Extended Pi = std::numbers::pi_v<Extended>;
    const Extended T = std::tan((static_cast<Extended>(Random()) - Extended(0.5)) * Pi);
    return static_cast<double>(Location + Scale * T);
}

std::int32_t Signum(double X) { return X >= 0 ? 1 : -1; }

}  // namespace qmr
