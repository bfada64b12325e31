#pragma once

#include "foundation/ClockTimer.h"
#include "ui/View.h"

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace kesvor::ui {

/// What block animations move.
enum class AnimatedProperty { Frame, BoundsOrigin, Alpha, Transform };

/// Runs the block animations of View::animate(). While the changes of a block
/// run, views report each property they are about to change; afterwards
/// every property that ended up different animates from the value it showed
/// before to its new one. The views hold the new values from the start (so
/// layout and tests read final frames at once); only what is drawn moves,
/// driven by one frame timer for all animations, on foundation::Clock (so a
/// test that drives the clock drives the animations).
class Animator : public QObject {
    Q_OBJECT
public:
    static Animator& shared();

    void run(double duration, const AnimationOptions& options, const std::function<void()>& changes,
             const std::function<void(bool)>& completion);

    /// Runs changes with nothing recorded: what they change shows at once,
    /// even inside the changes of run().
    void runWithoutAnimation(const std::function<void()>& changes);

    /// Called by a view just before it changes property. Inside a block the
    /// old value is remembered; outside, a running animation of the property
    /// stops and the new value shows at once.
    void willChange(View& view, AnimatedProperty property);
    /// Called when a tree needs layout: a block lays such trees out before
    /// it ends, so that constraint changes animate too.
    void layoutRequested(View& root);

    /// Animations currently running (for tests and diagnostics).
    int runningCount() const { return static_cast<int>(m_tracks.size()); }

private:
    struct Group;
    struct Track {
        QPointer<View> view;
        AnimatedProperty property;
        QVariant from;
        QVariant to;
        double startMs;
        double durationMs;
        AnimationCurve curve;
        std::shared_ptr<Group> group;
    };
    struct Change {
        QPointer<View> view;
        AnimatedProperty property;
        QVariant from;
    };
    struct Capture {
        std::vector<Change> changes;
        QList<QPointer<View>> roots;
        bool recording = true;
    };

    Animator();
    void tick();
    void startTrack(Track track);
    /// The next frame when the first track that runs is due; none without tracks.
    void scheduleFrame();
    void cancelTrack(View& view, AnimatedProperty property);
    static QVariant interpolate(const QVariant& from, const QVariant& to, double progress);

    foundation::ClockTimer m_frameTimer;
    double m_nextFrameMs = 0;
    std::vector<Track> m_tracks;
    std::vector<Capture> m_captures;
};

} // namespace kesvor::ui
