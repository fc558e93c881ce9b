// TMemoryStream and TFileStream follow a model of a byte stream through one operation
// sequence (seeks anywhere in the 64-bit range for the memory stream, near the start for
// the file); the Extended and Longint helpers round trip and report short reads.
#include "fuzz_support.h"

#include <algorithm>
#include <limits>
#include <vector>

using namespace qmr;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kRoom = 1 << 16;  // the harness never lets a stream grow beyond this

struct Model {
    std::vector<std::uint8_t> Data;
    std::int64_t Pos = 0;
    std::int64_t Size() const { return static_cast<std::int64_t>(Data.size()); }
    std::int64_t Seek(std::int64_t Off, TSeekOrigin O) {
        const std::int64_t Base = O == TSeekOrigin::soBeginning ? 0 : O == TSeekOrigin::soCurrent ? Pos : Size();
        if (Off <= kMax - Base && Base + Off >= 0) Pos = Base + Off;
        return Pos;
    }
    // Count bytes written (0 when the end would pass the 64-bit range).
    std::int64_t Write(const std::uint8_t* B, std::int64_t N) {
        if (N <= 0 || N > kMax - Pos) return 0;
        if (Pos + N > Size()) Data.resize(static_cast<std::size_t>(Pos + N), 0);
        std::copy(B, B + N, Data.begin() + Pos);
        Pos += N;
        return N;
    }
    std::int64_t Read(std::uint8_t* B, std::int64_t N) {
        const std::int64_t Got = std::min(N, Size() - Pos);
        if (Got <= 0) return 0;
        std::copy(Data.begin() + Pos, Data.begin() + Pos + Got, B);
        Pos += Got;
        return Got;
    }
    // Whether a write of N bytes here would make the stream larger than the harness allows.
    bool TooLarge(std::int64_t N) const { return N <= kMax - Pos && Pos + N > kRoom; }
};

std::int64_t PickOffset(FuzzedDataProvider& In, bool Near) {
    if (Near) return In.ConsumeIntegralInRange<std::int64_t>(-kRoom, kRoom);
    switch (In.ConsumeIntegralInRange(0, 3)) {
        case 0: return In.ConsumeIntegralInRange<std::int64_t>(-kRoom, kRoom);
        case 1: return kMax - In.ConsumeIntegralInRange<std::int64_t>(0, 64);
        case 2: return std::numeric_limits<std::int64_t>::min() + In.ConsumeIntegralInRange<std::int64_t>(0, 64);
        default: return In.ConsumeIntegral<std::int64_t>();
    }
}

