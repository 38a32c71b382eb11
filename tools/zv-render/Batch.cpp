#include "Batch.h"

#include "Progress.h"
#include "Renderer.h"

#include <processor/ZVPluginAudioProcessor.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <map>
#include <mutex>
#include <thread>

namespace zvrender
{
namespace
{
struct Job
{
    juce::File input, output;
    std::string error; ///< why the file failed; empty while it has not
};

/// Pairs every input with its output and finds the files that cannot be rendered at all.
std::vector<Job> planJobs(const Options& options, const std::vector<juce::File>& sources)
{
    std::vector<Job> jobs;
    std::map<juce::String, juce::File> outputs;
    for (const auto& input : options.inputs)
    {
        Job job;
        job.input = input;
        job.output = options.outDir.getChildFile(input.getFileNameWithoutExtension() + "." + options.format);
        const auto [earlier, fresh] = outputs.emplace(job.output.getFullPathName(), input);
        if (!fresh)
            throw UsageError(quoted(earlier->second) + " and " + quoted(input) +
                             " would both be written to " + quoted(job.output) +
                             "; render them into different folders");
        try
        {
            refuseOverwriting(sources, job.output);
            openInput(input); // a file that cannot be read fails before any rendering
        }
        catch (const RenderError& e)
        {
            job.error = e.what();
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}
/// Renders every job that has not failed yet, `workers` at a time, each in a processor of its
/// own at its file's rate; prints each file's summary as it finishes, under a progress bar. A
/// file that fails gets its error in its job.
void renderJobs(std::vector<Job>& jobs, const Options& each, size_t workers, bool quiet)
{
    std::vector<size_t> pending;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (jobs[i].error.empty())
            pending.push_back(i);

    const auto fractionDone = std::make_unique<std::atomic<double>[]>(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i)
        fractionDone[i] = jobs[i].error.empty() ? 0.0 : 1.0;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> lines; // finished files' summaries, for this thread to print
    size_t finished = 0;
    std::atomic<size_t> next{0};
    const auto work = [&]
    {
        for (size_t k = next++; k < pending.size(); k = next++)
        {
            auto& job = jobs[pending[k]];
            auto& done = fractionDone[pending[k]];
            std::string line;
            try
            {
                const auto summary =
                    renderFile(each, job.input, job.output,
                               [&](double fraction) { done.store(fraction, std::memory_order_relaxed); });
                line = summary.describe();
                for (const auto& warning : {summary.warning, summary.clipWarning()})
                    if (!warning.empty())
                        line += "\nzv-render: warning: " + warning;
            }
            catch (const std::exception& e)
            {
                job.error = e.what();
            }
            done = 1.0;
            const std::lock_guard<std::mutex> lock(mutex);
            if (!line.empty())
                lines.push_back(std::move(line));
            ++finished;
            changed.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (size_t w = 0; w < std::min(workers, pending.size()); ++w)
        threads.emplace_back(work);

    ProgressBar progress(!quiet);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;)
    {
        if (!lines.empty())
        {
            progress.clear();
            for (const auto& line : lines)
                if (!quiet)
                    std::cout << line << std::endl;
            lines.clear();
        }
        double done = 0.0;
        for (size_t i = 0; i < jobs.size(); ++i)
            done += fractionDone[i].load(std::memory_order_relaxed);
        progress.update(done / (double)jobs.size());
        if (finished == pending.size())
            break;
        changed.wait_for(lock, std::chrono::milliseconds(100));
    }
    lock.unlock();
    for (auto& thread : threads)
        thread.join();
    progress.clear();
}

/// Fails the run, naming every file that failed and why, if any did.
void reportFailures(const std::vector<Job>& jobs)
{
    std::string failures;
    size_t failed = 0;
    for (const auto& job : jobs)
        if (!job.error.empty())
        {
            const bool named = job.error.find(quoted(job.input)) != std::string::npos;
            failures += "\n  " + (named ? job.error : quoted(job.input) + ": " + job.error);
            ++failed;
        }
    if (failed > 0)
        throw RenderError(std::to_string(failed) + " of " + std::to_string(jobs.size()) +
                          " files failed:" + failures);
}
} // namespace

void renderBatch(const Options& options)
{
    const auto started = juce::Time::getHighResolutionTicks();
    const auto sources = filesRead(options);
    if (options.savePreset != juce::File())
        refuseOverwriting(sources, options.savePreset);
    auto jobs = planJobs(options, sources);
    if (!options.outDir.isDirectory() && !options.outDir.createDirectory().wasOk())
        throw RenderError("cannot create the output folder " + quoted(options.outDir));

    // The settings once, up front: a preset or bank that cannot be read fails the run at once
    // rather than once per file, and --save-preset writes its file once.
    {
        ZVPluginAudioProcessor processor;
        applySettings(processor, options);
        savePresetIfAsked(processor, options);
    }
    Options each = options;
    each.savePreset = juce::File();

    // Each processor holds some 61 MB of delay lines; one per core keeps every core busy without
    // holding more memory than that needs.
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    renderJobs(jobs, each, options.jobs > 0 ? (size_t)options.jobs : cores, options.quiet);
    reportFailures(jobs);

    const double seconds =
        juce::Time::highResolutionTicksToSeconds(juce::Time::getHighResolutionTicks() - started);
    if (!options.quiet)
        std::cout << "Rendered " << jobs.size() << " files into " << options.outDir.getFullPathName()
                  << " in " << juce::String(seconds, 2) << " s" << std::endl;
}
} // namespace zvrender
