#include "layout/ChainLayout.h"

#include "ui/layout/Solver.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kesvor::ui::layout;
using kesvor::test::ChainLayout;

namespace {

double solved(Solver& solver, const Variable& variable)
{
    solver.updateVariables();
    return variable.value();
}

} // namespace

TEST(SolverTest, ChainsOfTheScreensComeOutExact)
{
    Solver solver;
    ChainLayout bar(solver, 320);
    ASSERT_TRUE(bar.add("H:|-10-[v0]-10-[v1(==58.5)]-4-|"));
    EXPECT_EQ(bar.leading("v0"), 10);
    EXPECT_EQ(bar.size("v0"), 237.5);
    EXPECT_EQ(bar.leading("v1"), 257.5);
    EXPECT_EQ(bar.size("v1"), 58.5);

    Solver vertical;
    ChainLayout buttons(vertical, 300);
    ASSERT_TRUE(buttons.add("V:|-0-[v0]"));
    ASSERT_TRUE(buttons.add("V:[v0]-0.5-[v1(==44)]-0.5-[v2(==44)]-1-[v3(==44)]-0-|"));
    EXPECT_EQ(buttons.leading("v3"), 256);
    EXPECT_EQ(buttons.leading("v2"), 211);
    EXPECT_EQ(buttons.leading("v1"), 166.5);
    EXPECT_EQ(buttons.size("v0"), 166);

    Solver email;
    ChainLayout form(email, 200);
    ASSERT_TRUE(form.add("V:|-10-[v0]-10-[v1(==30)]-[v2(==30)]-10-|"));
    EXPECT_EQ(form.leading("v2"), 160);
    EXPECT_EQ(form.leading("v1"), 122);
    EXPECT_EQ(form.size("v0"), 102);
}

TEST(SolverTest, CentresAViewAndKeepsItCentredWhenTheParentMoves)
{
    Solver solver;
    Variable parentLeft("parent.left"), parentWidth("parent.width");
    Variable left("child.left"), width("child.width");
    const Constraint parentAt = parentLeft == 7.25;
    ASSERT_EQ(solver.addConstraint(parentAt), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(parentWidth == 320), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(width == 99), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(left + width / 2 == parentLeft + parentWidth / 2),
              AddResult::Added);
    EXPECT_DOUBLE_EQ(solved(solver, left), 7.25 + 110.5);

    ASSERT_TRUE(solver.removeConstraint(parentAt));
    ASSERT_EQ(solver.addConstraint(parentLeft == 100), AddResult::Added);
    EXPECT_DOUBLE_EQ(solved(solver, left), 210.5);
}

TEST(SolverTest, InequalitiesBoundWhatWeakerWishesAskFor)
{
    Solver solver;
    Variable width("label.width");
    // An intrinsic width of 120 held by hugging and compression resistance,
    // bounded by required limits.
    solver.addConstraint((width <= 120) | Strength::fromPriority(250));
    solver.addConstraint((width >= 120) | Strength::fromPriority(750));
    EXPECT_EQ(solved(solver, width), 120);

    const Constraint atMost = width <= 80;
    ASSERT_EQ(solver.addConstraint(atMost), AddResult::Added);
    EXPECT_EQ(solved(solver, width), 80);

    ASSERT_TRUE(solver.removeConstraint(atMost));
    const Constraint atLeast = width >= 240;
    ASSERT_EQ(solver.addConstraint(atLeast), AddResult::Added);
    EXPECT_EQ(solved(solver, width), 240);

    // A range that is already met leaves the value alone.
    ASSERT_TRUE(solver.removeConstraint(atLeast));
    solver.addConstraint(width >= 100);
    solver.addConstraint(width <= 200);
    EXPECT_EQ(solved(solver, width), 120);
}

