#pragma once
// A benchmark measured against its floor in the same run: each iteration runs the floor and
// then the work, so both meet the same load on a shared machine. The benchmark's own time is
// the work's wall-clock time; the counters give the floor's time and the two ratios, of
// wall-clock time and of the process's processor time (all threads).
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>

namespace RatioToFloor {

struct TTimes {
    double Wall = 0, Cpu = 0;
};

template <class Body>
TTimes Measure(Body&& body) {
    const auto cpuNow = [] {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    const double cpu0 = cpuNow();
    const auto wall0 = std::chrono::steady_clock::now();
    body();
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall0;
    return {wall.count(), cpuNow() - cpu0};
}

template <class Floor, class Work>
void Run(benchmark::State& state, Floor&& floor, Work&& work) {
    TTimes floorTotal, workTotal;
    for (auto _ : state) {
        const TTimes f = Measure(floor);
        const TTimes w = Measure(work);
        floorTotal.Wall += f.Wall;
        floorTotal.Cpu += f.Cpu;
        workTotal.Wall += w.Wall;
        workTotal.Cpu += w.Cpu;
        state.SetIterationTime(w.Wall);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorTotal.Wall / n * 1e3;
    state.counters["wall_ratio"] = workTotal.Wall / floorTotal.Wall;
    state.counters["cpu_ratio"] = workTotal.Cpu / floorTotal.Cpu;
}

}  // namespace RatioToFloor
