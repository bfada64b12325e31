#include "layout/ChainLayout.h"

#include "ui/layout/Solver.h"

#include <gtest/gtest.h>

#include <QtCore/QRandomGenerator>

#include <algorithm>
#include <numeric>

using namespace kesvor::ui::layout;
using kesvor::test::ChainLayout;

namespace {

/// A random chain "|-g-[v0(...)]-g-[v1(...)]...-g-|" and the frames it must
/// produce, worked out directly: fixed views keep their size, flexible views
/// get their preferred size unless the space does not allow it; then the
/// flexible view of lowest priority gives or takes the difference first.
struct RandomChain {
    struct View {
        bool flexible = false;
        double size = 0;    // fixed size, or preferred size
        double minimum = 0; // flexible views only
        int priority = 0;   // flexible views only
    };

    QString format;
    double length = 0;
    std::vector<View> views;
    std::vector<double> gaps; // views.size() + 1, superview edges included
    std::vector<double> expectedSizes;
    std::vector<double> expectedLeading;

    static double halfSteps(QRandomGenerator& random, int max)
    {
        return random.bounded(max * 2 + 1) / 2.0;
    }

    static QString number(double value)
    {
        return QString::number(value, 'f', value == int(value) ? 0 : 1);
    }

    QString connection(QRandomGenerator& random, double gap, double standard) const
    {
        if (gap == 0 && random.bounded(2) == 0)
            return QString();
        if (gap == standard && random.bounded(2) == 0)
            return QStringLiteral("-");
        if (random.bounded(3) == 0)
            return QStringLiteral("-(==%1)-").arg(number(gap));
        return QStringLiteral("-%1-").arg(number(gap));
    }

    explicit RandomChain(QRandomGenerator& random)
    {
        const int count = 1 + random.bounded(8);
        std::vector<int> priorities = {999, 750, 250, 50, 500, 751, 1, 998};
        std::shuffle(priorities.begin(), priorities.end(), random);
        for (int i = 0; i < count; ++i) {
            View view;
            view.flexible = i == 0 || random.bounded(2) == 0;
            view.size = halfSteps(random, 120);
            if (view.flexible) {
                view.minimum = random.bounded(3) == 0 ? halfSteps(random, 30) : 0;
                view.size = std::max(view.size, view.minimum);
                view.priority = priorities[i];
            }
            views.push_back(view);
        }
        std::shuffle(views.begin(), views.end(), random);
        for (int i = 0; i <= count; ++i) {
            const bool edge = i == 0 || i == count;
            const int pick = random.bounded(4);
            gaps.push_back(pick == 0 ? 0 : pick == 1 ? (edge ? 20 : 8) : halfSteps(random, 40));
        }

        double fixed = std::accumulate(gaps.begin(), gaps.end(), 0.0);
        double minimum = 0;
        double preferred = 0;
        for (const View& view : views) {
            (view.flexible ? preferred : fixed) += view.size;
            minimum += view.flexible ? view.minimum : 0;
        }
        // Anywhere from the smallest possible space to well past the preferred one.
        length = fixed + minimum + halfSteps(random, int(preferred - minimum) + 100);
        solveDirectly(length - fixed);
        buildFormat(random);
    }

    void solveDirectly(double space)
    {
        std::vector<int> flexible;
        for (size_t i = 0; i < views.size(); ++i) {
            expectedSizes.push_back(views[i].size);
            if (views[i].flexible) {
                flexible.push_back(int(i));
                space -= views[i].size;
            }
        }
        std::sort(flexible.begin(), flexible.end(),
                  [this](int a, int b) { return views[a].priority < views[b].priority; });
        if (space >= 0) {
            expectedSizes[flexible.front()] += space;
        } else {
            for (const int i : flexible) {
                const double give = std::min(-space, views[i].size - views[i].minimum);
                expectedSizes[i] -= give;
                space += give;
            }
        }
        double position = gaps[0];
        for (size_t i = 0; i < views.size(); ++i) {
            expectedLeading.push_back(position);
            position += expectedSizes[i] + gaps[i + 1];
        }
    }

    void buildFormat(QRandomGenerator& random)
    {
        format = random.bounded(2) ? QStringLiteral("H:|") : QStringLiteral("V:|");
        for (size_t i = 0; i < views.size(); ++i) {
            format += connection(random, gaps[i], i == 0 ? 20 : 8);
            const View& view = views[i];
            QString predicates;
            if (view.flexible) {
                // The preferred size, with or without its relation, and the minimum.
                predicates = QStringLiteral("(%1%2@%3,>=%4)")
                                 .arg(random.bounded(2) ? "==" : "", number(view.size))
                                 .arg(view.priority)
                                 .arg(number(view.minimum));
            } else {
                predicates = QStringLiteral("(==%1)").arg(number(view.size));
            }
            format += QStringLiteral("[v%1%2]").arg(i).arg(predicates);
        }
        format += connection(random, gaps.back(), 20) + u'|';
    }
};

} // namespace

TEST(SolverRandomTest, ChainsMatchDirectlyComputedFrames)
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 300; ++round) {
        const RandomChain chain(random);
        Solver solver;
        ChainLayout layout(solver, chain.length);
        ASSERT_TRUE(layout.add(chain.format)) << chain.format.toStdString();
        for (size_t i = 0; i < chain.views.size(); ++i) {
            const QString name = QStringLiteral("v%1").arg(i);
            ASSERT_NEAR(layout.size(name), chain.expectedSizes[i], 1e-9)
                << chain.format.toStdString() << " in " << chain.length << ", view " << i;
            ASSERT_NEAR(layout.leading(name), chain.expectedLeading[i], 1e-9)
                << chain.format.toStdString() << " in " << chain.length << ", view " << i;
        }
    }
}

