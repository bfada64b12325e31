#include "ui/UiTest.h"

#include "foundation/Clock.h"
#include "support/TestSupport.h"
#include "ui/Animator.h"

using namespace kesvor;
using namespace kesvor::ui;

namespace {

class AnimationTest : public test::UiTest {
protected:
    struct Completion {
        int calls = 0;
        bool finished = false;
        std::function<void(bool)> handler()
        {
            return [this](bool done) {
                ++calls;
                finished = done;
            };
        }
    };
};

} // namespace

TEST_F(AnimationTest, ConstraintConstantAnimatesOverAQuarterSecond)
{
    View* root = makeRoot(320, 568);
    auto* bar = new View;
    root->addSubview(bar);
    root->addConstraints("H:|[v0]|", {bar});
    bar->addConstraints("V:[v0(==52)]", {bar});
    LayoutConstraint bottom(bar, LayoutAttribute::Bottom, LayoutRelation::Equal, root,
                            LayoutAttribute::Bottom);
    bottom.setActive(true);
    root->layoutIfNeeded();
    EXPECT_FRAME(bar, 0, 516, 320, 52);

    driveClock();
    Completion completion;
    // No explicit layout inside the block: the changed constraint is laid
    // out, and animated, all the same.
    View::animate(
        0.25, [&] { bottom.setConstant(-216); }, completion.handler());
    EXPECT_FRAME(bar, 0, 300, 320, 52);

    // Frames are drawn every 16 ms: at 128 ms the ease-in-out curve is just
    // past its middle, so the bar is just past half-way (408).
    advance(128);
    EXPECT_GT(bar->presentationFrame().y(), 395);
    EXPECT_LT(bar->presentationFrame().y(), 408);
    EXPECT_EQ(bar->geometry().y(), qRound(bar->presentationFrame().y()));
    advance(96);
    EXPECT_GT(bar->presentationFrame().y(), 300);
    EXPECT_EQ(completion.calls, 0);

    // The first frame after the quarter second ends it.
    advance(40);
    EXPECT_EQ(completion.calls, 1);
    EXPECT_TRUE(completion.finished);
    EXPECT_EQ(bar->geometry(), QRect(0, 300, 320, 52));
    EXPECT_EQ(bar->presentationFrame(), bar->frame());
    advance(1000);
    EXPECT_EQ(completion.calls, 1);
}

TEST_F(AnimationTest, AlphaAndTransformAnimateFromWhatIsShown)
{
    View* root = makeRoot(100, 100);
    auto* view = new View(QRectF(10, 10, 40, 40));
    root->addSubview(view);
    driveClock();
    Completion completion;
    View::animate(
        0.3,
        [&] {
            view->setAlpha(0);
            view->setTransform(QTransform::fromScale(0.001, 0.001));
        },
        completion.handler());
    EXPECT_EQ(view->alpha(), 0);
    advance(120);
    EXPECT_GT(view->geometry().width(), 0);
    EXPECT_LT(view->geometry().width(), 40);

    // Setting the value outside an animation stops it where it is; the block
    // then ends with the transform, unfinished.
    view->setAlpha(1);
    advance(400);
    ASSERT_TRUE(test::waitUntil([&] { return completion.calls > 0; }, 2000));
    EXPECT_FALSE(completion.finished);
    advance(400);
    EXPECT_EQ(completion.calls, 1);
    EXPECT_LE(view->geometry().width(), 1);
    EXPECT_EQ(view->frame(), QRectF(10, 10, 40, 40));
}

TEST_F(AnimationTest, CompletionRunsWhenNothingChangesOrTheViewIsGone)
{
    Completion nothing;
    View::animate(
        0.3, [] {}, nothing.handler());
    ASSERT_TRUE(test::waitUntil([&] { return nothing.calls > 0; }, 1000));
    EXPECT_TRUE(nothing.finished);

    View* root = makeRoot(100, 100);
    auto* doomed = new View(QRectF(0, 0, 10, 10));
    root->addSubview(doomed);
    Completion gone;
    driveClock();
    View::animate(
        0.3, [&] { doomed->setFrame(QRectF(50, 50, 10, 10)); }, gone.handler());
    advance(50);
    delete doomed;
    advance(20);
    EXPECT_EQ(gone.calls, 1);
    EXPECT_FALSE(gone.finished);
}

TEST_F(AnimationTest, FramesRunOnlyWhileSomethingMoves)
{
    View* root = makeRoot(320, 568);
    auto* box = new View(QRectF(0, 0, 50, 50));
    root->addSubview(box);
    driveClock();
    const foundation::Clock& clock = foundation::Clock::shared();
    const int idle = clock.pendingCount();
    EXPECT_EQ(Animator::shared().runningCount(), 0);

    // A delayed animation waits for its start on one timer, without frames.
    AnimationOptions delayed;
    delayed.delay = 1;
    delayed.curve = AnimationCurve::Linear;
    Completion completion;
    View::animate(
        0.1, delayed, [&] { box->setFrame(QRectF(100, 0, 50, 50)); }, completion.handler());
    EXPECT_EQ(clock.pendingCount(), idle + 1);
    EXPECT_EQ(clock.nextDueMs(), clock.nowMs() + 1000);
    advance(999);
    EXPECT_EQ(box->presentationFrame().x(), 0);
    advance(51);
    EXPECT_GT(box->presentationFrame().x(), 0);
    EXPECT_LT(box->presentationFrame().x(), 100);

    // Once it ends, the frame timer stops.
    advance(100);
    EXPECT_EQ(completion.calls, 1);
    EXPECT_TRUE(completion.finished);
    EXPECT_EQ(box->presentationFrame(), box->frame());
    EXPECT_EQ(Animator::shared().runningCount(), 0);
    EXPECT_EQ(clock.pendingCount(), idle);
}
