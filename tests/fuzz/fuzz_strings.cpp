// String routines: each result has the shape its contract gives (tokens without blanks
// that make up the text, trimmed texts that are the middle of the input, quoted names
// that come back unchanged from their quoted form, searches that agree with std::string).
#include "fuzz_support.h"

#include <algorithm>

using namespace qmr;

namespace {

bool Blank(char C) { return static_cast<unsigned char>(C) <= 32; }

void CheckTokenize(const std::string& S) {
    TStrArray Tokens;
    const int N = Tokenize(S, Tokens);
    FUZZ_CHECK(N == static_cast<int>(Tokens.size()));
    std::string Joined, Stripped;
    for (const auto& T : Tokens) {
        FUZZ_CHECK(!T.empty() && std::none_of(T.begin(), T.end(), Blank));
        Joined += T;
    }
    std::copy_if(S.begin(), S.end(), std::back_inserter(Stripped), [](char C) { return !Blank(C); });
    FUZZ_CHECK(Joined == Stripped);
    int Runs = 0;  // a token starts wherever a non-blank follows a blank or the start
    for (std::size_t I = 0; I < S.size(); ++I) Runs += !Blank(S[I]) && (I == 0 || Blank(S[I - 1]));
    FUZZ_CHECK(N == Runs);
}

void CheckTrims(const std::string& S, char C) {
    auto SpaceOrTab = [](char X) { return X == ' ' || X == '\t'; };
    const std::string T = StripLTBlanks(S);
    const std::size_t At = T.empty() ? 0 : S.find(T);
    FUZZ_CHECK(T.empty() || (!SpaceOrTab(T.front()) && !SpaceOrTab(T.back()) && At != std::string::npos));
    if (!T.empty()) {
        FUZZ_CHECK(std::all_of(S.begin(), S.begin() + static_cast<long>(At), SpaceOrTab));
        FUZZ_CHECK(std::all_of(S.begin() + static_cast<long>(At + T.size()), S.end(), SpaceOrTab));
    } else {
        FUZZ_CHECK(std::all_of(S.begin(), S.end(), SpaceOrTab));
    }
    const std::string P = StripTrailingChars(S, C);
    FUZZ_CHECK(S.compare(0, P.size(), P) == 0 && (P.empty() || P.back() != C));
    FUZZ_CHECK(std::all_of(S.begin() + static_cast<long>(P.size()), S.end(), [C](char X) { return X == C; }));
}

void CheckCharEdits(const std::string& S, char Old, char New) {
    const std::string R = ReplaceCharInString(S, Old, New);
    FUZZ_CHECK(R.size() == S.size());
    for (std::size_t I = 0; I < S.size(); ++I) FUZZ_CHECK(R[I] == (S[I] == Old ? New : S[I]));
    std::string Kept;
    for (char X : S)
        if (static_cast<unsigned char>(X) >= 32 && X != 127) Kept += X;
    FUZZ_CHECK(RemoveControlChars(S) == Kept);
}

void CheckSearch(const std::string& S, const std::string& Sub, const TStrArray& List) {
    FUZZ_CHECK(StringContains(S, Sub) == (S.find(Sub) != std::string::npos));
    const auto It = std::find(List.begin(), List.end(), S);
    FUZZ_CHECK(StringIx(S, List) == (It == List.end() ? 0 : static_cast<int>(It - List.begin()) + 1));
}

// Feeds Text to ParseQuotedName; the name and the number of characters fed when it completed.
std::pair<std::string, std::size_t> Parse(const std::string& Text, char Quote) {
    TQuotedStrState State = TQuotedStrState::qsStart;
    std::string Name;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (ParseQuotedName(Text[I], State, Name, Quote)) {
            FUZZ_CHECK(State == TQuotedStrState::qsDone);
            const std::string Done = Name;  // a completed name no longer changes
            FUZZ_CHECK(ParseQuotedName('x', State, Name, Quote) && Name == Done);
            return {Name, I + 1};
        }
    }
    return {Name, 0};
}

void CheckQuotedName(const std::string& Name, char Quote, std::size_t Lead, char After) {
    if (After == Quote) After = static_cast<char>(Quote + 1);
    // Quoted: blanks, the quote, the name with every quote doubled, the quote, one more character.
    std::string Text(Lead, Quote == ' ' ? '\t' : ' ');
    Text += Quote;
    for (char X : Name) Text += X == Quote ? std::string(2, X) : std::string(1, X);
    Text += Quote;
    Text += After;
    const auto [Got, Used] = Parse(Text, Quote);
    FUZZ_CHECK(Got == Name && Used == Text.size());
    // Plain: a word that does not start with the quote ends at the first blank.
    const auto Word = std::find_if(Name.begin(), Name.end(), Blank);
    const std::string Plain(Name.begin(), Word);
    if (!Plain.empty() && Plain[0] != Quote) {
        const auto [P, N] = Parse(Plain + ' ', Quote);
        FUZZ_CHECK(P == Plain && N == Plain.size() + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider In(Data, Size);
    const char C1 = In.ConsumeIntegral<char>(), C2 = In.ConsumeIntegral<char>();
    const auto Lead = In.ConsumeIntegralInRange<std::size_t>(0, 3);
    const std::string Sub = In.ConsumeRandomLengthString(8);
    TStrArray List;
    for (int K = In.ConsumeIntegralInRange(0, 4); K > 0; --K) List.push_back(In.ConsumeRandomLengthString(6));
    const std::string S = In.ConsumeRemainingBytesAsString();
    if (!List.empty() && C1 % 2) List.push_back(S);
    CheckTokenize(S);
    CheckTrims(S, C1);
    CheckCharEdits(S, C1, C2);
    CheckSearch(S, Sub, List);
    CheckQuotedName(S, C1, Lead, C2);
    return 0;
}
