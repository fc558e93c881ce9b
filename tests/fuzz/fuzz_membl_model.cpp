// libFuzzer harness for the learner's model files. The input is read as a binary model
// and as an XML model. Properties: a refused binary file leaves the learner exactly as it
// was; an accepted file of either form, stored again and read back, gives the same model.
#include <qmrnumkit/qmrnumkit.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

std::string Snapshot(const qmr::TMemBasedLearner& L) {
    std::ostringstream S;
    S << L.Comment() << '|' << L.ModelName() << '|' << L.NumNearestNb() << '|' << int(L.DistMode()) << '|'
      << int(L.ScalingMode()) << '|' << int(L.LocalModel()) << '\n';
    L.ModelData().WriteToXML(S, "fuzz");
    return S.str();
}

void Check(bool Cond, const char* What) {
    if (!Cond) {
        std::fprintf(stderr, "fuzz property failed: %s\n", What);
        std::abort();
    }
}

std::string TempName(const char* Tag) {
    return "/tmp/fuzz_membl_" + std::to_string(::getpid()) + "_" + Tag;
}

std::string FileBytes(const std::string& Name) {
    std::ifstream F(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(F), {});
}

void WriteFile(const std::string& Name, const std::uint8_t* Data, std::size_t Size) {
    std::ofstream(Name, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(Data),
                                                                   static_cast<std::streamsize>(Size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string In = TempName("in"), Out = TempName("out");
    WriteFile(In, Data, Size);

    qmr::TMemBasedLearner L(nullptr);
    L.ModelData().Resize(2, 3);
    L.ModelData().SetElem(2, 3, -0.5);
    L.SetComment("seed");
    const std::string Before = Snapshot(L);
    std::string Id = "unchanged";
    const int R = L.LoadModelBin(In, Id);
    Check(R == 0 || R == -1 || R == -2, "binary result is 0, -1 or -2");
    if (R != 0) {
        Check(Snapshot(L) == Before && Id == "unchanged", "a refused binary file changes nothing");
    } else {
        // Storing normalises (outer blanks of names, rounded nominal values) once.
        L.StoreModelBin(Out, Id);
        const std::string First = FileBytes(Out);
        qmr::TMemBasedLearner Again(nullptr);
        std::string Id2;
        Check(Again.LoadModelBin(Out, Id2) == 0 && Id2 == Id, "a stored binary model loads");
        Again.StoreModelBin(Out, Id2);
        Check(FileBytes(Out) == First, "a binary model reads back unchanged");
    }

    qmr::TMemBasedLearner X(nullptr);
    int RX = -1;
    try {
        RX = X.LoadModelXML(In, Id);
    } catch (const qmr::EConvertError&) {
        RX = -1;
    }
    Check(RX == 0 || RX == -1, "XML result is 0 or -1");
    if (RX == 0) {
        X.StoreModelXML(Out, "id");
        qmr::TMemBasedLearner Again(nullptr);
        std::string Id2;
        Check(Again.LoadModelXML(Out, Id2) == 0 && Id2 == "id", "a stored XML model loads");
        Check(Snapshot(Again) == Snapshot(X), "an XML model reads back unchanged");
    }
    std::remove(In.c_str());
    std::remove(Out.c_str());
    return 0;
}