TEST(SolverTest, HigherPrioritiesWinOverAnyNumberOfLowerOnes)
{
    Solver solver;
    Variable height("height");
    solver.addConstraint((height == 44) | Strength::fromPriority(999));
    solver.addConstraint((height == 80) | Strength::fromPriority(750));
    EXPECT_EQ(solved(solver, height), 44);

    // Many constraints one priority step lower still lose.
    Solver crowd;
    Variable x("x");
    crowd.addConstraint((x == 10) | Strength::fromPriority(751));
    for (int i = 0; i < 1000; ++i)
        crowd.addConstraint((x == 20 + i) | Strength::fromPriority(750));
    EXPECT_EQ(solved(crowd, x), 10);

    // Within one priority the errors add up: the majority wins.
    Solver vote;
    Variable y("y");
    vote.addConstraint((y == 0) | Strength::fromPriority(500));
    vote.addConstraint((y == 10) | Strength::fromPriority(500));
    vote.addConstraint((y == 10) | Strength::fromPriority(500));
    EXPECT_EQ(solved(vote, y), 10);

    // Required beats everything.
    const Constraint pinned = height == 30;
    ASSERT_EQ(solver.addConstraint(pinned), AddResult::Added);
    EXPECT_EQ(solved(solver, height), 30);
    ASSERT_TRUE(solver.removeConstraint(pinned));
    EXPECT_EQ(solved(solver, height), 44);

    EXPECT_LT(Strength::weak, Strength::medium);
    EXPECT_LT(Strength::fromPriority(1), Strength::fromPriority(1.5f));
    EXPECT_LT(Strength::fromPriority(999), Strength::strong);
    EXPECT_EQ(Strength::fromPriority(1000), Strength::required);
    EXPECT_EQ(Strength::fromPriority(std::numeric_limits<float>::quiet_NaN()), Strength::required);
    EXPECT_EQ(Strength::fromPriority(-5), Strength::fromPriority(1));
    EXPECT_EQ(Strength::create(1, 0, 0), Strength::strong);
    EXPECT_EQ(Strength::create(5000, 5000, 5000), Strength::required);
}

TEST(SolverTest, RefusesAConflictingRequiredConstraintAndStaysAsItWas)
{
    Solver solver;
    Variable a("a"), b("b"), c("c");
    solver.addConstraint(a >= 0);
    solver.addConstraint(b - a >= 10);
    solver.addConstraint(c - b >= 10);
    solver.addConstraint((a == 5) | Strength::weak);
    solver.addConstraint((c == 100) | Strength::medium);
    solver.addConstraint((b == 90) | Strength::strong);
    solver.updateVariables();
    const double before[] = {a.value(), b.value(), c.value()};
    EXPECT_EQ(before[0], 5);
    EXPECT_EQ(before[1], 90);
    EXPECT_EQ(before[2], 100);

    // c <= a + 15 needs 20 between a and c: no assignment meets it.
    const Constraint squeeze = c <= a + 15;
    EXPECT_EQ(solver.addConstraint(squeeze), AddResult::Unsatisfiable);
    EXPECT_FALSE(solver.hasConstraint(squeeze));
    EXPECT_EQ(solver.addConstraint(Expression(a) == 10 + Expression(c)), AddResult::Unsatisfiable);
    EXPECT_EQ(solver.addConstraint(Constraint(Expression(), Relation::Equal, 1)),
              AddResult::Unsatisfiable);
    solver.updateVariables();
    EXPECT_EQ(a.value(), before[0]);
    EXPECT_EQ(b.value(), before[1]);
    EXPECT_EQ(c.value(), before[2]);

    // The solver keeps working normally afterwards.
    const Constraint wide = c - a >= 150;
    ASSERT_EQ(solver.addConstraint(wide), AddResult::Added);
    EXPECT_EQ(solved(solver, c), 150);
    EXPECT_EQ(a.value(), 0);
    ASSERT_TRUE(solver.removeConstraint(wide));
    EXPECT_EQ(solved(solver, c), 100);
}

TEST(SolverTest, RedundantConstraintsTakeOverWhenTheOnesTheyRepeatAreRemoved)
{
    Solver solver;
    Variable x("x"), y("y");
    solver.addConstraint((x == 0) | Strength::weak);
    solver.addConstraint((y == 0) | Strength::medium);
    const Constraint first = x == 10;
    const Constraint sum = x + y == 30;
    const Constraint repeat = y == 20; // follows from the two above
    ASSERT_EQ(solver.addConstraint(first), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(sum), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(repeat), AddResult::Added);
    EXPECT_EQ(solver.addConstraint(repeat), AddResult::Duplicate);
    EXPECT_EQ(solved(solver, x), 10);

    // Without the original, the repeat is what holds y at 20.
    ASSERT_TRUE(solver.removeConstraint(first));
    EXPECT_EQ(solved(solver, y), 20);
    EXPECT_EQ(x.value(), 10);
    ASSERT_TRUE(solver.removeConstraint(repeat));
    EXPECT_EQ(solved(solver, y), 0);
    EXPECT_EQ(x.value(), 30);
    ASSERT_EQ(solver.addConstraint(repeat), AddResult::Added);
    EXPECT_EQ(solved(solver, x), 10);

    // Two identical constraints: either one alone keeps the value.
    const Constraint again = x == 10;
    ASSERT_EQ(solver.addConstraint(first), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(again), AddResult::Added);
    ASSERT_TRUE(solver.removeConstraint(repeat));
    ASSERT_TRUE(solver.removeConstraint(first));
    EXPECT_EQ(solved(solver, x), 10);
    ASSERT_TRUE(solver.removeConstraint(again));
    EXPECT_EQ(solved(solver, x), 30);
}

