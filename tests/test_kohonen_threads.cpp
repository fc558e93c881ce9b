// TKohonen: AbortTraining from a second thread stops a running training.
#include "qmr_test_support.h"

#include <atomic>
#include <thread>

using namespace qmr;

TEST(KohonenThreads, AbortFromAnotherThreadStopsAfterTheStep) {
    TKohonen K(nullptr);
    K.SetSizeX(5);
    K.SetNrOfTrnSteps(2000000000);  // would run for hours
    std::atomic<int> Steps{0};
    K.OnFeedback = [&Steps](TObject*, double) { Steps.fetch_add(1); };
    std::thread Stopper([&] {
        while (Steps.load() < 3) std::this_thread::yield();
        K.AbortTraining();
    });
    K.Trainit();
    Stopper.join();
    EXPECT_GE(Steps.load(), 3);
    // A resumed run starts with the request cleared and stops at the next one.
    int Resumed = 0;
    K.OnFeedback = [&](TObject*, double) {
        if (++Resumed == 2) K.AbortTraining();
    };
    K.ContinueTraining();
    EXPECT_EQ(Resumed, 2);
}