namespace {

/// Random linear constraints over a few variables, each variable with a stay
/// on a level of its own below every other strength, so every system has
/// exactly one optimal solution to compare.
class ConstraintFactory {
public:
    explicit ConstraintFactory(QRandomGenerator& random, int variableCount)
        : m_random(random)
    {
        for (int i = 0; i < variableCount; ++i) {
            m_variables.emplace_back(QStringLiteral("x%1").arg(i));
            m_stays.push_back((m_variables.back() == random.bounded(100)) |
                              Strength::fromPriority(1 + i));
        }
    }

    const std::vector<Variable>& variables() const { return m_variables; }
    const std::vector<Constraint>& stays() const { return m_stays; }

    Constraint next()
    {
        Expression expression(double(m_random.bounded(201) - 100));
        const int terms = 1 + m_random.bounded(3);
        for (int i = 0; i < terms; ++i) {
            const int coefficient = m_random.bounded(7) - 3;
            const Variable& variable = m_variables[m_random.bounded(int(m_variables.size()))];
            expression += (coefficient == 0 ? 1 : coefficient) * variable;
        }
        static constexpr Relation relations[] = {Relation::Equal, Relation::LessOrEqual,
                                                 Relation::GreaterOrEqual};
        static constexpr float priorities[] = {1000, 1000, 1000, 999, 750, 500, 250};
        return Constraint(expression, relations[m_random.bounded(3)], Expression(),
                          Strength::fromPriority(priorities[m_random.bounded(7)]));
    }

private:
    QRandomGenerator& m_random;
    std::vector<Variable> m_variables;
    std::vector<Constraint> m_stays;
};

std::vector<double> valuesOf(Solver& solver, const std::vector<Variable>& variables)
{
    solver.updateVariables();
    std::vector<double> values;
    for (const Variable& variable : variables)
        values.push_back(variable.value());
    return values;
}

/// A required equality that follows from two present ones (their sum with
/// random factors), when there are two; else a contradiction or tautology.
Constraint implied(QRandomGenerator& random, const std::vector<Constraint>& present)
{
    std::vector<Constraint> equalities;
    for (const Constraint& constraint : present) {
        if (constraint.isRequired() && constraint.relation() == Relation::Equal)
            equalities.push_back(constraint);
    }
    Expression sum(double(random.bounded(2)));
    if (equalities.size() >= 2) {
        std::shuffle(equalities.begin(), equalities.end(), random);
        sum = equalities[0].expression() * (random.bounded(5) - 2) +
              equalities[1].expression() * (1 + random.bounded(2));
    }
    return random.bounded(2) ? Constraint(sum, Relation::Equal, 0.0)
                             : Constraint(0.0, Relation::Equal, -sum);
}

} // namespace

TEST(SolverRandomTest, AddAndRemoveSequencesMatchAFreshSolver)
{
    QRandomGenerator random(90210);
    int refused = 0;
    for (int round = 0; round < 30; ++round) {
        ConstraintFactory factory(random, 3 + random.bounded(4));
        Solver incremental;
        for (const Constraint& stay : factory.stays())
            ASSERT_EQ(incremental.addConstraint(stay), AddResult::Added);
        std::vector<Constraint> present;

        for (int step = 0; step < 60; ++step) {
            const std::vector<double> before = valuesOf(incremental, factory.variables());
            if (present.empty() || random.bounded(10) < 6) {
                const Constraint constraint =
                    random.bounded(4) == 0 ? implied(random, present) : factory.next();
                const AddResult result = incremental.addConstraint(constraint);
                if (result == AddResult::Unsatisfiable) {
                    ++refused;
                    // Nothing may change, not even by rounding.
                    ASSERT_EQ(valuesOf(incremental, factory.variables()), before);
                    ASSERT_FALSE(incremental.hasConstraint(constraint));
                    continue;
                }
                ASSERT_EQ(result, AddResult::Added);
                present.push_back(constraint);
            } else {
                const auto victim = present.begin() + random.bounded(int(present.size()));
                ASSERT_TRUE(incremental.removeConstraint(*victim));
                present.erase(victim);
            }

            Solver fresh;
            for (const Constraint& stay : factory.stays())
                fresh.addConstraint(stay);
            for (const Constraint& constraint : present)
                ASSERT_EQ(fresh.addConstraint(constraint), AddResult::Added);
            const std::vector<double> expected = valuesOf(fresh, factory.variables());
            const std::vector<double> actual = valuesOf(incremental, factory.variables());
            for (size_t i = 0; i < expected.size(); ++i) {
                ASSERT_NEAR(actual[i], expected[i], 1e-6 * std::max(1.0, std::abs(expected[i])))
                    << "round " << round << " step " << step << " variable " << i;
            }
            for (const Constraint& constraint : present) {
                if (constraint.isRequired()) {
                    ASSERT_TRUE(constraint.isSatisfied(1e-6))
                        << constraint.description().toStdString();
                }
            }
        }
    }
    EXPECT_GT(refused, 50) << "the sequences should exercise refusals too";
}
