// TMixedFStream: items written are read back unchanged, and reading any file follows a
// model of the item layout (failure reported as failure, the stream then at its end).
#include "fuzz_support.h"

#include <vector>

using namespace qmr;

namespace {

enum TItem { kInteger, kDouble, kByte, kLine };

// Reads items of the given kinds from Bytes as the layout defines them and compares each
// with what TMixedFStream reads from the same file.
void ReadAny(const std::vector<std::uint8_t>& Kinds, const std::string& Bytes) {
    TMixedFStream F(fuzz::File().Write(Bytes), fmOpenRead);
    const auto Size = static_cast<std::int64_t>(Bytes.size());
    std::int64_t Pos = 0;
    auto Take = [&](std::int64_t N, void* Out) {
        if (N > Size - Pos) {
            Pos = Size;
            return false;
        }
        std::memcpy(Out, Bytes.data() + Pos, static_cast<std::size_t>(N));
        Pos += N;
        return true;
    };
    for (std::uint8_t K : Kinds) {
        bool Error = false;
        switch (K % 4) {
            case kInteger: {
                std::int32_t Want = 0;
                const bool Ok = Take(4, &Want);
                FUZZ_CHECK(F.ReadInteger(Error) == (Ok ? Want : 0) && Error == !Ok);
                break;
            }
            case kDouble: {
                double Want = 0;
                const bool Ok = Take(8, &Want);
                const double Got = F.ReadDouble(Error);
                FUZZ_CHECK(fuzz::SameBits(Got, Ok ? Want : 0.0) && Error == !Ok);
                break;
            }
            case kByte: {
                std::uint8_t Want = 0;
                const bool Ok = Take(1, &Want);
                FUZZ_CHECK(F.ReadByte(Error) == (Ok ? Want : 0) && Error == !Ok);
                break;
            }
            default: {
                std::int32_t Len = 0;
                bool Ok = Take(4, &Len) && Len >= 0 && Len <= Size - Pos;
                std::string Want;
                if (Ok) {
                    Want = Bytes.substr(static_cast<std::size_t>(Pos), static_cast<std::size_t>(Len));
                    Pos += Len;
                } else {
                    Pos = Size;
                }
                const std::string Got = F.ReadLn(Error);
                FUZZ_CHECK(Got == Want && Error == !Ok);
                break;
            }
        }
        FUZZ_CHECK(F.Position() == Pos);
    }
}

// Writes the items In describes and reads them back.
void RoundTrip(FuzzedDataProvider& In) {
    struct TEntry { int Kind; std::int32_t I; double D; std::uint8_t B; std::string L; };
    std::vector<TEntry> Items;
    while (In.remaining_bytes() > 0 && Items.size() < 64) {
        TEntry E{In.ConsumeIntegralInRange(0, 3), 0, 0, 0, {}};
        if (E.Kind == kInteger) E.I = In.ConsumeIntegral<std::int32_t>();
        else if (E.Kind == kDouble) E.D = In.ConsumeFloatingPoint<double>();
        else if (E.Kind == kByte) E.B = In.ConsumeIntegral<std::uint8_t>();
        else E.L = In.ConsumeRandomLengthString(200);
        Items.push_back(E);
    }
    {
        TMixedFStream F(fuzz::File().Path(), fmCreate);
        for (const auto& E : Items) {
            if (E.Kind == kInteger) F.WriteInteger(E.I);
            else if (E.Kind == kDouble) F.WriteDouble(E.D);
            else if (E.Kind == kByte) F.WriteByte(E.B);
            else F.WriteLn(E.L);
        }
    }
    TMixedFStream F(fuzz::File().Path(), fmOpenRead);
    bool Error = true;
    for (const auto& E : Items) {
        if (E.Kind == kInteger) FUZZ_CHECK(F.ReadInteger(Error) == E.I);
        else if (E.Kind == kDouble) { const double D = F.ReadDouble(Error); FUZZ_CHECK(fuzz::SameBits(D, E.D)); }
        else if (E.Kind == kByte) FUZZ_CHECK(F.ReadByte(Error) == E.B);
        else FUZZ_CHECK(F.ReadLn(Error) == E.L);
        FUZZ_CHECK(!Error);
    }
    F.ReadByte(Error);
    FUZZ_CHECK(Error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider In(Data, Size);
    if (In.ConsumeBool()) {
        RoundTrip(In);
    } else {
        const auto Kinds = In.ConsumeBytes<std::uint8_t>(In.ConsumeIntegralInRange(0, 16));
        ReadAny(Kinds, In.ConsumeRemainingBytesAsString());
    }
    return 0;
}
