// libFuzzer harness for the vector readers: the input is handed to every reader as an
// ASC table, a text list and a binary stream of both vector classes.
// Properties checked:
// - TIntVector.LoadFromStream agrees with a simple model of the stream form (indices,
//   the refusals before a resize, values until the data ends, the result);
// - an ASC table TIntVector.ImportASC accepts exports and imports back to the same elements;
// - no reader leaves a vector larger than its input can back (the ASC and text forms) or
//   than the model allows (the stream form).
#include <qmrnumkit/qmrnumkit.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Check(bool Ok, const char* What) {
    if (!Ok) {
        std::fprintf(stderr, "property violated: %s\n", What);
        std::abort();
    }
}

std::vector<std::int32_t> Elems(const qmr::TIntVector& V) {
    std::vector<std::int32_t> X;
    for (std::int32_t I = 1; I <= V.NrOfElem(); ++I) X.push_back(V.Elem(I));
    return X;
}

// The stream form of TIntVector read into a vector holding Start, by the rules alone.
bool ModelIntStream(const std::uint8_t* Data, std::size_t Size, bool Adjust, std::vector<std::int32_t>& Vec) {
    auto Item = [&](std::size_t K) {
        std::int32_t X;
        std::memcpy(&X, Data + 4 * K, 4);
        return X;
    };
    if (Size < 8) return false;
    const std::int32_t Low = Item(0), High = Item(1);
    const std::int64_t Count = std::int64_t{High} - Low + 1;
    const std::int64_t Avail = static_cast<std::int64_t>((Size - 8) / 4);
    if (Adjust) {
        if (Count > 0 && Avail < Count) return false;
        const std::int64_t Grow = std::int64_t{High} - static_cast<std::int64_t>(Vec.size());
        if (Grow > std::max<std::int64_t>(Count, 0) + (1 << 20)) return false;
        if (High > 0) Vec.resize(static_cast<std::size_t>(High), 0);
    }
    if (static_cast<std::int64_t>(Vec.size()) < High) return false;
    if (Count <= 0) return true;
    for (std::int64_t K = 0; K < Count && K < Avail; ++K) {
        const std::int64_t Pos = Low + K;
        if (Pos >= 1 && Pos <= static_cast<std::int64_t>(Vec.size()))
            Vec[static_cast<std::size_t>(Pos - 1)] = Item(static_cast<std::size_t>(2 + K));
    }
    return Avail >= Count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    static const std::string Path = "/tmp/qmr_fuzz_vector_files_" + std::to_string(::getpid());
    static const std::string Path2 = Path + ".out";
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    const auto Backed = static_cast<std::int32_t>(Size / 2 + 2);

    // ASC tables: bounded sizes, and whatever the integer twin accepts it writes back.
    qmr::TVector V(nullptr);
    qmr::TIntVector I(nullptr);
    std::string Comment;
    const int RV = V.ImportASC(Path, Comment);
    Check(RV == 0 || RV == 250 || RV == 251 || (RV >= -7 && RV <= -1), "ImportASC code");
    Check(V.NrOfElem() <= Backed, "ImportASC size");
    if (I.ImportASC(Path, Comment) == 0) {
        Check(I.NrOfElem() <= Backed, "ImportASC size");
        qmr::TIntVector Back(nullptr);
        Check(I.ExportAsASC(Path2, Comment) == 0, "ExportAsASC");
        Check(Back.ImportASC(Path2, Comment) == 0 && Elems(Back) == Elems(I), "ASC round trip");
    }

    // Text lists: a resize adds at most the values the bytes can hold plus 2^20.
    for (bool Auto : {false, true}) {
        qmr::TVector L(nullptr);
        L.LoadFromFile(Path, true, Auto);
        Check(L.NrOfElem() <= Backed + (1 << 20) + 1, "LoadFromFile size");
    }
    qmr::TIntVector IL(nullptr);
    IL.LoadFromFile(Path, true);
    Check(IL.NrOfElem() <= Backed + (1 << 20) + 1, "LoadFromFile size");

    // Binary streams.
    qmr::TMemoryStream S;
    S.WriteBuffer(Data, static_cast<std::int64_t>(Size));
    for (bool Adjust : {false, true}) {
        qmr::TIntVector IS(nullptr);
        IS.Resize(3);
        for (std::int32_t K = 1; K <= 3; ++K) IS.SetElem(K, -K);
        std::vector<std::int32_t> Model = Elems(IS);
        const bool Want = ModelIntStream(Data, Size, Adjust, Model);
        S.SetPosition(0);
        Check(IS.LoadFromStream(&S, Adjust) == Want, "TIntVector stream result");
        Check(Elems(IS) == Model, "TIntVector stream elements");
        qmr::TVector VS(nullptr);
        S.SetPosition(0);
        VS.LoadFromStream(&S, Adjust);
        Check(VS.NrOfElem() <= static_cast<std::int64_t>(Size) / qmr::ExtendedStreamSize + (1 << 20) + 1,
              "TVector stream size");
    }
    return 0;
}
