#pragma once

#include <functional>

namespace kesvor::net {

/// Randomised exponential back-off between reconnection attempts: the n-th
/// wait (from 0) is base × 2^n, moved up or down by a random share of itself
/// of at most the randomisation factor, and never longer than the cap.
class ReconnectBackoff {
public:
    /// Returns a number in [0, 1).
    using RandomSource = std::function<double()>;

    struct Settings {
        int baseMs = 1000;
        int capMs = 5000;
        double randomizationFactor = 0.5;
    };

    explicit ReconnectBackoff(Settings settings, RandomSource random = {});

    /// The wait before the next attempt; counts the attempt.
    int nextDelayMs();
    int attempts() const { return m_attempts; }
    void reset() { m_attempts = 0; }

private:
    Settings m_settings;
    RandomSource m_random;
    int m_attempts = 0;
};

} // namespace kesvor::net
