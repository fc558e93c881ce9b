// Hexadecimal images of floating-point values: any value's image reads back to the same
// bits (upper or lower case), and any other text either reads as the bytes its digits
// give or raises EQMRError when it is not exactly the image's digits.
#include "fuzz_support.h"

#include <cctype>

using namespace qmr;

namespace {

// The value whose bytes the digits of S give (most significant byte first), or nothing when
// S is not exactly Bytes * 2 hexadecimal digits.
template <class T> bool Decode(const std::string& S, std::size_t Bytes, T& X) {
    if (S.size() != 2 * Bytes) return false;
    unsigned char Image[sizeof(T)] = {};
    for (std::size_t I = 0; I < Bytes; ++I) {
        unsigned V = 0;
        for (std::size_t K = 0; K < 2; ++K) {
            const char C = S[2 * I + K];
            if (!std::isxdigit(static_cast<unsigned char>(C))) return false;
            V = V * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(C)) ? C - '0' : (C | 0x20) - 'a' + 10);
        }
        Image[Bytes - 1 - I] = static_cast<unsigned char>(V);
    }
    std::memcpy(&X, Image, sizeof(T));
    return true;
}

std::string Lower(std::string S) {
    for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return S;
}

template <class T, class Parse>
void Check(FuzzedDataProvider& In, std::size_t Bytes, Parse ParseHex, const std::string& Text) {
    T X{};
    const auto Raw = In.ConsumeBytes<unsigned char>(Bytes);
    if (!Raw.empty()) std::memcpy(&X, Raw.data(), Raw.size());
    const std::string Image = FPNumToHex(X);
    FUZZ_CHECK(Image.size() == 2 * Bytes && Image.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    FUZZ_CHECK(fuzz::SameBits(ParseHex(Image), X, Bytes));
    FUZZ_CHECK(fuzz::SameBits(ParseHex(Lower(Image)), X, Bytes));
    T Want{};
    const bool Valid = Decode(Text, Bytes, Want);
    try {
        const T Got = ParseHex(Text);
        FUZZ_CHECK(Valid && fuzz::SameBits(Got, Want, Bytes));
    } catch (const EQMRError&) {
        FUZZ_CHECK(!Valid);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider In(Data, Size);
    const int Kind = In.ConsumeIntegralInRange(0, 2);
    const std::string Text = In.ConsumeRandomLengthString(24);
    if (Kind == 0) Check<double>(In, 8, [](const std::string& S) { return HexToDouble(S); }, Text);
    else if (Kind == 1) Check<float>(In, 4, [](const std::string& S) { return HexToSingle(S); }, Text);
#if QMR_EXTENDED_80
    else Check<long double>(In, 10, [](const std::string& S) { return HexToExtended(S); }, Text);
#endif
    return 0;
}
