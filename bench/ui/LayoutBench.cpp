// One layout pass of a view tree the size of a busy screen: 200 views and
// 800 constraints made through the toolkit (visual-format strings and
// explicit constraints), with labels that bring intrinsic sizes and, in every
// fourth row, wrap and need a second pass.
//
// The tree: a root 320 points wide holding 40 rows of 5 views (the row and
// four children), each row with 20 constraints.

#include "ui/Label.h"
#include "ui/View.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace kesvor::ui;

namespace {

constexpr int rowCount = 40;
constexpr double rootWidth = 320;

struct Tree {
    std::unique_ptr<View> root = std::make_unique<View>(QRectF(0, 0, rootWidth, 4000));
    QList<LayoutConstraint> gaps;
    int views = 1;

    Tree()
    {
        View* previous = nullptr;
        for (int row = 0; row < rowCount; ++row) {
            View* rowView = addRow(row);
            root->addConstraints("H:|-0-[v0]-0-|", {rowView});
            LayoutConstraint gap =
                previous ? LayoutConstraint(rowView, LayoutAttribute::Top, LayoutRelation::Equal,
                                            previous, LayoutAttribute::Bottom, 1.0, 4)
                         : LayoutConstraint(rowView, LayoutAttribute::Top, LayoutRelation::Equal,
                                            root.get(), LayoutAttribute::Top, 1.0, 4);
            gap.setActive(true);
            gaps.append(gap);
            LayoutConstraint(rowView, LayoutAttribute::Height, LayoutRelation::GreaterThanOrEqual,
                             44)
                .setActive(true);
            previous = rowView;
        }
    }

    int activeConstraints() const
    {
        QSet<LayoutConstraint> all;
        for (View* view : root->findChildren<View*>())
            for (const LayoutConstraint& constraint : view->constraints())
                all.insert(constraint);
        return int(all.size());
    }

    View* addRow(int row)
    {
        auto* rowView = new View;
        root->addSubview(rowView);
        auto* icon = new View;
        auto* name = new Label;
        name->setText(QStringLiteral("Row %1").arg(row));
        auto* badge = new View;
        auto* detail = new Label;
        detail->setText(QStringLiteral("Details of row %1, long enough to wrap onto a second "
                                       "line when the row is narrow")
                            .arg(row));
        detail->setNumberOfLines(row % 4 == 0 ? 0 : 1);
        for (View* child : {static_cast<View*>(icon), static_cast<View*>(name), badge,
                            static_cast<View*>(detail)})
            rowView->addSubview(child);
        views += 5;
        rowView->addConstraints("H:|-10-[v0(==40)]-8-[v1]-8-[v2(==60)]-10-|", {icon, name, badge});
        rowView->addConstraints("H:|-10-[v0]-10-|", {detail});
        rowView->addConstraints("V:|-5-[v0(==30)]-4-[v1]-5-|", {icon, detail});
        rowView->addConstraints("V:|-5-[v0]", {name});
        rowView->addConstraint(LayoutConstraint(
            name, LayoutAttribute::Height, LayoutRelation::Equal, icon, LayoutAttribute::Height));
        rowView->addConstraints("V:|-5-[v0(==30)]", {badge});
        return rowView;
    }
};

void checkSize(benchmark::State& state, const Tree& tree)
{
    if (tree.views != 201 || tree.activeConstraints() != 800)
        state.SkipWithError("the tree is not 200 views and 800 constraints");
}

// Everything the first pass over a new screen does: the engine takes in the
// constraints, measures the labels and solves, wrapping labels twice.
void BM_FirstLayoutPass(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<Tree>();
        checkSize(state, *tree);
        state.ResumeTiming();
        tree->root->layoutIfNeeded();
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstLayoutPass)->Unit(benchmark::kMillisecond);

// A resize: the root's width changes and every row is laid out again.
void BM_RelayoutAfterResize(benchmark::State& state)
{
    Tree tree;
    checkSize(state, tree);
    tree.root->layoutIfNeeded();
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        tree.root->setFrame(QRectF(0, 0, wide ? 375 : rootWidth, 4000));
        tree.root->layoutIfNeeded();
    }
}
BENCHMARK(BM_RelayoutAfterResize)->Unit(benchmark::kMillisecond);

// A keyboard-style change: one constraint constant moves everything below it.
void BM_RelayoutAfterConstantChange(benchmark::State& state)
{
    Tree tree;
    checkSize(state, tree);
    tree.root->layoutIfNeeded();
    bool moved = false;
    for (auto _ : state) {
        moved = !moved;
        tree.gaps.first().setConstant(moved ? 120 : 4);
        tree.root->layoutIfNeeded();
    }
}
BENCHMARK(BM_RelayoutAfterConstantChange)->Unit(benchmark::kMillisecond);

} // namespace
