#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <random>
#include <thread>

#include "core/rules/filter_kinds.h"
#include "core/rules/number_replace.h"
#include "core/rules/regex_replace.h"
#include "core/rules/text_rules.h"

namespace {

using namespace core;

Rule numberRule(std::int32_t lower, std::int32_t upper, std::string find, std::string replace) {
    Rule rule;
    rule.type = NumReplace;
    rule.option = lower;
    rule.extra = upper;
    rule.findText() = std::move(find);
    rule.replaceText() = std::move(replace);
    return rule;
}

TEST(ZeroPad, PadsToTheUpperLimitsDigits) {
    struct Case {
        std::int64_t number, upper;
        const char* out;
    };
    const Case cases[] = {
        {7, 32, "07"},   {7, 100, "007"},  {12, 5, "12"},    {0, 9, "0"}, {0, 10, "00"}, {5, 2147483647, "0000000005"},
        {-5, 32, "0-5"}, {-10, -5, "-10"}, {-5, -10, "0-5"},
    };
    for (const Case& c : cases) EXPECT_EQ(zeroPad(c.number, c.upper), c.out) << c.number << " " << c.upper;
}

TEST(NumberReplace, Examples) {
    struct Case {
        std::int32_t lower, upper;
        const char* find;
        const char* replace;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {1, 20, "Track %s ", "%s - ", "Track 07 Title", "07 - Title"},
        {1, 12, "%s-", "%s - ", "03-Intro", "03 - Intro"},
        {1, 12, "%s-", "%s - ", "3-Intro", "3-Intro"},  // only padded numbers match
        {1, 32, "Track %s", "%s", "Track 7", "Track 7"},
        {1, 32, "Track %s", "%s", "Track 07", "07"},
        {1, 9, "Track %s ", "%s. ", "Track 4 Song", "4. Song"},
        {5, 5, "%s", "[%s]", "a5b", "a[5]b"},                      // equal limits: once
        {9, 5, "%s", "[%s]", "a5b", "a5b"},                        // upper below lower: nothing
        {8, 10, "%s", "x%s", "08 09 10", "x08 x09 x10"},           // each number found once
        {1, 3, "%s", "%s%s", "1", "1%s"},                          // only the first %s is the number
        {1, 3, "%d-%s", "%x_%s", "%d-2", "%x_2"},                  // other % sequences stay as written
        {1, 3, "100%%-%s", "%s", "100%-2", "2"},                   // %% stands for %
        {1, 3, "no number", "gone", "a no number b", "a gone b"},  // a form without %s
        {0, 99, "%s", "%s", "07 12", "07 12"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        numberReplace(text, numberRule(c.lower, c.upper, c.find, c.replace));
        EXPECT_EQ(text, c.out) << c.in << " " << c.find << " -> " << c.replace;
    }
}

TEST(NumberReplace, IncreasingOrderFeedsLaterNumbers) {
    // 01 becomes 02, which the round for 02 then finds again, and so on up to 05.
    std::string text = "01";
    numberReplace(text, numberRule(1, 5, "0%s", "0%s+"));
    EXPECT_EQ(text, "01+");
    text = "v1";
    numberReplace(text, numberRule(1, 5, "v%s", "v%s"));
    EXPECT_EQ(text, "v1");
    // The replace form writes the find form of the next number: 1 -> 2 -> 3 -> 4.
    text = "n1";
    Rule chain = numberRule(1, 4, "n%s", "n%s");
    chain.replaceText() = "m%s";
    numberReplace(text, chain);
    EXPECT_EQ(text, "m1");
}

// The search must give exactly what the plain loop gives. Random forms and names over a small
// alphabet make matches, chains and overlaps common.
TEST(NumberReplace, SearchAgreesWithTheLoop) {
    std::mt19937 random(12345);
    const std::string alphabet = "0123456789-ab%s ";
    const auto randomText = [&](int maxLength) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < length; ++i) {
            text += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        }
        return text;
    };
    const std::pair<int, int> ranges[] = {{0, 9}, {1, 12}, {0, 99}, {5, 120}, {-12, 3}, {-30, -2}, {7, 7}};
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        const auto [lower, upper] = ranges[i % std::size(ranges)];
        std::string find = randomText(4), replace = randomText(4);
        if (i % 2 == 0) find.insert(std::uniform_int_distribution<std::size_t>(0, find.size())(random), "%s");
        if (i % 3 != 0) replace.insert(std::uniform_int_distribution<std::size_t>(0, replace.size())(random), "%s");
        const Rule rule = numberRule(lower, upper, find, replace);
        const std::string name = randomText(24);

