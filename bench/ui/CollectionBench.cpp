// Scrolling a long list: 10,000 items of mixed heights in 100 day sections
// with headers, a phone-sized screen, and cells like a chat's: a rounded
// bubble holding a wrapping label, placed by visual-format constraints.
//
// One step scrolls one full screen and lays the list out: the cells that
// left are reused for the ones that came in, filled with new text, and the
// layout engine solves their contents at their new sizes.

#include "ui/CollectionView.h"
#include "ui/CollectionViewDelegateFlowLayout.h"
#include "ui/Color.h"
#include "ui/Label.h"

#include <QtCore/QRandomGenerator>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kesvor::ui;

namespace {

constexpr int sectionCount = 100;
constexpr int itemsPerSection = 100;
constexpr double screenWidth = 375;
constexpr double screenHeight = 667;

class BubbleCell : public CollectionViewCell {
public:
    explicit BubbleCell(const QRectF& frame)
        : CollectionViewCell(frame)
    {
        auto* bubble = new View;
        bubble->setBackgroundColor(Color::white());
        bubble->setCornerRadius(8);
        m_label->setNumberOfLines(0);
        bubble->addSubview(m_label);
        contentView()->addSubview(bubble);
        contentView()->addConstraints("H:|-16-[v0]-60-|", {bubble});
        contentView()->addConstraints("V:|-4-[v0]-4-|", {bubble});
        bubble->addConstraints("H:|-12-[v0]-12-|", {m_label});
        bubble->addConstraints("V:|-8-[v0]", {m_label});
    }

    void setText(const QString& text) { m_label->setText(text); }
    const Label& label() const { return *m_label; }

private:
    Label* m_label = new Label;
};

class Header : public CollectionReusableView {
public:
    explicit Header(const QRectF& frame)
        : CollectionReusableView(frame)
    {
        setBackgroundColor(Color::lightGray());
    }
};

class LongList : public CollectionViewDataSource, public CollectionViewDelegateFlowLayout {
public:
    LongList()
    {
        QRandomGenerator random(7);
        const QString words = QStringLiteral(
            "Thanks for waiting, an agent will be with you shortly. Your order has shipped "
            "and should arrive on Tuesday. Could you tell me the number on the receipt? ");
        for (int i = 0; i < sectionCount * itemsPerSection; ++i) {
            const int lines = int(random.bounded(1, 6));
            m_heights.push_back(24 + 21.5 * lines);
            m_texts.push_back(words.left(int(random.bounded(12, int(words.size())))));
        }
    }

    int numberOfSections(CollectionView&) override { return sectionCount; }
    int numberOfItemsInSection(CollectionView&, int) override { return itemsPerSection; }
    CollectionViewCell* cellForItemAt(CollectionView& view, const IndexPath& indexPath) override
    {
        auto* cell = view.dequeueReusableCell<BubbleCell>(QStringLiteral("bubble"), indexPath);
        cell->setText(m_texts[index(indexPath)]);
        return cell;
    }
    CollectionReusableView* viewForSupplementaryElementOfKind(CollectionView& view,
                                                              const QString& kind,
                                                              const IndexPath& indexPath) override
    {
        return view.dequeueReusableSupplementaryView(kind, QStringLiteral("header"), indexPath);
    }
    std::optional<QSizeF> sizeForItemAt(CollectionView& view, FlowLayout&,
                                        const IndexPath& indexPath) override
    {
        return QSizeF(view.bounds().width(), m_heights[index(indexPath)]);
    }
    std::optional<double> minimumLineSpacingForSectionAt(CollectionView&, FlowLayout&, int) override
    {
        return 4;
    }
    std::optional<QSizeF> referenceSizeForHeaderInSection(CollectionView& view, FlowLayout&,
                                                          int) override
    {
        return QSizeF(view.bounds().width(), 25);
    }

private:
    static size_t index(const IndexPath& indexPath)
    {
        return static_cast<size_t>(indexPath.section * itemsPerSection + indexPath.item);
    }

    std::vector<double> m_heights;
    std::vector<QString> m_texts;
};

struct Screen {
    LongList source;
    std::unique_ptr<View> root = std::make_unique<View>(QRectF(0, 0, screenWidth, screenHeight));
    CollectionView* list = new CollectionView(QRectF(0, 64, screenWidth, screenHeight - 64));

