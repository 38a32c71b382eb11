// Runs a fuzz target without libFuzzer, so the targets build with any compiler in the ordinary
// build and their seed corpus is replayed as a test (under the sanitizers in the sanitizer
// build). Each file named on the command line, and each file in each folder named, goes through
// the target once; then a fixed number of inputs made from them by deterministic mutations (bit
// flips, overwrites with boundary bytes, insertions, deletions, truncations, repeats and splices
// of two inputs) go through it, so the replay reaches more than the seeds themselves while every
// run sees exactly the same inputs. A crash, a sanitizer report or an abort in the target fails
// the run, and the input that caused it is printed in hex, to be replayed from a file by this
// program or by the libFuzzer build. Arguments that start with '-' (libFuzzer's options) are
// ignored.
//
// Usage: <target> [-mutations=N] [-seed=S] file-or-folder...   (N defaults to 200; another S
// gives another fixed set of mutations)

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <csignal>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

constexpr size_t longestMutation = 1 << 16;

/// A small deterministic generator (SplitMix64): the same inputs on every machine and run.
class Random
{
  public:
    explicit Random(uint64_t seed) : state(seed) {}

    uint64_t next()
    {
        uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    /// A number in [0, n); 0 when n is 0.
    size_t below(size_t n) { return n == 0 ? 0 : (size_t)(next() % n); }

  private:
    uint64_t state;
};

Bytes readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void mutate(Bytes& b, const std::vector<Bytes>& corpus, Random& random)
{
    switch (random.below(8))
    {
    case 0: // flip a few bits
        for (size_t k = 1 + random.below(4); k > 0 && !b.empty(); --k)
            b[random.below(b.size())] ^= (uint8_t)(1u << random.below(8));
        break;
    case 1: // overwrite a byte with a boundary value
    {
        static constexpr uint8_t boundaries[] = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff};
        if (!b.empty())
            b[random.below(b.size())] = boundaries[random.below(sizeof boundaries)];
        break;
    }
    case 2: // overwrite a run with random bytes
        for (size_t k = random.below(16), at = random.below(b.size()); k > 0 && at < b.size(); --k, ++at)
            b[at] = (uint8_t)random.next();
        break;
    case 3: // insert random bytes
    {
        Bytes extra(1 + random.below(32));
        for (auto& x : extra)
            x = (uint8_t)random.next();
        b.insert(b.begin() + (ptrdiff_t)random.below(b.size() + 1), extra.begin(), extra.end());
        break;
    }
    case 4: // delete a run
        if (!b.empty())
        {
            const size_t at = random.below(b.size());
            const size_t n = std::min(b.size() - at, 1 + random.below(32));
            b.erase(b.begin() + (ptrdiff_t)at, b.begin() + (ptrdiff_t)(at + n));
        }
        break;
    case 5: // truncate
        b.resize(random.below(b.size() + 1));
        break;
    case 6: // repeat a run
        if (!b.empty())
        {
            const size_t at = random.below(b.size());
            const Bytes run(b.begin() + (ptrdiff_t)at,
                            b.begin() + (ptrdiff_t)std::min(b.size(), at + 1 + random.below(64)));
            b.insert(b.begin() + (ptrdiff_t)random.below(b.size() + 1), run.begin(), run.end());
        }
        break;
    default: // the head of this input, the tail of another
    {
        const Bytes& other = corpus[random.below(corpus.size())];
        b.resize(random.below(b.size() + 1));
        b.insert(b.end(), other.begin() + (ptrdiff_t)random.below(other.size() + 1), other.end());
        break;
    }
    }
    if (b.size() > longestMutation)
        b.resize(longestMutation);
}

// The input being run, for the report when the target dies on it.
std::string currentName;
const uint8_t* currentInput = nullptr;
size_t currentSize = 0;

void say(const char* text, size_t n)
{
    (void)!write(STDERR_FILENO, text, n);
}
void say(const char* text)
{
    say(text, std::strlen(text));
}

constexpr int fatalSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};
struct sigaction previousActions[sizeof fatalSignals / sizeof fatalSignals[0]];

/// Prints the input that killed the target (with async-signal-safe calls only), then hands the
/// signal to whoever handled it before (a sanitizer's own report, or the default death).
void reportInput(int signal)
{
    say("\n== the target died on ");
    say(currentName.c_str());
    say(", in hex:\n");
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < currentSize; ++i)
    {
        const char pair[2] = {digits[currentInput[i] >> 4], digits[currentInput[i] & 15]};
        say(pair, 2);
        if (i % 32 == 31 || i + 1 == currentSize)
            say("\n", 1);
    }
    for (size_t i = 0; i < std::size(fatalSignals); ++i)
        sigaction(fatalSignals[i], &previousActions[i], nullptr);
    // A fault happens again when the handler returns, this time to the previous handler; an
    // abort is raised again.
    if (signal == SIGABRT)
        std::raise(signal);
}

void catchFatalSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = reportInput;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(fatalSignals); ++i)
        sigaction(fatalSignals[i], &action, &previousActions[i]);
}

void run(const Bytes& input, std::string name)
{
    // An exact-size copy, so the sanitizers see any read past the end of the input.
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(input.size(), 1)]);
    std::copy(input.begin(), input.end(), copy.get());
    currentName = std::move(name);
    currentInput = copy.get();
    currentSize = input.size();
    LLVMFuzzerTestOneInput(copy.get(), input.size());
}
} // namespace

int main(int argc, char** argv)
{
    size_t mutations = 200;
    uint64_t seed = 0x5eed;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg.rfind("-mutations=", 0) == 0)
            mutations = (size_t)std::strtoull(arg.c_str() + 11, nullptr, 10);
        else if (arg.rfind("-seed=", 0) == 0)
            seed = std::strtoull(arg.c_str() + 6, nullptr, 10);
        else if (arg.empty() || arg[0] == '-')
            continue;
        else if (fs::is_directory(arg))
        {
            std::vector<fs::path> inFolder;
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file())
                    inFolder.push_back(entry.path());
            std::sort(inFolder.begin(), inFolder.end()); // the same order everywhere
            files.insert(files.end(), inFolder.begin(), inFolder.end());
        }
        else if (fs::is_regular_file(arg))
            files.emplace_back(arg);
        else
        {
            std::fprintf(stderr, "no such file or folder: %s\n", arg.c_str());
            return 2;
        }
    }
    if (files.empty())
    {
        std::fprintf(stderr, "usage: %s [-mutations=N] [-seed=S] file-or-folder...\n", argv[0]);
        return 2;
    }

    catchFatalSignals();

    const auto started = std::chrono::steady_clock::now();
    std::vector<Bytes> corpus;
    for (const auto& path : files)
    {
        corpus.push_back(readFile(path));
        run(corpus.back(), path.string());
    }
    Random random(seed);
    for (size_t m = 0; m < mutations; ++m)
    {
        Bytes input = corpus[random.below(corpus.size())];
        for (size_t k = 1 + random.below(4); k > 0; --k)
            mutate(input, corpus, random);
        run(input, "mutation " + std::to_string(m));
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::printf("%zu inputs and %zu mutations of them ran in %.2f s\n", files.size(), mutations,
                took.count());
    return 0;
}
