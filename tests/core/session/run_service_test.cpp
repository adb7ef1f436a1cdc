#include "core/session/run_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/recording_reporter.h"

namespace {

using namespace core;

// The front end's side, as a window plays it: woken from the worker, it runs what was handed over
// on its own thread.
struct FrontEnd {
    std::atomic<int> wakes{0};
    RunService service{[this] { ++wakes; }};

    // Runs what waits until `until` holds.
    template <typename Predicate>
    bool serveUntil(Predicate until) {
        for (int i = 0; i < 2000 && !until(); ++i) {
            service.runPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return until();
    }
};

TEST(RunService, AJobAsksAndIsAnsweredOnTheFrontEndsThread) {
    FrontEnd front;
    const auto frontThread = std::this_thread::get_id();
    std::thread::id shownOn;
    std::optional<RunService::Answer> answer;
    bool called = false, done = false;
    testing_support::RecordingReporter shown;
    ServiceReporter reporter(front.service, shown);
    front.service.start(
        [&] {
            EXPECT_NE(std::this_thread::get_id(), frontThread);
            reporter.criticalError("told on the front end's thread");
            answer = front.service.ask([&] { shownOn = std::this_thread::get_id(); });
            called = front.service.call([] {});
        },
        [&] { done = true; });
    ASSERT_TRUE(front.serveUntil([&] { return front.service.asking(); }));
    EXPECT_EQ(shownOn, frontThread);
    EXPECT_EQ(shown.messages, std::vector<std::string>{"told on the front end's thread"});
    front.service.answer({2, "typed.mp3"});
    ASSERT_TRUE(front.serveUntil([&] { return done; }));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->choice, 2);
    EXPECT_EQ(answer->text, "typed.mp3");
    EXPECT_TRUE(called);

    front.service.start([] { throw std::runtime_error("failed"); }, [] { ADD_FAILURE() << "not done"; });
    EXPECT_THROW(front.serveUntil([] { return false; }), std::runtime_error) << "raised on the front end's thread";
}

TEST(RunService, ACancelEndsAWaitingJobAndKeepsWhatItReported) {
    FrontEnd front;
    bool done = false;
    std::optional<RunService::Answer> answer{RunService::Answer{}};
    bool called = true;
    testing_support::RecordingReporter shown;
    ServiceReporter reporter(front.service, shown);
    front.service.start(
        [&] {
            answer = front.service.ask([] {});
            called = front.service.call([] { ADD_FAILURE() << "run after the cancel"; });
            reporter.criticalError("after the cancel");
        },
        [&] { done = true; });
    ASSERT_TRUE(front.serveUntil([&] { return front.service.asking(); }));
    front.service.cancel();
    front.service.wait();
    front.service.runPending();
    EXPECT_FALSE(answer) << "no answer: cancelled";
    EXPECT_FALSE(called);
    EXPECT_FALSE(done) << "the front end that cancels knows it";
    EXPECT_TRUE(shown.messages.empty());
    EXPECT_EQ(reporter.takeKept(), std::vector<std::string>{"after the cancel"}) << "kept, not lost";
}

TEST(RunService, WithoutAWakeEverythingRunsAtOnceOnTheCallersThread) {
    RunService service;
    std::vector<int> order;
    service.start(
        [&] {
            service.post([&] { order.push_back(1); });
            EXPECT_TRUE(service.call([&] { order.push_back(2); }));
            EXPECT_EQ(service.ask([&] { service.answer({3, {}}); })->choice, 3);
            order.push_back(4);
        },
        [&] { order.push_back(5); });
    EXPECT_EQ(order, (std::vector<int>{1, 2, 4, 5}));
}

}  // namespace
