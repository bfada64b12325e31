#include "layout/ChainLayout.h"

#include "ui/layout/Solver.h"

#include <gtest/gtest.h>

#include <QtCore/QRandomGenerator>

#include <limits>

using namespace kesvor::ui::layout;
using kesvor::test::ChainLayout;

TEST(SolverEditTest, SuggestedValuesDriveALayoutWithinItsRequiredLimits)
{
    Solver solver;
    Variable container("container.width");
    Variable left("left"), width("width");
    ASSERT_TRUE(solver.addEditVariable(container, Strength::strong));
    EXPECT_TRUE(solver.hasEditVariable(container));
    solver.addConstraint(left == 16);
    solver.addConstraint(left + width == container - 16);
    solver.addConstraint(width >= 40);
    solver.addConstraint((width == 0) | Strength::weak);

    for (const double value : {320.0, 375.5, 1024.0, 320.0, 0.5, 80.0}) {
        ASSERT_TRUE(solver.suggestValue(container, value));
        solver.updateVariables();
        // Below 72 the required minimum width wins over the suggestion.
        const double expected = std::max(value, 72.0);
        EXPECT_DOUBLE_EQ(container.value(), expected) << value;
        EXPECT_DOUBLE_EQ(width.value(), expected - 32) << value;
    }

    ASSERT_TRUE(solver.removeEditVariable(container));
    EXPECT_FALSE(solver.hasEditVariable(container));
    EXPECT_FALSE(solver.suggestValue(container, 500));
    solver.updateVariables();
    EXPECT_EQ(container.value(), 72); // only the weak wish on the width is left
}

TEST(SolverEditTest, RefusesInvalidEditRequests)
{
    Solver solver;
    Variable x("x");
    EXPECT_FALSE(solver.addEditVariable(x, Strength::required));
    EXPECT_FALSE(solver.addEditVariable(x, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(solver.suggestValue(x, 1));
    EXPECT_FALSE(solver.removeEditVariable(x));
    ASSERT_TRUE(solver.addEditVariable(x, Strength::strong));
    EXPECT_FALSE(solver.addEditVariable(x, Strength::medium));
    EXPECT_FALSE(solver.suggestValue(x, std::numeric_limits<double>::infinity()));
    ASSERT_TRUE(solver.suggestValue(x, 12.5));
    solver.updateVariables();
    EXPECT_EQ(x.value(), 12.5);
}

TEST(SolverEditTest, MakingAVariableEditableDoesNotMoveIt)
{
    Solver solver;
    Variable x("x"), y("y");
    solver.addConstraint((x == 200) | Strength::weak);
    solver.addConstraint(y == x + 10);
    solver.updateVariables();
    ASSERT_TRUE(solver.addEditVariable(y, Strength::strong));
    solver.updateVariables();
    EXPECT_EQ(y.value(), 210);
    // A variable the solver has not seen starts from its own value.
    Variable z("z");
    z.setValue(-7.5);
    ASSERT_TRUE(solver.addEditVariable(z, Strength::strong));
    solver.updateVariables();
    EXPECT_EQ(z.value(), -7.5);
    ASSERT_TRUE(solver.suggestValue(y, 50));
    solver.updateVariables();
    EXPECT_EQ(x.value(), 40);
}

TEST(SolverEditTest, EditsOfDifferentStrengthsAndAnimatedConstants)
{
    // A view dragged by hand (strong) while a weaker edit pulls its width.
    Solver solver;
    ChainLayout row(solver, 400);
    ASSERT_TRUE(row.add("H:[v0]-10-[v1]-10-|"));
    Variable& left = row.item("v0").leading;
    Variable& width = row.item("v0").size;
    ASSERT_TRUE(solver.addEditVariable(left, Strength::strong));
    ASSERT_TRUE(solver.addEditVariable(width, Strength::medium));
    solver.addConstraint(row.item("v1").size >= 0);
    ASSERT_TRUE(solver.suggestValue(width, 100));
    for (double x = 0; x <= 300; x += 12.5) {
        ASSERT_TRUE(solver.suggestValue(left, x));
        solver.updateVariables();
        EXPECT_EQ(left.value(), x);
        EXPECT_EQ(width.value(), std::min(100.0, 380 - x));
        EXPECT_EQ(row.leading("v1"), left.value() + width.value() + 10);
    }

    // A constraint whose constant changes frame by frame: remove, re-add.
    Constraint gap = row.item("v1").size == 10;
    solver.addConstraint(gap);
    const std::size_t rows = solver.rowCount();
    for (int frame = 0; frame <= 15; ++frame) {
        solver.removeConstraint(gap);
        gap = row.item("v1").size == 10 + frame * 4;
        ASSERT_EQ(solver.addConstraint(gap), AddResult::Added);
        solver.updateVariables();
        EXPECT_EQ(row.size("v1"), 10 + frame * 4);
        EXPECT_EQ(solver.rowCount(), rows);
    }
}

TEST(SolverEditTest, SuggestionsMatchAFreshSolverWithPlainConstraints)
{
    // Random systems of chained variables; the edit variables of one solver
    // are plain constraints of the same strengths in the other.
    QRandomGenerator random(4711);
    for (int round = 0; round < 40; ++round) {
        const int count = 3 + random.bounded(5);
        std::vector<Variable> vars;
        std::vector<Constraint> constraints;
        for (int i = 0; i < count; ++i) {
            vars.emplace_back(QStringLiteral("x%1").arg(i));
            // A stay per variable, each on its own level, makes the optimum unique.
            constraints.push_back((vars[i] == random.bounded(200)) | Strength::fromPriority(1 + i));
        }
        for (int i = 1; i < count; ++i) {
            const double gap = random.bounded(40);
            const int kind = random.bounded(3);
            const Expression distance = vars[i] - vars[i - 1];
            constraints.push_back(kind == 0   ? distance == gap
                                  : kind == 1 ? distance >= gap
                                              : (distance <= gap) | Strength::fromPriority(600));
        }
        const Variable edited = vars[random.bounded(count)];
        const Variable second = vars[random.bounded(count)];
        const double strength = Strength::fromPriority(700);

        Solver incremental;
        for (const Constraint& constraint : constraints)
            ASSERT_EQ(incremental.addConstraint(constraint), AddResult::Added);
        ASSERT_TRUE(incremental.addEditVariable(edited, strength));
        const bool twoEdits = !(second == edited);
        if (twoEdits) {
            ASSERT_TRUE(incremental.addEditVariable(second, Strength::fromPriority(650)));
        }

        for (int step = 0; step < 10; ++step) {
            const double value = random.bounded(600) - 200 + 0.5 * random.bounded(2);
            const double otherValue = random.bounded(300);
            incremental.suggestValue(edited, value);
            if (twoEdits)
                incremental.suggestValue(second, otherValue);
            incremental.updateVariables();
            std::vector<double> expected;
            for (const Variable& variable : vars)
                expected.push_back(variable.value());

            Solver fresh;
            for (const Constraint& constraint : constraints)
                ASSERT_EQ(fresh.addConstraint(constraint), AddResult::Added);
            fresh.addConstraint((edited == value) | strength);
            if (twoEdits)
                fresh.addConstraint((second == otherValue) | Strength::fromPriority(650));
            fresh.updateVariables();
            for (int i = 0; i < count; ++i)
                ASSERT_NEAR(vars[i].value(), expected[i], 1e-7)
                    << "round " << round << " step " << step;
        }
    }
}
