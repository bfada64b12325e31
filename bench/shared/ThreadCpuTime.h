#pragma once

#include <sys/resource.h>

#include <chrono>
#include <ctime>

namespace kesvor::bench {

/// CPU time the calling thread has used, user and kernel, in seconds.
inline double threadCpuSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

/// The kernel's part of threadCpuSeconds(), in seconds.
inline double threadSystemSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
}

/// Wall-clock, CPU and kernel time of one stretch of work on one thread.
struct ThreadTimes {
    double seconds = 0;
    double cpuSeconds = 0;
    /// The part of cpuSeconds spent in the kernel.
    double systemSeconds = 0;
};

/// Starts on construction; elapsed() is the calling thread's times since then.
class ThreadStopwatch {
public:
    ThreadStopwatch()
        : m_start(std::chrono::steady_clock::now())
        , m_cpuStart(threadCpuSeconds())
        , m_systemStart(threadSystemSeconds())
    {
    }

    ThreadTimes elapsed() const
    {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(),
                threadCpuSeconds() - m_cpuStart, threadSystemSeconds() - m_systemStart};
    }

private:
    std::chrono::steady_clock::time_point m_start;
    double m_cpuStart;
    double m_systemStart;
};

} // namespace kesvor::bench
