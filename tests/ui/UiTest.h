#pragma once

#include "support/TestSupport.h"
#include "ui/View.h"

#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace kesvor::test {

/// A host top-level window (320 × 568) that the SDK's windows overlay, shown
/// on Qt's offscreen platform. A failing test leaves a screenshot of it in
/// <build>/tests/failures/.
class UiTest : public ::testing::Test {
protected:
    static constexpr int hostWidth = 320;
    static constexpr int hostHeight = 568;

    void SetUp() override;
    void TearDown() override;

    QWidget& host() { return *m_host; }

    /// A root view of the given size inside the host window, for layout.
    ui::View* makeRoot(double width, double height);

    /// Stops foundation::Clock for the rest of the test: animations and
    /// timers then move only with advance().
    static void driveClock();
    /// Moves the driven clock by ms (running what falls due) and lets the
    /// event loop apply what changed.
    static void advance(double ms);

private:
    std::unique_ptr<QWidget> m_host;
};

} // namespace kesvor::test
