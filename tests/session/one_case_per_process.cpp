// The library keeps one session per process (states, last errors, the
// proxy window, what was asked of the manager), and these cases leave it as
// their last step made it: every case must start in a process of its own,
// which is how CTest runs them.  A direct run of the program that starts a
// second case in the same process fails that case, and every later one,
// before its body runs, instead of letting it fail on what the first left.
#include <gtest/gtest.h>

namespace {

class OneCasePerProcess : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override {
        if (++started_ > 1)
            FAIL() << "session cases need a process each: run them with ctest, or pick one "
                      "with --gtest_filter";
    }
    int started_ = 0;
};

const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new OneCasePerProcess);
    return true;
}();

} // namespace
