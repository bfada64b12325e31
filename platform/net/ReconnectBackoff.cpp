#include "net/ReconnectBackoff.h"

#include <QtCore/QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kesvor::net {

ReconnectBackoff::ReconnectBackoff(Settings settings, RandomSource random)
    : m_settings(settings)
    , m_random(std::move(random))
{
    m_settings.baseMs = std::max(0, m_settings.baseMs);
    m_settings.capMs = std::max(0, m_settings.capMs);
    m_settings.randomizationFactor = std::clamp(m_settings.randomizationFactor, 0.0, 1.0);
    if (!m_random)
        m_random = [] { return QRandomGenerator::global()->generateDouble(); };
}

int ReconnectBackoff::nextDelayMs()
{
    // The exponent stops growing long after the cap is reached, so the wait
    // stays finite however many attempts fail.
    const int exponent = std::min(m_attempts, 40);
    if (m_attempts < std::numeric_limits<int>::max())
        ++m_attempts;
    double ms = m_settings.baseMs * std::pow(2.0, exponent);
    if (m_settings.randomizationFactor > 0) {
        const double deviation = std::floor(m_random() * m_settings.randomizationFactor * ms);
        ms += m_random() < 0.5 ? -deviation : deviation;
    }
    return int(std::clamp(ms, 0.0, double(m_settings.capMs)));
}

} // namespace kesvor::net
