// ReadNextWordInTextFile hands out exactly the tokens Tokenize finds in the same text
// (both split at the bytes 0..32), then empty words at the end.
#include "fuzz_support.h"

#include <sstream>

using namespace qmr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TStrArray Tokens;
    const int N = Tokenize(Text, Tokens);
    FUZZ_CHECK(N == static_cast<int>(Tokens.size()));
    std::istringstream F(Text);
    for (const std::string& T : Tokens) FUZZ_CHECK(ReadNextWordInTextFile(F) == T);
    FUZZ_CHECK(ReadNextWordInTextFile(F).empty());
    FUZZ_CHECK(ReadNextWordInTextFile(F).empty());
    return 0;
}
