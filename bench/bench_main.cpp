// Benchmark driver: runs every benchmark, then prints the time ratio of each pair
// named "<op>_qmr/<args>" and "<op>_peer/<args>" (ours divided by the peer's, the
// fastest repetition of each).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Runs) override {
        for (const Run& R : Runs) {
            if (R.run_type != Run::RT_Iteration || R.error_occurred) continue;
            // The fastest repetition: the one least disturbed by other load.
            const auto [It, New] = FTimes.try_emplace(R.benchmark_name(), R.GetAdjustedRealTime());
            if (!New && R.GetAdjustedRealTime() < It->second) It->second = R.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(Runs);
    }
    void PrintRatios() const {
        std::printf("\n%-48s %12s\n", "operation (ours / peer, real time)", "ratio");
        for (const auto& [Name, T] : FTimes) {
            auto Pos = Name.find("_qmr");
            if (Pos == std::string::npos) continue;
            std::string Peer = Name;
            Peer.replace(Pos, 4, "_peer");
            auto It = FTimes.find(Peer);
            if (It == FTimes.end() || It->second <= 0) continue;
            std::printf("%-48s %12.2f\n", Name.substr(0, Pos).append(Name.substr(Pos + 4)).c_str(), T / It->second);
        }
    }

private:
    std::map<std::string, double> FTimes;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    Reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
