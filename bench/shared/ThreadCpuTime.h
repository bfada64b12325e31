#pragma once

#include <sys/resource.h>

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

} // namespace kesvor::bench
