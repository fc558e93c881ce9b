// libFuzzer harness: the matrix XML tag interpreter of TIntMatrix, dense and sparse.
// Property: both forms agree with the plain model of intmatrix_xml_model.h (sizes
// bounded there, not in the library), and a sparse matrix read from the text, converted
// to the dense form, holds what the dense one read from the same counts.
#include "intmatrix_xml_model.h"

#include <cstdint>
#include <string>

namespace {

void Check(bool Ok) {
    if (!Ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace qmr;
    const std::string Xml(reinterpret_cast<const char*>(Data), Size);
    TIntMatrix Dense(nullptr);
    TIntMatrix Sparse(nullptr, 3);
    const test::TIntXmlModel MD = test::FeedInt(Dense, Xml);
    const test::TIntXmlModel MS = test::FeedInt(Sparse, Xml);
    Check(test::AgreesInt(Dense, MD));
    Check(test::AgreesInt(Sparse, MS));
    Sparse.SparseToArray();
    for (std::int32_t C = 1; C <= Sparse.NrOfColumns(); ++C)
        for (std::int32_t R = 1; R <= Sparse.NrOfRows(); ++R) {
            auto It = MS.Cells.find({C, R});
            Check(Sparse.Elem(C, R) == (It == MS.Cells.end() ? 0 : It->second));
        }
    return 0;
}
