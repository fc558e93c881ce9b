// libFuzzer harness for the data table's XML reader. Property: a document the reader
// accepts gives a table whose own XML form reads back to the same form; a refused one
// leaves the table exactly as it was.
#include <qmrnumkit/qmrnumkit.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

std::string Xml(const qmr::TDataTable& T) {
    std::ostringstream S;
    T.WriteToXML(S, "fuzz");
    return S.str();
}

void Check(bool Cond, const char* What) {
    if (!Cond) {
        std::fprintf(stderr, "fuzz property failed: %s\n", What);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string Input(reinterpret_cast<const char*>(Data), Size);
    qmr::TDataTable T(nullptr);
    T.Resize(2, 3);
    T.AddNominalID(1, "seed");
    T.SetElem(2, 3, -0.5);
    T.SetCellState(2, 1, 0x42);
    const std::string Before = Xml(T);
    if (T.ReadFromXML(Input)) {
        const std::string Mine = Xml(T);
        qmr::TDataTable Again(nullptr);
        Check(Again.ReadFromXML(Mine), "the table's own form is read");
        Check(Xml(Again) == Mine, "the table's own form reads back unchanged");
    } else {
        Check(Xml(T) == Before, "a refused document leaves the table unchanged");
    }
    return 0;
}
