#include "ui/Animator.h"

#include "foundation/Clock.h"
#include "foundation/MainThread.h"

#include <QtCore/QEasingCurve>
#include <QtCore/QTimer>
#include <QtGui/QTransform>

namespace kesvor::ui {

namespace {

// About sixty frames a second.
constexpr int frameIntervalMs = 16;

QEasingCurve easing(AnimationCurve curve)
{
    QEasingCurve result(QEasingCurve::BezierSpline);
    switch (curve) {
    case AnimationCurve::Linear:
        return QEasingCurve(QEasingCurve::Linear);
    case AnimationCurve::EaseIn:
        result.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
        break;
    case AnimationCurve::EaseOut:
        result.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
        break;
    case AnimationCurve::EaseInOut:
        result.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
        break;
    }
    return result;
}

double nowMs()
{
    return foundation::Clock::shared().nowMs();
}

double lerp(double from, double to, double progress)
{
    return from + (to - from) * progress;
}

} // namespace

struct Animator::Group {
    std::function<void(bool)> completion;
    int remaining = 0;
    bool finished = true;
};

Animator& Animator::shared()
{
    static Animator* animator = new Animator;
    return *animator;
}

Animator::Animator()
    : m_frameTimer([this] { tick(); })
{
}

void Animator::run(double duration, const AnimationOptions& options,
                   const std::function<void()>& changes,
                   const std::function<void(bool)>& completion)
{
    KESVOR_ASSERT_MAIN_THREAD();
    m_captures.emplace_back();
    if (changes)
        changes();
    // Constraint changes made in the block animate as well: lay out the trees
    // they touched while the block is still recording.
    const QList<QPointer<View>> roots = m_captures.back().roots;
    for (const QPointer<View>& root : roots)
        if (root)
            root->layoutIfNeeded();
    const Capture capture = std::move(m_captures.back());
    m_captures.pop_back();

    auto group = std::make_shared<Group>();
    group->completion = completion;
    const double startMs = nowMs() + std::max(0.0, options.delay) * 1000;
    for (const Change& change : capture.changes) {
        if (!change.view)
            continue;
        const QVariant to = change.view->modelValue(change.property);
        if (to == change.from || duration <= 0) {
            // Nothing to animate: whatever was moving this property stops.
            cancelTrack(*change.view, change.property);
            continue;
        }
        startTrack(Track{change.view, change.property, change.from, to, startMs, duration * 1000,
                         options.curve, group});
    }
    if (group->remaining == 0 && group->completion) {
        foundation::Clock::singleShot(std::max(0.0, options.delay) * 1000, this,
                                      [group] { group->completion(true); });
    }
}

void Animator::runWithoutAnimation(const std::function<void()>& changes)
{
    KESVOR_ASSERT_MAIN_THREAD();
    Capture paused;
    paused.recording = false;
    m_captures.push_back(std::move(paused));
    if (changes)
        changes();
    m_captures.pop_back();
}

void Animator::willChange(View& view, AnimatedProperty property)
{
    if (m_captures.empty() || !m_captures.back().recording) {
        cancelTrack(view, property);
        return;
    }
    auto& changes = m_captures.back().changes;
    for (const Change& change : changes)
        if (change.view == &view && change.property == property)
            return;
    changes.push_back(Change{&view, property, view.presentedValue(property)});
}

void Animator::layoutRequested(View& root)
{
    if (m_captures.empty() || !m_captures.back().recording)
        return;
    auto& roots = m_captures.back().roots;
    if (!roots.contains(&root))
        roots.append(&root);
}

void Animator::startTrack(Track track)
{
    cancelTrack(*track.view, track.property);
    ++track.group->remaining;
    track.view->setPresentationValue(track.property, track.from);
    m_tracks.push_back(std::move(track));
    scheduleFrame();
}

void Animator::scheduleFrame()
{
    if (m_tracks.empty()) {
        m_frameTimer.stop();
        return;
    }
    // A delayed animation waits without frames until it starts.
    double firstStartMs = m_tracks.front().startMs;
    for (const Track& track : m_tracks)
        firstStartMs = std::min(firstStartMs, track.startMs);
    const double dueMs = std::max(nowMs() + frameIntervalMs, firstStartMs);
    if (m_frameTimer.isActive() && m_nextFrameMs <= dueMs)
        return;
    m_nextFrameMs = dueMs;
    m_frameTimer.start(dueMs - nowMs());
}

void Animator::cancelTrack(View& view, AnimatedProperty property)
{
    for (auto it = m_tracks.begin(); it != m_tracks.end(); ++it) {
        if (it->view != &view || it->property != property)
            continue;
        const std::shared_ptr<Group> group = it->group;
        m_tracks.erase(it);
        view.setPresentationValue(property, QVariant());
        group->finished = false;
        if (--group->remaining == 0 && group->completion)
            QTimer::singleShot(0, this, [group] { group->completion(false); });
        return;
    }
}

void Animator::tick()
{
    const double now = nowMs();
    std::vector<std::shared_ptr<Group>> done;
    std::vector<Track> running;
    running.swap(m_tracks);
    std::vector<Track> kept;
    for (Track& track : running) {
        if (!track.view) {
            track.group->finished = false;
            if (--track.group->remaining == 0)
                done.push_back(track.group);
            continue;
        }
        const double progress = (now - track.startMs) / track.durationMs;
        if (progress >= 1) {
            track.view->setPresentationValue(track.property, QVariant());
            if (--track.group->remaining == 0)
                done.push_back(track.group);
            continue;
        }
        if (progress > 0) {
            const double eased = easing(track.curve).valueForProgress(progress);
            track.view->setPresentationValue(track.property,
                                             interpolate(track.from, track.to, eased));
        }
        kept.push_back(std::move(track));
    }
    // Tracks started by the updates above were appended to m_tracks.
    for (Track& track : m_tracks)
        kept.push_back(std::move(track));
    m_tracks.swap(kept);
    scheduleFrame();
    for (const auto& group : done)
        if (group->completion)
            group->completion(group->finished);
}

QVariant Animator::interpolate(const QVariant& from, const QVariant& to, double progress)
{
    switch (from.typeId()) {
    case QMetaType::QRectF: {
        const QRectF a = from.toRectF();
        const QRectF b = to.toRectF();
        return QRectF(lerp(a.x(), b.x(), progress), lerp(a.y(), b.y(), progress),
                      lerp(a.width(), b.width(), progress), lerp(a.height(), b.height(), progress));
    }
    case QMetaType::QPointF: {
        const QPointF a = from.toPointF();
        const QPointF b = to.toPointF();
        return QPointF(lerp(a.x(), b.x(), progress), lerp(a.y(), b.y(), progress));
    }
    case QMetaType::Double:
        return lerp(from.toDouble(), to.toDouble(), progress);
    case QMetaType::QTransform: {
        const auto a = from.value<QTransform>();
        const auto b = to.value<QTransform>();
        return QVariant::fromValue(
            QTransform(lerp(a.m11(), b.m11(), progress), lerp(a.m12(), b.m12(), progress),
                       lerp(a.m13(), b.m13(), progress), lerp(a.m21(), b.m21(), progress),
                       lerp(a.m22(), b.m22(), progress), lerp(a.m23(), b.m23(), progress),
                       lerp(a.m31(), b.m31(), progress), lerp(a.m32(), b.m32(), progress),
                       lerp(a.m33(), b.m33(), progress)));
    }
    default:
        break;
    }
    return to;
}

void View::animate(double duration, const std::function<void()>& changes,
                   const std::function<void(bool)>& completion)
{
    Animator::shared().run(duration, AnimationOptions{}, changes, completion);
}

void View::animate(double duration, const AnimationOptions& options,
                   const std::function<void()>& changes,
                   const std::function<void(bool)>& completion)
{
    Animator::shared().run(duration, options, changes, completion);
}

void View::performWithoutAnimation(const std::function<void()>& changes)
{
    Animator::shared().runWithoutAnimation(changes);
}

} // namespace kesvor::ui
