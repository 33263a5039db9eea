#pragma once
// The console report, keeping each benchmark's time per iteration so that a
// program can end with "RATIO <name> <value>" lines for the pairs it ran
// side by side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                // Under its whole name ("BM_x/1000", "BM_x/iterations:5")
                // and under its function's name alone.
                const std::string name = run.benchmark_name();
                times[name] = times[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }

    // "RATIO name ours/theirs" when both benchmarks ran (a filter may have
    // left one out).
    void PrintRatio(const std::string& name, const std::string& ours, const std::string& theirs) const
    {
        const auto a = times.find(ours);
        const auto b = times.find(theirs);
        if (a != times.end() && b != times.end())
            std::printf("RATIO %s %.2f\n", name.c_str(), a->second / b->second);
    }

    std::map<std::string, double> times;
};