        std::string byLoop = name, bySearch = name;
        bool loopFailed = false, searchFailed = false;
        try {
            numberReplaceByLoop(byLoop, rule);
        } catch (const NameTooLongError&) {
            loopFailed = true;
        }
        try {
            numberReplaceBySearch(bySearch, rule);
        } catch (const NameTooLongError&) {
            searchFailed = true;
        }
        if (loopFailed || searchFailed) continue;  // runaway growth: both give up, differently
        ++compared;
        ASSERT_EQ(bySearch, byLoop) << "name '" << name << "' find '" << find << "' replace '" << replace << "' range "
                                    << lower << ".." << upper;
    }
    EXPECT_GT(compared, 3500);
}

TEST(NumberReplace, WholeIntegerRangeIsFastAndExact) {
    const std::string name = "Track 0000000007 of 0000000012 - " + std::string(167, 'x');
    ASSERT_EQ(name.size(), 200u);
    std::string text = name;
    const auto start = std::chrono::steady_clock::now();
    numberReplace(text, numberRule(0, 2147483647, "Track %s", "%s."));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(1));
    EXPECT_EQ(text, "0000000007. of 0000000012 - " + std::string(167, 'x'));

    // A form without "%s" over the whole range: each round is the same function of the text,
    // so the answer comes from the cycle it falls into.
    text = "ab";
    numberReplace(text, numberRule(0, 2147483647, "ab", "ba"));
    EXPECT_EQ(text, "ba");
    text = "x";
    numberReplace(text, numberRule(0, 2147483647, "x", "x"));
    EXPECT_EQ(text, "x");
}

TEST(NumberReplace, RunawayGrowthStopsWithAnError) {
    // The replacement holds the find text, so each number feeds the next one.
    std::string text = "a";
    EXPECT_THROW(numberReplace(text, numberRule(0, 99, "a", "aa%s")), NameTooLongError);
    text = "a";
    EXPECT_THROW(numberReplace(text, numberRule(0, 2147483647, "a", "aa%s")), NameTooLongError);
}

TEST(NumberReplace, ChainsAcrossTheWholeRangeEnd) {
    // Each round writes the next number's find form: 0 -> 1 -> 11 -> ... -> 1111111111, the
    // last one below the upper limit; the search follows the chain instead of counting to it.
    std::string text = "0000000000";
    numberReplace(text, numberRule(0, 2147483647, "%s", "%s1"));
    EXPECT_EQ(text, "000000000011111111111");
}

// Threads that end: one that applied rules for a job borrowed the job's caches and gives nothing
// back; one that kept caches of its own gives them back before it ends, and one that goes on
// after that starts anew.
TEST(NumberReplace, ThreadsThatEndKeepAndGiveBackTheirOwnCaches) {
    RuleCaches job;
    for (int i = 0; i < 20; ++i) {
        std::string numbered = "n1", pattern = "track " + std::to_string(i);
        const bool borrowed = i % 2 == 1;
        std::thread([&] {
            for (int round = 0; round < 2; ++round) {
                std::optional<UsingRuleCaches> using_;
                if (borrowed) using_.emplace(job);
                numberReplace(numbered, numberRule(1, 4, "n%s", "n%s+"));
                regexReplace(pattern, "(\\d+)", "<$1>", true);
                if (!borrowed) releaseRuleCaches();
            }
        }).join();
        EXPECT_EQ(numbered, "n1++");
        EXPECT_EQ(pattern, "track <<" + std::to_string(i) + ">>");
    }
}

}  // namespace
