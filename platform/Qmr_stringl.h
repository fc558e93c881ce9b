// String routines: trimming, searching, tokenising, quoted-name parsing.
#pragma once

#include "platform/Qmr_qmrbase.h"
#include "platform/rtl_text.h"  // strff belongs with the string routines

#include <string>

namespace qmr {

// 1-based index of the first entry of List equal to S (case matters); 0 when absent.
QMR_API int StringIx(const std::string& S, const TStrArray& List);
// S without leading and trailing blanks (spaces and tabs).
QMR_API std::string StripLTBlanks(const std::string& S);
// S without the characters C at its end.
QMR_API std::string StripTrailingChars(const std::string& S, char C);
// S with every character OldChar replaced by NewChar.
QMR_API std::string ReplaceCharInString(const std::string& S, char OldChar, char NewChar);
// S without control characters (codes 0..31 and 127).
QMR_API std::string RemoveControlChars(const std::string& S);
// True when S contains SubStr (case matters); an empty SubStr is always contained.
QMR_API bool StringContains(const std::string& S, const std::string& SubStr);
// Splits S at blanks (any character of code 0..32) into Tokens, dropping empty pieces;
// returns the number of tokens.
QMR_API int Tokenize(const std::string& S, TStrArray& Tokens);

// Parses a name one character at a time. Start with State = qsStart and an empty Name.
// Blanks (codes 0..32) before the name are skipped. A name that begins with QuoteChar
// runs to the closing QuoteChar, every character in between appended to Name and a
// doubled QuoteChar standing for one; the character after the closing quote completes
// it. A name that begins with any other character is a plain word (as the curve fitter's
// ASC files write their column names): its characters are appended up to the next blank,
// which completes it. On completion the result is True and State qsDone (further calls
// change nothing and return True); until then the result is False. A caller whose input
// ends while State is qsQuoteInName or qsInPlainName holds a complete name.
QMR_API bool ParseQuotedName(char C, TQuotedStrState& State, std::string& Name, char QuoteChar = '"');

}  // namespace qmr
