// Helpers shared by the libFuzzer harnesses (fuzz_<target>.cpp).
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

// A property of the harness failed: report it and abort, so that libFuzzer keeps the input.
#define FUZZ_CHECK(Cond)                                                                       \
    do {                                                                                       \
        if (!(Cond)) {                                                                         \
            std::fprintf(stderr, "fuzz property failed: %s (%s:%d)\n", #Cond, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace qmr::fuzz {

// A file in memory (memfd) reachable by path, for the readers that take a file name.
// Write replaces its bytes; the path stays valid for the whole run.
class MemFile {
public:
    MemFile() : FFd(::memfd_create("qmr_fuzz", 0)), FPath("/proc/self/fd/" + std::to_string(FFd)) {
        if (FFd < 0) std::abort();
    }
    ~MemFile() { ::close(FFd); }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;

    const std::string& Write(const void* Data, std::size_t Size) {
        if (::ftruncate(FFd, 0) != 0) std::abort();
        const auto* P = static_cast<const char*>(Data);
        for (std::size_t Done = 0; Done < Size;) {
            const ssize_t N = ::pwrite(FFd, P + Done, Size - Done, static_cast<off_t>(Done));
            if (N <= 0) std::abort();
            Done += static_cast<std::size_t>(N);
        }
        return FPath;
    }
    const std::string& Write(const std::string& S) { return Write(S.data(), S.size()); }
    const std::string& Path() const { return FPath; }

private:
    int FFd;
    std::string FPath;
};

// One MemFile per harness process.
inline MemFile& File() {
    static MemFile F;
    return F;
}

// True when the two values have the same bytes (NaNs and signed zeros included).
template <class T> bool SameBits(const T& A, const T& B, std::size_t Bytes = sizeof(T)) {
    return std::memcmp(&A, &B, Bytes) == 0;
}

}  // namespace qmr::fuzz
