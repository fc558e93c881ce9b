// Tag readers: the string form and the stream form hand out the same tags with the same
// attributes and contents, the string position only moves forward, and a stream that
// cannot seek back gives the same first tag.
#include "fuzz_support.h"

#include <array>
#include <sstream>
#include <streambuf>

using namespace qmr;

namespace {

// A stream buffer over a string that refuses to seek, as a pipe would.
class TNoSeekBuf : public std::streambuf {
public:
    explicit TNoSeekBuf(std::string& S) { setg(S.data(), S.data(), S.data() + S.size()); }
};

bool IsBlank(char C) { return C == ' ' || (C >= '\t' && C <= '\r'); }

constexpr std::array<std::string_view, 5> kSet0 = {"matrix", "/matrix", "elem", "A", "other"};
constexpr std::array<std::string_view, 2> kSet1 = {"a", "b"};
constexpr std::array<std::string_view, 3> kSet2 = {"/a", "x", "?"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0) return 0;
    std::span<const std::string_view> Tags;
    switch (Data[0] % 4) {
        case 0: Tags = kSet0; break;
        case 1: Tags = kSet1; break;
        case 2: Tags = kSet2; break;
        default: break;  // no tags at all
    }
    std::string Text(reinterpret_cast<const char*>(Data) + 1, Size - 1);
    const int Count = static_cast<int>(Tags.size());

    std::istringstream Stream(Text);
    int Pos = 1;
    // Deep nesting hands out each element's content in full, so a walk costs the sum of the
    // contents; the walk stops once they reach a few times the input.
    std::size_t Budget = 8 * Text.size() + 1024;
    for (int Calls = 0;; ++Calls) {
        FUZZ_CHECK(Calls <= static_cast<int>(Text.size()));  // every tag takes at least one byte
        std::string A1, C1, A2, C2;
        const int Before = Pos;
        const int R1 = ReadNextTagInString(Text, Pos, Tags, A1, C1);
        const int R2 = ReadNextTagInTextFile(Stream, Tags, A2, C2);
        FUZZ_CHECK(R1 == R2 && A1 == A2 && C1 == C2);
        FUZZ_CHECK(R1 >= -1 && R1 < Count);
        if (R1 < 0) break;
        FUZZ_CHECK(Pos > Before && Pos <= static_cast<int>(Text.size()) + 1);
        FUZZ_CHECK(A1.empty() || (!IsBlank(A1.front()) && !IsBlank(A1.back())));
        FUZZ_CHECK(C1.size() <= Text.size() - static_cast<std::size_t>(Before - 1));
        if (C1.size() >= Budget) break;
        Budget -= C1.size();
    }

    std::string Copy = Text;
    TNoSeekBuf Buf(Copy);
    std::istream NoSeek(&Buf);
    std::string A1, C1, A2, C2;
    int P = 1;
    FUZZ_CHECK(ReadNextTagInString(Text, P, Tags, A1, C1) == ReadNextTagInTextFile(NoSeek, Tags, A2, C2));
    FUZZ_CHECK(A1 == A2 && C1 == C2);
    return 0;
}
