// Test helpers shared by the suite.
#pragma once

#include <gtest/gtest.h>

#include <qmrnumkit/qmrnumkit.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qmr::test {

// Saves ProcStat, MathFeedBackProc and AbortMathProc and restores them afterwards;
// records every feedback call made while the fixture is active.
class ProgressFixture : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedStat = ProcStat.load();
        FSavedProc = MathFeedBackProc;
        FSavedAbort = AbortMathProc.load();
        ProcStat = 0.0;
        AbortMathProc = false;
        Calls().clear();
        MathFeedBackProc = &Record;
    }
    void TearDown() override {
        ProcStat = FSavedStat;
        MathFeedBackProc = FSavedProc;
        AbortMathProc = FSavedAbort;
    }
    // Values passed to MathFeedBackProc since SetUp.
    static std::vector<double>& Calls() {
        static std::vector<double> V;
        return V;
    }
    static void Record(double P) { Calls().push_back(P); }

private:
    double FSavedStat = 0;
    TMathFeedBackProc FSavedProc = nullptr;
    bool FSavedAbort = false;
};

// A fresh file path in the build's test directory, removed when the object dies.
class TempPath {
public:
    explicit TempPath(const std::string& Name)
        : FPath((std::filesystem::temp_directory_path() /
                 (std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "_" + Name))
                    .string()) {}
    ~TempPath() {
        std::error_code Ec;
        std::filesystem::remove(FPath, Ec);
    }
    const std::string& str() const { return FPath; }

private:
    std::string FPath;
};

}  // namespace qmr::test
