// Progress globals and the progress fixture itself.
#include "qmr_test_support.h"

using namespace qmr;

using ProgressTest = test::ProgressFixture;

TEST_F(ProgressTest, StepProgressAddsAndCallsHook) {
    detail::StepProgress();
    detail::StepProgress(2.0);
    EXPECT_EQ(ProcStat.load(), 3.0);
    ASSERT_EQ(Calls().size(), 2u);
    EXPECT_EQ(Calls()[0], 1.0);
    EXPECT_EQ(Calls()[1], 3.0);
    MathFeedBackProc = nullptr;
    detail::StepProgress();
    EXPECT_EQ(ProcStat.load(), 4.0);
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_FALSE(detail::AbortRequested());
    AbortMathProc = true;
    EXPECT_TRUE(detail::AbortRequested());
}