// Runs the operations of In on S and the model; Near keeps every seek close to the start.
void Run(const std::uint8_t* Data, std::size_t Size, TStream& S, bool Near) {
    FuzzedDataProvider In(Data, Size);
    Model M;
    std::vector<std::uint8_t> Buf, Got;
    for (int Step = 0; Step < 64 && In.remaining_bytes() > 0; ++Step) {
        const int Op = In.ConsumeIntegralInRange(0, 8);
        const auto N = In.ConsumeIntegralInRange<std::int64_t>(0, 40);
        switch (Op) {
            case 0:
            case 1: {  // Write, WriteBuffer
                if (M.TooLarge(N)) break;
                Buf = In.ConsumeBytes<std::uint8_t>(static_cast<std::size_t>(N));
                Buf.resize(static_cast<std::size_t>(N), 0);
                const std::int64_t Want = M.Write(Buf.data(), N);
                if (Op == 0) {
                    FUZZ_CHECK(S.Write(Buf.data(), N) == Want);
                } else {
                    bool Raised = false;
                    try { S.WriteBuffer(Buf.data(), N); } catch (const EWriteError&) { Raised = true; }
                    FUZZ_CHECK(Raised == (N > 0 && Want != N));
                }
                break;
            }
            case 2:
            case 3: {  // Read, ReadBuffer
                Buf.assign(static_cast<std::size_t>(N), 0);
                Got.assign(static_cast<std::size_t>(N), 0);
                const std::int64_t Want = M.Read(Buf.data(), N);
                if (Op == 2) {
                    FUZZ_CHECK(S.Read(Got.data(), N) == Want);
                } else {
                    bool Raised = false;
                    try { S.ReadBuffer(Got.data(), N); } catch (const EReadError&) { Raised = true; }
                    FUZZ_CHECK(Raised == (N > 0 && Want != N));
                }
                FUZZ_CHECK(std::equal(Buf.begin(), Buf.begin() + Want, Got.begin()));
                break;
            }
            case 4: {
                const auto O = static_cast<TSeekOrigin>(In.ConsumeIntegralInRange(0, 2));
                const std::int64_t Off = PickOffset(In, Near);
                FUZZ_CHECK(S.Seek(Off, O) == M.Seek(Off, O));
                break;
            }
            case 5: {
                const auto NewSize = In.ConsumeIntegralInRange<std::int64_t>(-8, 512);
                S.SetSize(NewSize);
                M.Data.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)), 0);
                M.Pos = std::min(M.Pos, M.Size());
                break;
            }
            case 6: {  // an Extended written and read back
                if (M.TooLarge(ExtendedStreamSize)) break;
                Extended X = 0;
                Buf = In.ConsumeBytes<std::uint8_t>(ExtendedStreamSize);
                Buf.resize(ExtendedStreamSize, 0);
                std::memcpy(&X, Buf.data(), ExtendedStreamSize);
                const bool Fits = M.Write(Buf.data(), ExtendedStreamSize) == ExtendedStreamSize;
                bool Raised = false;
                try { WriteExtendedToStream(S, X); } catch (const EWriteError&) { Raised = true; }
                FUZZ_CHECK(Raised == !Fits);
                if (!Fits) break;
                S.Seek(-ExtendedStreamSize, TSeekOrigin::soCurrent);
                bool Error = true;
                const Extended Y = ReadExtendedFromStream(S, Error);
                FUZZ_CHECK(!Error && fuzz::SameBits(X, Y, ExtendedStreamSize));
                break;
            }
            case 7: {  // an Extended or a Longint read from wherever the stream stands
                const bool Ext = In.ConsumeBool();
                const std::int64_t Width = Ext ? ExtendedStreamSize : 4;
                Buf.assign(16, 0);
                const bool Whole = M.Read(Buf.data(), Width) == Width;
                bool Error = !Whole;
                if (Ext) {
                    const Extended V = ReadExtendedFromStream(S, Error);
                    Extended W = 0;
                    if (Whole) std::memcpy(&W, Buf.data(), ExtendedStreamSize);
                    FUZZ_CHECK(Error == !Whole && fuzz::SameBits(V, W, ExtendedStreamSize));
                } else {
                    const std::int32_t V = ReadLongintFromStream(S, Error);
                    std::int32_t W = 0;
                    if (Whole) std::memcpy(&W, Buf.data(), 4);
                    FUZZ_CHECK(Error == !Whole && V == W);
                }
                break;
            }
            default: {  // a Longint written
                if (M.TooLarge(4)) break;
                const auto X = In.ConsumeIntegral<std::int32_t>();
                const bool Fits = M.Write(reinterpret_cast<const std::uint8_t*>(&X), 4) == 4;
                bool Raised = false;
                try { WriteLongintToStream(S, X); } catch (const EWriteError&) { Raised = true; }
                FUZZ_CHECK(Raised == !Fits);
                break;
            }
        }
        FUZZ_CHECK(S.Position() == M.Pos);
        FUZZ_CHECK(S.Size() == M.Size());
    }
    // Everything the model holds is what the stream holds.
    S.Seek(0, TSeekOrigin::soBeginning);
    Got.assign(M.Data.size(), 0);
    FUZZ_CHECK(S.Read(Got.data(), M.Size()) == M.Size() && Got == M.Data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    {
        TMemoryStream S;
        Run(Data, Size, S, false);
    }
    TFileStream F(fuzz::File().Write("", 0), fmOpenReadWrite);
    Run(Data, Size, F, true);
    return 0;
}
