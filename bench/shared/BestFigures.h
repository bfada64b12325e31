#pragma once

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>

#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace kesvor::bench {

/// The lowest value seen for each named figure over a benchmark's rounds, in
/// the order of their names, for the summary a benchmark prints at its end.
inline std::map<std::string, double>& best()
{
    static std::map<std::string, double> figures;
    return figures;
}

/// Keeps value for figure when it is the lowest so far.
inline void keepBest(const std::string& figure, double value)
{
    auto found = best().find(figure);
    if (found == best().end() || value < found->second)
        best()[figure] = value;
}

/// Milliseconds on the monotonic clock.
inline double nowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// Runs the event loop until condition holds; false after timeoutMs. Unlike
/// the tests' waitUntil, which sleeps 10 ms between looks, it looks again as
/// soon as events have run, so the times measured around it stay exact.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 60'000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace kesvor::bench