TEST(SolverTest, RemovingAndReAddingRestoresTheSolution)
{
    Solver solver;
    ChainLayout row(solver, 320);
    ASSERT_TRUE(row.add("H:|-12-[v0]-12-|"));
    Variable& width = row.item("v0").size;
    const Constraint narrow = (width <= 100) | Strength::fromPriority(999);
    const Constraint wideFloor = width >= 200;
    ASSERT_EQ(solver.addConstraint(wideFloor), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(narrow), AddResult::Added);
    EXPECT_EQ(solved(solver, width), 296);

    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(solver.removeConstraint(wideFloor));
        EXPECT_FALSE(solver.removeConstraint(wideFloor));
        EXPECT_FALSE(solver.hasConstraint(wideFloor));
        EXPECT_EQ(solved(solver, width), 296); // the chain still holds it
        ASSERT_EQ(solver.addConstraint(wideFloor), AddResult::Added);
        EXPECT_TRUE(solver.hasConstraint(wideFloor));
    }
    const auto cycle = [&] {
        ASSERT_TRUE(solver.removeConstraint(narrow));
        ASSERT_EQ(solver.addConstraint(narrow), AddResult::Added);
    };
    cycle();
    const std::size_t rows = solver.rowCount();
    for (int round = 0; round < 50; ++round)
        cycle();
    EXPECT_EQ(solver.rowCount(), rows) << "removed constraints leave nothing behind";
    EXPECT_EQ(solved(solver, width), 296);

    solver.reset();
    EXPECT_EQ(solver.constraintCount(), 0u);
    EXPECT_EQ(solver.rowCount(), 0u);
    EXPECT_EQ(solver.addConstraint(wideFloor), AddResult::Added);
}

TEST(SolverTest, RefusesMalformedConstraintsAndToleratesRoundingNoise)
{
    Solver solver;
    Variable x("x"), y("y");
    constexpr double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(solver.addConstraint(Constraint()), AddResult::Unsatisfiable);
    EXPECT_EQ(solver.addConstraint(x == infinity), AddResult::Unsatisfiable);
    EXPECT_EQ(solver.addConstraint(x / 0.0 == 1), AddResult::Unsatisfiable);
    EXPECT_EQ(solver.addConstraint(x * std::numeric_limits<double>::quiet_NaN() >= 1),
              AddResult::Unsatisfiable);
    EXPECT_FALSE(solver.removeConstraint(Constraint()));
    EXPECT_EQ(solver.constraintCount(), 0u);

    // Tenths do not add up exactly in binary; the solver must still see the
    // constraints below as consistent.
    ASSERT_EQ(solver.addConstraint(x == 0.1 + Expression(y) * 1e-12), AddResult::Added);
    ASSERT_EQ(solver.addConstraint(y == 0.2), AddResult::Added);
    EXPECT_EQ(solver.addConstraint(x + y == 0.3), AddResult::Added);
    EXPECT_EQ(solver.addConstraint(3 * x - x * 2 + y == 0.3), AddResult::Added);
    EXPECT_NEAR(solved(solver, x), 0.1, 1e-12);
}

TEST(SolverTest, ConstraintHandlesShareIdentityAndDescribeThemselves)
{
    Variable x("x");
    const Constraint c = (2 * x + 3 <= x / 2) | Strength::medium;
    const Constraint copy = c;
    EXPECT_EQ(copy, c);
    EXPECT_FALSE(c == c.withStrength(Strength::medium));
    EXPECT_EQ(c.expression().terms().size(), 1u);
    EXPECT_EQ(c.expression().terms().front().coefficient(), 1.5);
    EXPECT_EQ(c.strength(), Strength::medium);
    EXPECT_EQ(c.description(), QStringLiteral("1.5*x + 3 <= 0 (strength 1000)"));
    EXPECT_FALSE(Variable("x") == Variable("x"));
    EXPECT_TRUE(x == Variable(x));
}
