// String routines: trimming, searching, tokenising, quoted-name parsing.
#include "platform/Qmr_stringl.h"

namespace qmr {

int StringIx(const std::string& S, const TStrArray& List) {
    for (std::size_t I = 0; I < List.size(); ++I)
        if (List[I] == S) return static_cast<int>(I) + 1;
    return 0;
}

std::string StripLTBlanks(const std::string& S) {
    auto IsBlank = [](char C) { return C == ' ' || C == '\t'; };
    std::size_t B = 0, E = S.size();
    while (B < E && IsBlank(S[B])) ++B;
    while (E > B && IsBlank(S[E - 1])) --E;
    return S.substr(B, E - B);
}

std::string StripTrailingChars(const std::string& S, char C) {
    std::size_t E = S.size();
    while (E > 0 && S[E - 1] == C) --E;
    return S.substr(0, E);
}

std::string ReplaceCharInString(const std::string& S, char OldChar, char NewChar) {
    std::string R = S;
    for (char& Ch : R)
        if (Ch == OldChar) Ch = NewChar;
    return R;
}

std::string RemoveControlChars(const std::string& S) {
    std::string R;
    R.reserve(S.size());
    for (char Ch : S) {
        auto U = static_cast<unsigned char>(Ch);
        if (U >= 32 && U != 127) R += Ch;
    }
    return R;
}

bool StringContains(const std::string& S, const std::string& SubStr) { return S.find(SubStr) != std::string::npos; }

int Tokenize(const std::string& S, TStrArray& Tokens) {
    Tokens.clear();
    std::size_t I = 0;
    while (I < S.size()) {
        while (I < S.size() && static_cast<unsigned char>(S[I]) <= 32) ++I;
        std::size_t B = I;
        while (I < S.size() && static_cast<unsigned char>(S[I]) > 32) ++I;
        if (I > B) Tokens.push_back(S.substr(B, I - B));
    }
    return static_cast<int>(Tokens.size());
}

bool ParseQuotedName(char C, TQuotedStrState& State, std::string& Name, char QuoteChar) {
    const bool Blank = static_cast<unsigned char>(C) <= 32;
    switch (State) {
        case TQuotedStrState::qsStart:
            if (C == QuoteChar) State = TQuotedStrState::qsInName;
            else if (!Blank) {
                Name += C;
                State = TQuotedStrState::qsInPlainName;
            }
            return false;
        case TQuotedStrState::qsInName:
            if (C == QuoteChar) State = TQuotedStrState::qsQuoteInName;
            else Name += C;
            return false;
        case TQuotedStrState::qsQuoteInName:
            if (C == QuoteChar) {
                Name += C;
                State = TQuotedStrState::qsInName;
                return false;
            }
            State = TQuotedStrState::qsDone;
            return true;
        case TQuotedStrState::qsInPlainName:
            if (!Blank) {
                Name += C;
                return false;
            }
            State = TQuotedStrState::qsDone;
            return true;
        case TQuotedStrState::qsDone:
            return true;
    }
    return false;
}

}  // namespace qmr
