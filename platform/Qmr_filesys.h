// Text-file helpers: ASC table headers and blank-delimited words.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <istream>
#include <string>

namespace qmr {

// Results of ReadHeaderOfASC other than 0 (success).
inline constexpr int ascErrOpen = -1;      // the file cannot be opened or read
inline constexpr int ascErrColumns = -2;   // line 2 is missing or does not start with an integer
inline constexpr int ascErrRows = -3;      // line 3 is missing or does not start with an integer
inline constexpr int ascErrFlags = -4;     // a flag on line 4 is neither TRUE nor FALSE

// Reads the four-line header of an ASC table file: line 1 the comment, line 2 the number
// of columns, line 3 the number of rows (each an integer with at most one sign, then
// optionally a TAB or blank and a remark), line 4 up to four flags TRUE or FALSE separated
// by blanks (any case), in the order row attributes, column names, row names, nominal
// variables, then only blanks up to the end of the line or a TAB and a remark. Lines end with LF or CR LF. A missing fourth line or a missing flag
// reads False. Every output is first cleared (empty, 0, False) and then set as far as the
// header could be read: a failing row count still returns the column count read before it.
QMR_API int ReadHeaderOfASC(const std::string& FName, std::string& Comment, std::int32_t& NrCols,
                            std::int32_t& NrRows, bool& RowAttribs, bool& ColNames, bool& RowNames,
                            bool& NominalVars);

// Reads the next word of F: skips characters of code 0..32 (blanks, tabs, line breaks and
// other control characters) and returns the following run of other characters, leaving F
// on the character that ended it. Returns an empty string at the end of F.
QMR_API std::string ReadNextWordInTextFile(std::istream& F);

}  // namespace qmr
