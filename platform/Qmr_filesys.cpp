// Text-file helpers: ASC table headers and blank-delimited words.
#include "platform/Qmr_filesys.h"

#include <charconv>
#include <fstream>

namespace qmr {

namespace {

// Reads one line (without its LF or CR LF); false when F has no further character.
bool ReadLine(std::istream& F, std::string& Line) {
    if (!std::getline(F, Line)) return false;  // fails only when nothing was extracted
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    return true;
}

bool IsSpace(char C) { return C == ' ' || C == '\t'; }

// The leading integer of a count line: optional blanks, at most one sign, digits, then
// the end of the line, a blank, a TAB or the remark's ";".
bool ParseCount(const std::string& Line, std::int32_t& Value) {
    std::size_t I = 0;
    while (I < Line.size() && IsSpace(Line[I])) ++I;
    if (I < Line.size() && Line[I] == '+') {
        ++I;
        if (I < Line.size() && Line[I] == '-') return false;  // from_chars would take a second sign
    }
    const char* First = Line.data() + I;
    const char* Last = Line.data() + Line.size();
    std::int32_t V = 0;
    auto [Ptr, Ec] = std::from_chars(First, Last, V);
    if (Ec != std::errc() || Ptr == First) return false;
    if (Ptr != Last && !IsSpace(*Ptr) && *Ptr != ';') return false;
    Value = V;
    return true;
}

char Upper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

// Reads up to four flags, then allows only blanks up to the end of the line or the
// remark (a TAB or ";" and anything after it); false for any other word.
bool ParseFlags(const std::string& Line, bool* Flags[4]) {
    std::size_t I = 0;
    for (int K = 0;; ++K) {
        while (I < Line.size() && Line[I] == ' ') ++I;
        if (I >= Line.size() || Line[I] == '\t' || Line[I] == ';') return true;  // fewer flags: False
        if (K == 4) return false;                                              // a word after the flags
        std::size_t B = I;
        while (I < Line.size() && Line[I] != ' ' && Line[I] != '\t') ++I;
        std::string W = Line.substr(B, I - B);
        for (char& Ch : W) Ch = Upper(Ch);
        if (W == "TRUE") *Flags[K] = true;
        else if (W != "FALSE") return false;
    }
}

}  // namespace

int ReadHeaderOfASC(const std::string& FName, std::string& Comment, std::int32_t& NrCols, std::int32_t& NrRows,
                    bool& RowAttribs, bool& ColNames, bool& RowNames, bool& NominalVars) {
    Comment.clear();
    NrCols = 0;
    NrRows = 0;
    RowAttribs = ColNames = RowNames = NominalVars = false;
    std::ifstream F(FName, std::ios::binary);
    if (!F.is_open()) return ascErrOpen;
    std::string Line;
    if (ReadLine(F, Line)) Comment = Line;
    if (F.bad()) return ascErrOpen;  // opened but unreadable (a directory, for one)
    if (!ReadLine(F, Line) || !ParseCount(Line, NrCols)) return ascErrColumns;
    if (!ReadLine(F, Line) || !ParseCount(Line, NrRows)) return ascErrRows;
    if (!ReadLine(F, Line)) return 0;
    bool* Flags[4] = {&RowAttribs, &ColNames, &RowNames, &NominalVars};
    return ParseFlags(Line, Flags) ? 0 : ascErrFlags;
}

std::string ReadNextWordInTextFile(std::istream& F) {
    using Traits = std::istream::traits_type;
    std::string Word;
    auto IsDelim = [](Traits::int_type C) { return static_cast<unsigned char>(Traits::to_char_type(C)) <= 32; };
    Traits::int_type C = F.peek();
    while (C != Traits::eof() && IsDelim(C)) {
        F.get();
        C = F.peek();
    }
    while (C != Traits::eof() && !IsDelim(C)) {
        Word += Traits::to_char_type(F.get());
        C = F.peek();
    }
    return Word;
}

}  // namespace qmr