    Screen()
    {
        root->addSubview(list);
        list->collectionViewLayout().setSectionInset(EdgeInsets{0, 0, 10, 0});
        list->registerCell<BubbleCell>(QStringLiteral("bubble"));
        list->registerSupplementaryView<Header>(CollectionElementKindSectionHeader,
                                                QStringLiteral("header"));
        list->setDataSource(&source);
        list->setDelegate(&source);
        root->show();
        root->layoutIfNeeded();
    }

    /// One screen further, from the top again after the end.
    void step()
    {
        const double height = list->bounds().height();
        double next = list->contentOffset().y() + height;
        if (next > list->maximumContentOffset().y())
            next = 0;
        list->setContentOffset(QPointF(0, next));
        root->layoutIfNeeded();
    }
};

// The benchmark measures what it claims only when the cells are really laid
// out: bubbles inset in their cells, labels wrapped inside the bubbles.
void checkCells(benchmark::State& state, Screen& screen)
{
    const QList<CollectionViewCell*> cells = screen.list->visibleCells();
    for (CollectionViewCell* cell : cells) {
        const Label& label = static_cast<BubbleCell*>(cell)->label();
        const QRectF bubble = label.superview()->frame();
        const QRectF expected(16, 4, cell->frame().width() - 76, cell->frame().height() - 8);
        if (cells.size() < 5 || bubble != expected ||
            label.frame().width() != expected.width() - 24 || label.frame().height() <= 0 ||
            label.text().isEmpty()) {
            state.SkipWithError("the cells are not laid out");
            return;
        }
    }
}

// One screen per step through the whole list, layout included.
void BM_ScrollOneScreen(benchmark::State& state)
{
    Screen screen;
    // Warm up: the cells a screen needs exist after the first pass.
    for (int i = 0; i < 5; ++i)
        screen.step();
    for (auto _ : state)
        screen.step();
    checkCells(state, screen);
    state.counters["live cells"] = double(screen.list->findChildren<CollectionViewCell*>().size());
}
BENCHMARK(BM_ScrollOneScreen)->Unit(benchmark::kMillisecond)->MinTime(3);

// The same steps with the screen drawn, for scale: most of it is Qt's
// raster painting of the labels.
void BM_ScrollOneScreenAndDraw(benchmark::State& state)
{
    Screen screen;
    QImage image(int(screenWidth), int(screenHeight), QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 5; ++i)
        screen.step();
    for (auto _ : state) {
        screen.step();
        QPainter painter(&image);
        screen.root->render(&painter);
    }
    checkCells(state, screen);
}
BENCHMARK(BM_ScrollOneScreenAndDraw)->Unit(benchmark::kMillisecond)->MinTime(2);

// Reloading: every size asked for again and the first screen made.
void BM_ReloadTenThousandItems(benchmark::State& state)
{
    Screen screen;
    for (auto _ : state) {
        screen.list->reloadData();
        screen.root->layoutIfNeeded();
    }
}
BENCHMARK(BM_ReloadTenThousandItems)->Unit(benchmark::kMillisecond);

// A message arriving at the end of the list: a batch update that inserts
// one item into the last section and scrolls to it.
void BM_AppendOneItem(benchmark::State& state)
{
    Screen screen;
    int extra = 0;
    struct Growing : LongList {
        int* extra;
        int numberOfItemsInSection(CollectionView& view, int section) override
        {
            return LongList::numberOfItemsInSection(view, section) +
                   (section == sectionCount - 1 ? *extra : 0);
        }
        CollectionViewCell* cellForItemAt(CollectionView& view, const IndexPath& path) override
        {
            return LongList::cellForItemAt(view, {path.section, path.item % itemsPerSection});
        }
        std::optional<QSizeF> sizeForItemAt(CollectionView& view, FlowLayout& layout,
                                            const IndexPath& path) override
        {
            return LongList::sizeForItemAt(view, layout,
                                           {path.section, path.item % itemsPerSection});
        }
    } growing;
    growing.extra = &extra;
    screen.list->setDataSource(&growing);
    screen.list->setDelegate(&growing);
    screen.root->layoutIfNeeded();
    for (auto _ : state) {
        const int item = itemsPerSection + extra;
        screen.list->performBatchUpdates([&] {
            ++extra;
            screen.list->insertItems({{sectionCount - 1, item}});
        });
        screen.list->scrollToItem({sectionCount - 1, item}, ScrollPosition::Bottom, false);
        screen.root->layoutIfNeeded();
    }
}
BENCHMARK(BM_AppendOneItem)->Unit(benchmark::kMillisecond);

} // namespace
