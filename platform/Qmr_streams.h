// Typed values on streams, TMixedFStream and the tag readers of XML-like text.
#pragma once

#include "platform/Qmr_qmrbase.h"
#include "platform/rtl_streams.h"

#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>

namespace qmr {

// ---------------------------------------------------------------- typed values on streams
//
// Byte images (little-endian): an Extended takes 10 bytes (x87 format) in the wide build
// and 8 bytes (IEEE double) in the standard build; a Longint takes 4 bytes.
// Writers raise EWriteError when the stream takes fewer bytes. Readers always set Error:
// False after a good read; True when the stream ends before the value, which then reads 0.

// Number of bytes an Extended occupies on a stream.
inline constexpr int ExtendedStreamSize = QMR_EXTENDED_80 ? 10 : 8;

QMR_API void WriteExtendedToStream(TStream& S, Extended X);
QMR_API Extended ReadExtendedFromStream(TStream& S, bool& Error);
QMR_API void WriteLongintToStream(TStream& S, std::int32_t X);
QMR_API std::int32_t ReadLongintFromStream(TStream& S, bool& Error);

// ---------------------------------------------------------------- TMixedFStream

// File of mixed binary items, read back in the order they were written.
// Items (little-endian): integer 4 bytes (two's complement), double 8 bytes (IEEE),
// byte 1 byte, line 4-byte length n followed by the n bytes of the text.
// Mode fmCreate (0xFF00) creates the file, fmOpenRead (0) reads it; opening failures
// raise as TFileStream does. Readers always set Error: False after a good read; True when
// the file ends before the item or a line's length does not fit in the rest of the file;
// a failed read returns 0 (or an empty line) and leaves the stream at its end.
class QMR_API TMixedFStream : public TFileStream {
public:
    TMixedFStream(const std::string& FileName, std::uint16_t Mode);
    std::string ClassName() const override;

    void WriteInteger(std::int32_t Value);
    void WriteDouble(double Value);
    void WriteByte(std::uint8_t Value);
    // Writes Line as one line item; ReadLn returns it unchanged, whatever its bytes.
    void WriteLn(const std::string& Line);

    std::int32_t ReadInteger(bool& Error);
    double ReadDouble(bool& Error);
    std::uint8_t ReadByte(bool& Error);
    std::string ReadLn(bool& Error);

private:
    // Reads Count bytes into Buffer; on a shortfall zeroes Buffer, moves to the end and returns false.
    bool ReadExact(void* Buffer, std::int64_t Count);
};

// ---------------------------------------------------------------- tag readers
//
// Both readers hand out the tags of XML-like text one at a time, in text order, and look
// each name up in Tags, ignoring case. The result is the index of the name in Tags, the
// last index of Tags for a name that is not in the list, and -1 when the input holds no
// further tag (or Tags is empty).
// Attr receives the text between the name and the closing ">" without surrounding blanks
// (and without the "/" of an empty-element tag "<name/>"); quoted attribute values may
// hold ">" characters. Content receives everything between the opening tag and its
// matching closing tag (nested elements of the same name are counted); it is empty for
// "<name/>" and runs to the end of the input when the matching closing tag is missing.
// An element whose content is plain text is consumed with its closing tag. An element
// whose content holds further tags is not: its inner tags are handed out next, and its
// closing tag after them. A closing tag "</name>" reached this way is reported as the
// entry "/name" when Tags lists that text (Attr and Content empty) and passed over
// otherwise. So a caller may either take an element's Content as a whole (and read it
// with ReadNextTagInString from position 1) or go on tag by tag until an end tag.
// Declarations "<?...?>", comments "<!--...-->" and other "<!...>" markup are passed
// over, as is text between tags. Any bytes are accepted; input that ends inside a tag
// ends the search with -1. A call takes time in proportion to the bytes it passes over and
// the Content it returns (one pass to the element's end, one copy of the content).

// Reads the next tag from the text stream F. A stream that cannot seek back (tellg fails)
// has every element consumed with its content, inner tags included.
QMR_API int ReadNextTagInTextFile(std::istream& F, std::span<const std::string_view> Tags, std::string& Attr,
                                  std::string& Content);
// Reads the next tag of Text from the 1-based position Pos on; Pos is left on the first
// character after what was consumed (Length + 1 at the end of the text).
QMR_API int ReadNextTagInString(const std::string& Text, int& Pos, std::span<const std::string_view> Tags,
                                std::string& Attr, std::string& Content);

}  // namespace qmr
