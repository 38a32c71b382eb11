#pragma once

// What the thread-safety tests share: a bounded running time, a small random source per thread,
// the values a hostile host sends, and a crew of threads that repeat one kind of call each until
// they are stopped.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace hostile
{
/// How long the threads run, in seconds: ZV_THREAD_TEST_SECONDS, or a short default for a run
/// by hand. scripts/tsan.sh sets it.
inline std::chrono::milliseconds runningTime()
{
    const char* text = std::getenv("ZV_THREAD_TEST_SECONDS");
    const double seconds = text != nullptr ? std::atof(text) : 10.0;
    return std::chrono::milliseconds((long long)(1000.0 * (seconds > 0.0 ? seconds : 10.0)));
}

/// A small generator of its own for each thread (the C library's shares its state between threads).
class Random
{
  public:
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 1u) {}

    uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return (int)(next() % (uint32_t)n); }
    float unit() { return (float)next() / 16777216.0f; }
    float sample() { return unit() - 0.5f; }

    /// A parameter value as a hostile host sends it: mostly inside 0..1, sometimes the edges,
    /// far outside, or not a number at all.
    float hostileValue()
    {
        static constexpr float odd[] = {0.0f,
                                        1.0f,
                                        -0.0f,
                                        -1.0f,
                                        2.0f,
                                        1.0e30f,
                                        -1.0e30f,
                                        std::numeric_limits<float>::quiet_NaN(),
                                        std::numeric_limits<float>::infinity()};
        if (below(8) != 0)
            return unit();
        return odd[below((int)(sizeof(odd) / sizeof(odd[0])))];
    }

  private:
    uint32_t state;
};

/// Stereo blocks of every size from one sample up to this many, some far beyond what any host
/// announces.
constexpr int longestBlock = 4096;

/// A block size for the next call: mostly common sizes, sometimes any size at all.
inline int blockSize(Random& random)
{
    static constexpr int common[] = {1, 16, 32, 64, 128, 256, 441, 512, 1024, 2048, longestBlock};
    if (random.below(4) == 0)
        return 1 + random.below(longestBlock);
    return common[random.below((int)(sizeof(common) / sizeof(common[0])))];
}

/// Threads that each repeat one body until stop(); each counts its rounds, so a test can tell
/// that every kind of call really ran concurrently with the others.
class Crew
{
  public:
    ~Crew() { stop(); }

    void add(std::string name, std::function<void(Random&)> body)
    {
        const auto seed = (uint32_t)members.size() + 1;
        members.push_back(std::make_unique<Member>(std::move(name)));
        auto& member = *members.back();
        member.thread = std::thread(
            [this, &member, seed, body = std::move(body)]
            {
                Random random(seed);
                while (running.load(std::memory_order_relaxed))
                {
                    body(random);
                    member.rounds.fetch_add(1, std::memory_order_relaxed);
                }
            });
    }

    void stop()
    {
        running = false;
        for (auto& member : members)
            if (member->thread.joinable())
                member->thread.join();
    }

    /// Every member's rounds, printed; the smallest count is returned.
    long report() const
    {
        long fewest = std::numeric_limits<long>::max();
        for (const auto& member : members)
        {
            const long rounds = member->rounds.load();
            std::printf("  %-24s %ld rounds\n", member->name.c_str(), rounds);
            fewest = std::min(fewest, rounds);
        }
        return fewest;
    }

  private:
    struct Member
    {
        explicit Member(std::string n) : name(std::move(n)) {}
        std::string name;
        std::atomic<long> rounds{0};
        std::thread thread;
    };

    std::atomic<bool> running{true};
    std::vector<std::unique_ptr<Member>> members;
};
} // namespace hostile
