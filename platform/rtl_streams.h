// Platform streams: TStream, TFileStream, TMemoryStream.
#pragma once

#include "platform/rtl_core.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

// A file cannot be created.
class QMR_API EFCreateError : public EStreamError { public: using EStreamError::EStreamError; };
// A file cannot be opened.
class QMR_API EFOpenError : public EStreamError { public: using EStreamError::EStreamError; };
// Fewer bytes than required could be read.
class QMR_API EReadError : public EStreamError { public: using EStreamError::EStreamError; };
// Fewer bytes than required could be written.
class QMR_API EWriteError : public EStreamError { public: using EStreamError::EStreamError; };

// Origin of a seek.
enum class TSeekOrigin : std::uint8_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// File stream modes: create (or truncate) for reading and writing, or open an
// existing file for reading, writing, or both.
inline constexpr std::uint16_t fmCreate = 0xFF00;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;

// Byte stream with a position.
class QMR_API TStream : public TObject {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    std::string ClassName() const override;

    // Reads up to Count bytes into Buffer; returns how many were read (0 at the end).
    virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
    // Writes up to Count bytes; returns how many were written.
    virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
    // Moves the position; returns the new position from the beginning.
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
    // Number of bytes in the stream.
    virtual std::int64_t Size();
    // Changes the number of bytes (new bytes are 0); the position is kept within the size.
    virtual void SetSize(std::int64_t NewSize) = 0;

    // Reads exactly Count bytes; EReadError "Stream read error" otherwise.
    void ReadBuffer(void* Buffer, std::int64_t Count);
    // Writes exactly Count bytes; EWriteError "Stream write error" otherwise.
    void WriteBuffer(const void* Buffer, std::int64_t Count);
    // Current position from the beginning.
    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
};

// Stream on a file. Mode fmCreate creates the file (an existing one is emptied);
// fmOpenRead, fmOpenWrite and fmOpenReadWrite open an existing file. Failure raises
// EFCreateError "Cannot create file "<name>"" or EFOpenError "Cannot open file "<name>"".
class QMR_API TFileStream : public TStream {
public:
    TFileStream(const std::string& FileName, std::uint16_t Mode);
    ~TFileStream() override;
    std::string ClassName() const override;

    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    const std::string& FileName() const noexcept { return FFileName; }

private:
    int FHandle = -1;
    std::string FFileName;
};

// Stream in memory; grows as it is written. Seek keeps the position when the target lies
// before the beginning or beyond the 64-bit range; a position past the end is allowed and
// a write there fills the gap with 0. A write whose end would lie beyond the largest size
// the stream can hold writes nothing and returns 0 (so WriteBuffer raises EWriteError).
class QMR_API TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    std::string ClassName() const override;

    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
    void SetSize(std::int64_t NewSize) override;
    // Empties the stream and resets the position.
    void Clear() noexcept;
    // The bytes of the stream (Size() of them).
    const std::uint8_t* Memory() const noexcept { return FData.data(); }
    std::uint8_t* Memory() noexcept { return FData.data(); }

private:
    std::vector<std::uint8_t> FData;
    std::int64_t FPos = 0;
};

}  // namespace qmr
