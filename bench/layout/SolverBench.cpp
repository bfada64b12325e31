// Solver cost of a screen-sized layout: 200 views in a 20 x 10 grid, four
// variables each (800), and about 800 constraints of the kinds the screens
// use: chained edges, sizes at compression priority, required edges and a
// container width that is edited by hand.

#include "ui/layout/Solver.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace kesvor::ui::layout;

namespace {

constexpr int rows = 20;
constexpr int columns = 10;
constexpr double spacing = 8;

struct Frame {
    Variable left, top, width, height;
};

struct Grid {
    Variable containerWidth{QStringLiteral("container.width")};
    std::vector<Frame> frames = std::vector<Frame>(rows * columns);
    std::vector<Constraint> constraints;

    Grid()
    {
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const Frame& frame = at(row, column);
                const int index = row * columns + column;
                if (column == 0) {
                    constraints.push_back(frame.left == spacing);
                } else {
                    const Frame& previous = at(row, column - 1);
                    constraints.push_back(frame.left == previous.left + previous.width + spacing);
                }
                if (column == columns - 1)
                    constraints.push_back(frame.left + frame.width <= containerWidth - spacing);
                constraints.push_back((frame.width == 40 + (index % 7) * 3) |
                                      Strength::fromPriority(750));
                if (row == 0) {
                    constraints.push_back(frame.top == spacing);
                } else {
                    const Frame& above = at(row - 1, column);
                    constraints.push_back(frame.top == above.top + above.height + spacing);
                }
                constraints.push_back(index % 5 == 0
                                          ? (frame.height == 44) | Strength::fromPriority(999)
                                          : frame.height == 44 + (index % 3) * 0.5);
            }
        }
    }

    Frame& at(int row, int column) { return frames[row * columns + column]; }

    void build(Solver& solver, double width) const
    {
        for (const Constraint& constraint : constraints)
            solver.addConstraint(constraint);
        solver.addEditVariable(containerWidth, Strength::strong);
        solver.suggestValue(containerWidth, width);
        solver.updateVariables();
    }
};

void BM_BuildAndSolve(benchmark::State& state)
{
    const Grid grid;
    for (auto _ : state) {
        Solver solver;
        grid.build(solver, 640);
        benchmark::DoNotOptimize(grid.frames.back().left.value());
    }
    state.counters["constraints"] = double(grid.constraints.size());
    state.counters["variables"] = double(grid.frames.size() * 4 + 1);
}
BENCHMARK(BM_BuildAndSolve)->Unit(benchmark::kMicrosecond);

void BM_ResolveAfterSuggest(benchmark::State& state)
{
    const Grid grid;
    Solver solver;
    grid.build(solver, 640);
    // Alternating widths: one wide enough for every preferred width, one
    // that makes each row compress its views.
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        solver.suggestValue(grid.containerWidth, wide ? 800 : 520);
        solver.updateVariables();
        benchmark::DoNotOptimize(grid.frames.back().width.value());
    }
}
BENCHMARK(BM_ResolveAfterSuggest)->Unit(benchmark::kMicrosecond);

void BM_SwapConstraintSet(benchmark::State& state)
{
    // The screens swap whole constraint sets (one, two or three buttons);
    // here ten required heights are replaced by ten others and back.
    Grid grid;
    Solver solver;
    grid.build(solver, 640);
    std::vector<Constraint> tall, shortSet;
    for (int column = 0; column < columns; ++column) {
        tall.push_back(grid.at(rows - 1, column).height >= 60);
        shortSet.push_back(grid.at(rows - 1, column).height <= 40);
    }
    bool useTall = false;
    for (auto _ : state) {
        useTall = !useTall;
        for (const Constraint& constraint : useTall ? shortSet : tall)
            solver.removeConstraint(constraint);
        for (const Constraint& constraint : useTall ? tall : shortSet)
            solver.addConstraint(constraint);
        solver.updateVariables();
    }
}
BENCHMARK(BM_SwapConstraintSet)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
