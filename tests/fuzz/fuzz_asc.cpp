// ReadHeaderOfASC: any file is judged as a word-splitting model of the header judges it
// (so garbage is never reported as success), and headers written from parts read back.
#include "fuzz_support.h"

#include <optional>
#include <vector>

using namespace qmr;

namespace {

// Lines as std::getline gives them, each without one trailing CR.
std::vector<std::string> Lines(const std::string& S) {
    std::vector<std::string> L;
    for (std::size_t B = 0; B < S.size();) {
        std::size_t E = S.find('\n', B);
        if (E == std::string::npos) E = S.size();
        L.push_back(S.substr(B, E - B));
        if (!L.back().empty() && L.back().back() == '\r') L.back().pop_back();
        B = E + 1;
    }
    return L;
}

// The count of a count line: its first word (after blanks, up to a blank, TAB or ";") is a
// sign at most and decimal digits, within 32 bits.
std::optional<std::int32_t> Count(const std::string& Line) {
    const std::size_t B = Line.find_first_not_of(" \t");
    if (B == std::string::npos) return std::nullopt;
    std::string W = Line.substr(B, Line.find_first_of(" \t;", B) - B);
    bool Neg = false;
    if (!W.empty() && (W[0] == '+' || W[0] == '-')) {
        Neg = W[0] == '-';
        W.erase(0, 1);
    }
    if (W.empty() || W.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    W.erase(0, std::min(W.find_first_not_of('0'), W.size() - 1));
    if (W.size() > 10) return std::nullopt;
    const long long V = (Neg ? -1 : 1) * std::stoll(W);
    if (V < INT32_MIN || V > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(V);
}

// The flags of line 4: the text before the first TAB, split at blanks into words, up to
// the first word that begins with ";"; at most four words, each TRUE or FALSE.
std::optional<std::vector<bool>> Flags(const std::string& Line) {
    const std::string Head = Line.substr(0, Line.find('\t'));
    std::vector<bool> F;
    for (std::size_t B = Head.find_first_not_of(' '); B != std::string::npos; B = Head.find_first_not_of(' ', B)) {
        const std::size_t E = std::min(Head.find(' ', B), Head.size());
        std::string W = Head.substr(B, E - B);
        B = E;
        if (W[0] == ';') break;
        for (char& C : W) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
        if ((W != "TRUE" && W != "FALSE") || F.size() == 4) return std::nullopt;
        F.push_back(W == "TRUE");
    }
    return F;
}

struct THeader {
    int Result = 0;
    std::string Comment;
    std::int32_t Cols = 0, Rows = 0;
    bool F[4] = {false, false, false, false};
};

THeader Read(const std::string& Bytes) {
    THeader H;
    H.Result = ReadHeaderOfASC(fuzz::File().Write(Bytes), H.Comment, H.Cols, H.Rows, H.F[0], H.F[1], H.F[2], H.F[3]);
    return H;
}

void CheckAny(const std::string& Bytes) {
    const THeader H = Read(Bytes);
    const auto L = Lines(Bytes);
    FUZZ_CHECK(H.Comment == (L.empty() ? "" : L[0]));
    const auto Cols = L.size() > 1 ? Count(L[1]) : std::nullopt;
    const auto Rows = L.size() > 2 ? Count(L[2]) : std::nullopt;
    const auto F = L.size() > 3 ? Flags(L[3]) : std::optional<std::vector<bool>>(std::vector<bool>{});
    const int Want = !Cols ? ascErrColumns : !Rows ? ascErrRows : !F ? ascErrFlags : 0;
    FUZZ_CHECK(H.Result == Want);
    if (Cols) FUZZ_CHECK(H.Cols == *Cols);
    if (Cols && Rows) FUZZ_CHECK(H.Rows == *Rows);
    if (Want == 0)
        for (std::size_t K = 0; K < 4; ++K) FUZZ_CHECK(H.F[K] == (K < F->size() && (*F)[K]));
}

void CheckWritten(FuzzedDataProvider& In) {
    const std::string Eol = In.ConsumeBool() ? "\r\n" : "\n";
    std::string Comment = In.ConsumeRandomLengthString(80);
    Comment = Comment.substr(0, Comment.find('\n'));
    while (!Comment.empty() && Comment.back() == '\r') Comment.pop_back();
    const auto Cols = In.ConsumeIntegral<std::int32_t>(), Rows = In.ConsumeIntegral<std::int32_t>();
    const int NFlags = In.ConsumeIntegralInRange(0, 4);
    bool F[4] = {false, false, false, false};
    std::string FlagLine;
    for (int K = 0; K < NFlags; ++K) {
        F[K] = In.ConsumeBool();
        FlagLine += (K ? " " : "") + std::string(F[K] ? (In.ConsumeBool() ? "TRUE" : "true") : "FALSE");
    }
    const std::string Remark = In.ConsumeBool() ? "\t;remark" : "";
    const THeader H = Read(Comment + Eol + std::to_string(Cols) + Remark + Eol + std::to_string(Rows) + Remark +
                           Eol + FlagLine + Remark + Eol + "1.5" + Eol);
    FUZZ_CHECK(H.Result == 0 && H.Comment == Comment && H.Cols == Cols && H.Rows == Rows);
    for (int K = 0; K < 4; ++K) FUZZ_CHECK(H.F[K] == F[K]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size > 0 && Data[0] == 'W') {
        FuzzedDataProvider In(Data + 1, Size - 1);
        CheckWritten(In);
    } else {
        CheckAny(std::string(reinterpret_cast<const char*>(Data), Size));
    }
    return 0;
}
