// Platform streams: TStream, TFileStream, TMemoryStream.
#include "platform/rtl_streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmr {

// ---------------------------------------------------------------- TStream

std::string TStream::ClassName() const { return "TStream"; }

std::int64_t TStream::Size() {
    std::int64_t Pos = Seek(0, TSeekOrigin::soCurrent);
    std::int64_t End = Seek(0, TSeekOrigin::soEnd);
    Seek(Pos, TSeekOrigin::soBeginning);
    return End;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
    if (Count <= 0) return;
    if (Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
    if (Count <= 0) return;
    if (Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::string& FileName, std::uint16_t Mode) : FFileName(FileName) {
    if ((Mode & fmCreate) == fmCreate) {
        FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0) throw EFCreateError("Cannot create file \"" + FileName + "\"");
        return;
    }
    int Flags = O_RDONLY;
    switch (Mode & 0x3) {
        case fmOpenWrite: Flags = O_WRONLY; break;
        case fmOpenReadWrite: Flags = O_RDWR; break;
        default: break;
    }
    FHandle = ::open(FileName.c_str(), Flags | O_CLOEXEC);
    if (FHandle >= 0) {
        struct stat St {};
        if (::fstat(FHandle, &St) == 0 && S_ISDIR(St.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
        }
    }
    if (FHandle < 0) throw EFOpenError("Cannot open file \"" + FileName + "\"");
}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

std::string TFileStream::ClassName() const { return "TFileStream"; }

namespace {
// Calls Step(Done, Left) (one read or write of up to Left bytes after the Done already
// moved) until Count bytes are moved or a call moves nothing; an interrupted call is
// repeated. Returns the bytes moved.
template <class StepFn> std::int64_t Transfer(std::int64_t Count, StepFn Step) {
    std::int64_t Done = 0;
    while (Done < Count) {
        ssize_t R = Step(Done, static_cast<std::size_t>(Count - Done));
        if (R < 0 && errno == EINTR) continue;
        if (R <= 0) break;
        Done += R;
    }
    return Done;
}
}  // namespace

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
    auto* P = static_cast<char*>(Buffer);
    return Transfer(Count, [&](std::int64_t Done, std::size_t Left) { return ::read(FHandle, P + Done, Left); });
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
    const auto* P = static_cast<const char*>(Buffer);
    return Transfer(Count, [&](std::int64_t Done, std::size_t Left) { return ::write(FHandle, P + Done, Left); });
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    int Whence = Origin == TSeekOrigin::soCurrent ? SEEK_CUR : Origin == TSeekOrigin::soEnd ? SEEK_END : SEEK_SET;
    off_t R = ::lseek(FHandle, static_cast<off_t>(Offset), Whence);
    if (R < 0) return ::lseek(FHandle, 0, SEEK_CUR);
    return R;
}

void TFileStream::SetSize(std::int64_t NewSize) {
    if (NewSize < 0) NewSize = 0;
    std::int64_t Pos = Position();
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) throw EWriteError("Stream write error");
    if (Pos > NewSize) Seek(NewSize, TSeekOrigin::soBeginning);
}

// ---------------------------------------------------------------- TMemoryStream

std::string TMemoryStream::ClassName() const { return "TMemoryStream"; }

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
    std::int64_t Avail = Size() - FPos;
    std::int64_t N = std::min(Count, Avail);
    if (N <= 0) return 0;
    std::memcpy(Buffer, FData.data() + FPos, static_cast<std::size_t>(N));
    FPos += N;
    return N;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
    // A write whose end lies beyond the largest size the stream can hold (or beyond the
    // 64-bit range) is refused whole: nothing written, the stream unchanged.
    const auto MaxSize = static_cast<std::int64_t>(
        std::min<std::uint64_t>(FData.max_size(), std::numeric_limits<std::int64_t>::max()));
    if (Count <= 0 || Count > MaxSize - FPos) return 0;
    const std::int64_t End = FPos + Count;
    if (End > Size()) FData.resize(static_cast<std::size_t>(End), 0);
    std::memcpy(FData.data() + FPos, Buffer, static_cast<std::size_t>(Count));
    FPos = End;
    return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    const std::int64_t Base = Origin == TSeekOrigin::soCurrent ? FPos : Origin == TSeekOrigin::soEnd ? Size() : 0;
    // A target before the beginning, or beyond the 64-bit range, keeps the position
    // (Base >= 0, so only a positive Offset can overflow the sum).
    if (Offset <= std::numeric_limits<std::int64_t>::max() - Base && Base + Offset >= 0) FPos = Base + Offset;
    return FPos;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
    if (NewSize < 0) NewSize = 0;
    FData.resize(static_cast<std::size_t>(NewSize), 0);
    if (FPos > NewSize) FPos = NewSize;
}

void TMemoryStream::Clear() noexcept {
    FData.clear();
    FData.shrink_to_fit();
    FPos = 0;
}

}  // namespace qmr
