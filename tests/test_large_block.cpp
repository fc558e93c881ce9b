// detail::TLargeBlock: zeroed storage on both allocation routes (calloc below 4 MiB, the
// mapped huge-page route from 4 MiB on Linux), deep copies, moves, refusal of what cannot be
// had, and the address space given back; TMat4D's assignment over it when memory runs out.
#include "containers/QMR_large_block.h"
#include "containers/QMR_matrix.h"
#include "qmr_alloc_failures.h"
#include "qmr_test_support.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <new>
#include <numeric>
#include <string>
#include <tuple>

namespace {

using qmr::detail::TLargeBlock;

constexpr std::size_t MiB = std::size_t{1} << 20;
constexpr std::size_t Big = 4 * MiB / sizeof(double);  // elements of the smallest mapped block

// A line of /proc/self/status or /proc/self/smaps; empty where there is none.
std::string ProcLine(const char* File, const std::string& Key, std::uintptr_t Within = 0) {
    std::ifstream F(File);
    bool Inside = Within == 0;
    for (std::string L; std::getline(F, L);) {
        const std::size_t Dash = L.find('-');  // a mapping's header: "lo-hi perms ..."
        if (Within != 0 && Dash != std::string::npos && Dash < L.find(' ') && (L[0] < 'A' || L[0] > 'Z')) {
            const std::uintptr_t Lo = std::stoull(L, nullptr, 16), Hi = std::stoull(L.substr(L.find('-') + 1), nullptr, 16);
            Inside = Lo <= Within && Within < Hi;
        }
        if (Inside && L.rfind(Key, 0) == 0) return L;
    }
    return {};
}

TEST(LargeBlock, ZeroedOnBothRoutesLargeOnesHugePageAligned) {
    for (const std::size_t N : {std::size_t{1}, std::size_t{3}, std::size_t{4096}, Big - 1, Big, Big + 1, Big + Big / 4 + 3}) {
        for (int Round = 0; Round < 2; ++Round) {  // the second round may get the first one's memory back
            TLargeBlock<double> B(N);
            ASSERT_EQ(std::pair(B.size(), B.empty()), std::pair(N, false));
            ASSERT_TRUE(std::all_of(B.begin(), B.end(), [](double X) { return X == 0; })) << N;
            std::fill(B.begin(), B.end(), 1.5);  // every page writable, and dirty for the next round
#if defined(__linux__)
            if (N >= Big) {
                const auto At = reinterpret_cast<std::uintptr_t>(B.data());
                EXPECT_EQ(At % (2 * MiB), 0u) << N;
                // Advised for huge pages where the kernel has them.
                if (std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled").good()) {
                    EXPECT_NE(ProcLine("/proc/self/smaps", "VmFlags:", At).find(" hg"), std::string::npos) << N;
                }
            }
#endif
        }
    }
    const TLargeBlock<double> None(0), Default;
    EXPECT_EQ(std::tuple(None.empty(), None.data(), Default.size(), Default.data()),
              std::tuple(true, nullptr, std::size_t{0}, nullptr));
}

TEST(LargeBlock, CopiesAreDeepMovesTakeOver) {
    for (const std::size_t N : {std::size_t{1}, std::size_t{5}, Big + 7}) {
        TLargeBlock<double> A(N);
        std::iota(A.begin(), A.end(), 1.0);
        const TLargeBlock<double> Copy(A);
        TLargeBlock<double> Same(N), Other(3), Larger(N + 2), Empty;
        const double* SamePlace = Same.data();
        Same = A;  // equal counts: the block is kept
        Other = A;
        Larger = A;
        Empty = A;
        A[0] = -1, A[N - 1] = -1;
        for (const TLargeBlock<double>* C : std::initializer_list<const TLargeBlock<double>*>{&Copy, &Same, &Other, &Larger, &Empty}) {
            ASSERT_EQ(C->size(), N);
            EXPECT_TRUE(C->data() != A.data() && (*C)[0] == 1 && (*C)[N - 1] == static_cast<double>(N)) << N;
        }
        EXPECT_EQ(Same.data(), SamePlace);
        TLargeBlock<double>& Alias = A;
        A = Alias;  // self-assignment keeps the elements
        EXPECT_EQ(std::pair(A[0], A[N / 2]), std::pair(-1.0, N > 2 ? static_cast<double>(N / 2 + 1) : -1.0));

        const double* Place = A.data();
        TLargeBlock<double> Moved(std::move(A));
        EXPECT_EQ(std::tuple(Moved.data(), Moved.size(), A.data(), A.size()), std::tuple(Place, N, nullptr, std::size_t{0}));
        Other = std::move(Moved);
        TLargeBlock<double>& Itself = Other;
        Other = std::move(Itself);  // self-move keeps the block
        EXPECT_EQ(std::tuple(Other.data(), Other.size(), Moved.data(), Moved.size()), std::tuple(Place, N, nullptr, std::size_t{0}));
        Other.swap(Empty);
        EXPECT_EQ(std::tuple(Empty.data(), Empty[N - 1]), std::tuple(Place, -1.0));
        Empty = TLargeBlock<double>();  // released, nothing left to free twice
        EXPECT_TRUE(Empty.empty());
    }
}

TEST(LargeBlock, RefusesWhatCannotBeHadAndGivesAddressSpaceBack) {
    // A byte count that wraps, one that wraps when rounded up to huge pages, one no system has.
    EXPECT_THROW(TLargeBlock<double>(SIZE_MAX / sizeof(double) + 1), std::bad_alloc);
    EXPECT_THROW(TLargeBlock<double>(SIZE_MAX / sizeof(double)), std::bad_alloc);
    EXPECT_THROW(TLargeBlock<char>(SIZE_MAX - MiB), std::bad_alloc);
    EXPECT_THROW(TLargeBlock<double>(SIZE_MAX / 32), std::bad_alloc);
#if defined(__linux__)
    // Blocks of odd sizes, taken and released: the mapped route leaves no head, tail or
    // rounding behind (each would leave up to 2 MiB per block).
    const auto VmKiB = [] { return std::stol(ProcLine("/proc/self/status", "VmSize:").substr(7)); };
    const long Before = VmKiB();
    for (std::size_t I = 0; I < 48; ++I) {
        TLargeBlock<char> B(5 * MiB + 4096 * 37 * I + 1);
        B[0] = B[B.size() - 1] = 1;
    }
    EXPECT_LT(VmKiB() - Before, 16 * 1024);
#endif
}

// An assignment that runs out of memory half-way (the identifier, a handler) raises and
// leaves the destination as it was: its counts still describe its storage.
TEST(LargeBlock, Mat4DAssignIsAllOrNothing) {
    if (!qmr::test::CanFailAllocations) GTEST_SKIP() << "operator new is the sanitizer's here";
    qmr::TMat4D Src(nullptr), Dest(nullptr);
    Src.Resize(2, 1, 3, 1);
    Src.SetElem(2, 1, 3, 1, 7);
    Src.SetDataID(std::string(40, 's'));  // beyond any short-string buffer
    Src.OnChange = [Pad = std::array<char, 64>{}](qmr::TObject*) { (void)Pad; };  // held on the heap
    Dest.SetName("D");
    Dest.Resize(3, 4, 2, 2);
    for (int I = 1; I <= 3; ++I) Dest.SetElem(I, I, 2, 2, I);
    int Failures = 0;
    for (int K = 1;; ++K) {
        qmr::test::FailIn = K;
        const std::string Raised = qmr::test::RaisedMessage<qmr::EQMRMatrixError>([&] {
            Dest.Assign(&Src);
            qmr::test::FailIn = 0;  // fewer than K allocations: none fails
        });
        if (Raised == "<nothing raised>") break;
        ++Failures;
        EXPECT_EQ(Raised, "Component \"D\": not enough memory on heap") << K;
        ASSERT_EQ(std::tuple(Dest.NrOfColumns(), Dest.NrOfRows(), Dest.NrOfLayers(), Dest.NrOfTimeSlots(), Dest.DataID(),
                             bool(Dest.OnChange), Dest.Elem(3, 3, 2, 2), Dest.Elem(3, 4, 2, 2)),
                  std::tuple(3, 4, 2, 2, std::string(), false, 3.0L, 0.0L))
            << K;
    }
    EXPECT_GE(Failures, 2);
    EXPECT_EQ(std::tuple(Dest.NrOfColumns(), Dest.NrOfLayers(), Dest.DataID(), bool(Dest.OnChange), Dest.Elem(2, 1, 3, 1)),
              std::tuple(2, 3, Src.DataID(), true, 7.0L));
}

}  // namespace
