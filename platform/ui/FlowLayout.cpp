#include "ui/FlowLayout.h"

#include "foundation/DebugLog.h"
#include "ui/CollectionReusableView.h"
#include "ui/CollectionView.h"
#include "ui/CollectionViewDelegateFlowLayout.h"

#include <algorithm>

namespace kesvor::ui {

namespace {

double nonNegative(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0;
}

double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0;
}

EdgeInsets sanitized(const EdgeInsets& inset)
{
    return EdgeInsets{finiteOrZero(inset.top), finiteOrZero(inset.left), finiteOrZero(inset.bottom),
                      finiteOrZero(inset.right)};
}

QSizeF sanitized(const QSizeF& size)
{
    return QSizeF(nonNegative(size.width()), nonNegative(size.height()));
}

} // namespace

FlowLayout::FlowLayout() = default;

void FlowLayout::setScrollDirection(ScrollDirection direction)
{
    if (direction == m_scrollDirection)
        return;
    m_scrollDirection = direction;
    invalidateLayout();
}

void FlowLayout::setItemSize(const QSizeF& size)
{
    m_itemSize = sanitized(size);
    invalidateLayout();
}

void FlowLayout::setMinimumLineSpacing(double spacing)
{
    m_minimumLineSpacing = nonNegative(spacing);
    invalidateLayout();
}

void FlowLayout::setMinimumInteritemSpacing(double spacing)
{
    m_minimumInteritemSpacing = nonNegative(spacing);
    invalidateLayout();
}

void FlowLayout::setHeaderReferenceSize(const QSizeF& size)
{
    m_headerReferenceSize = sanitized(size);
    invalidateLayout();
}

void FlowLayout::setSectionInset(const EdgeInsets& inset)
{
    m_sectionInset = sanitized(inset);
    invalidateLayout();
}

void FlowLayout::setCollectionView(CollectionView* collectionView)
{
    m_collectionView = collectionView;
    m_geometry = Geometry{};
    m_prepared = false;
    m_firstInvalid = IndexPath{0, 0};
}

void FlowLayout::invalidateLayout()
{
    m_prepared = false;
    m_firstInvalid = IndexPath{0, 0};
    if (m_collectionView)
        m_collectionView->setNeedsLayout();
}

void FlowLayout::invalidateFrom(const IndexPath& first)
{
    m_prepared = false;
    m_firstInvalid = std::min(m_firstInvalid, first);
}

double FlowLayout::crossExtent() const
{
    const QSizeF size = m_collectionView->bounds().size();
    const EdgeInsets inset = m_collectionView->contentInset();
    const double extent = m_scrollDirection == ScrollDirection::Vertical
                              ? size.width() - inset.left - inset.right
                              : size.height() - inset.top - inset.bottom;
    return nonNegative(extent);
}

QRectF FlowLayout::makeFrame(double main, double cross, double mainLength, double crossLength) const
{
    return m_scrollDirection == ScrollDirection::Vertical
               ? QRectF(cross, main, crossLength, mainLength)
               : QRectF(main, cross, mainLength, crossLength);
}

// --- Computing ----------------------------------------------------------------

void FlowLayout::prepare()
{
    if (!m_collectionView)
        return;
    const double cross = crossExtent();
    if (cross != m_preparedCrossExtent) {
        m_preparedCrossExtent = cross;
        m_firstInvalid = IndexPath{0, 0};
        m_prepared = false;
    }
    if (m_prepared)
        return;
    auto* delegate = dynamic_cast<CollectionViewDelegateFlowLayout*>(m_collectionView->delegate());
    auto& sections = m_geometry.sections;
    const int count = m_collectionView->numberOfSections();
    const int first = std::min({m_firstInvalid.section, count, static_cast<int>(sections.size())});
    const int fromItem = first == m_firstInvalid.section ? m_firstInvalid.item : 0;
    sections.resize(static_cast<size_t>(count));
    double position = first > 0 ? sections[static_cast<size_t>(first - 1)].end : 0;
    m_badSizes = 0;
    for (int section = first; section < count; ++section) {
        layoutSection(section, section == first ? fromItem : 0, position, delegate);
        position = sections[static_cast<size_t>(section)].end;
    }
    m_geometry.contentSize = m_scrollDirection == ScrollDirection::Vertical
                                 ? QSizeF(cross, position)
                                 : QSizeF(position, cross);
    if (m_badSizes > 0)
        KESVOR_DEBUG_LOG << "FlowLayout:" << m_badSizes
                         << "item size(s) were negative or not numbers; placed as 0";
    m_prepared = true;
    m_firstInvalid = IndexPath{INT_MAX, 0};
}

FlowLayout::Metrics FlowLayout::metricsFor(int section,
                                           CollectionViewDelegateFlowLayout* delegate) const
{
    Metrics metrics{m_sectionInset, m_minimumLineSpacing, m_minimumInteritemSpacing,
                    m_headerReferenceSize};
    if (!delegate)
        return metrics;
    auto& collectionView = *m_collectionView;
    auto& self = const_cast<FlowLayout&>(*this);
    if (const auto inset = delegate->insetForSectionAt(collectionView, self, section))
        metrics.inset = sanitized(*inset);
    if (const auto spacing =
            delegate->minimumLineSpacingForSectionAt(collectionView, self, section))
        metrics.lineSpacing = nonNegative(*spacing);
    if (const auto spacing =
            delegate->minimumInteritemSpacingForSectionAt(collectionView, self, section))
        metrics.interitemSpacing = nonNegative(*spacing);
    if (const auto size = delegate->referenceSizeForHeaderInSection(collectionView, self, section))
        metrics.headerSize = sanitized(*size);
    return metrics;
}

QSizeF FlowLayout::itemSizeAt(const IndexPath& indexPath,
                              CollectionViewDelegateFlowLayout* delegate)
{
    const std::optional<QSizeF> answer =
        delegate ? delegate->sizeForItemAt(*m_collectionView, *this, indexPath) : std::nullopt;
    if (!answer)
        return m_itemSize;
    const QSizeF size = sanitized(*answer);
    if (size.width() != answer->width() || size.height() != answer->height())
        ++m_badSizes;
    return size;
}

void FlowLayout::layoutSection(int index, int fromItem, double origin,
                               CollectionViewDelegateFlowLayout* delegate)
{
    Section& section = m_geometry.sections[static_cast<size_t>(index)];
    const Metrics metrics = metricsFor(index, delegate);
    const int count = std::max(0, m_collectionView->numberOfItemsInSection(index));
    const bool vertical = m_scrollDirection == ScrollDirection::Vertical;
    const EdgeInsets& inset = metrics.inset;

    const int restart = fromItem > 0 ? keepLinesBefore(section, std::min(fromItem, count)) : 0;
    if (restart == 0) {
        section = Section{};
        section.start = origin;
        const double header = vertical ? metrics.headerSize.height() : metrics.headerSize.width();
        if (header > 0)
            section.header = makeFrame(origin, 0, header, crossExtent());
        section.itemsStart =
            origin + header + (count > 0 ? (vertical ? inset.top : inset.left) : 0);
    }
    section.items.reserve(static_cast<size_t>(count));

    const double crossStart = vertical ? inset.left : inset.top;
    const double available = crossExtent() - crossStart - (vertical ? inset.right : inset.bottom);
    std::vector<double> lineOffsets;
    double lineLength = 0;
    int lineFirst = restart;
    for (int item = restart; item < count; ++item) {
        const QSizeF size = itemSizeAt(IndexPath{index, item}, delegate);
        const double across = vertical ? size.width() : size.height();
        if (!lineOffsets.empty() && lineLength + metrics.interitemSpacing + across > available) {
            placeLine(section, metrics, lineFirst, lineOffsets);
            lineFirst = item;
            lineOffsets.clear();
        }
        const double offset = lineOffsets.empty() ? 0 : lineLength + metrics.interitemSpacing;
        lineOffsets.push_back(offset);
        lineLength = offset + across;
        section.items.emplace_back(QPointF(), size);
    }
    if (!lineOffsets.empty())
        placeLine(section, metrics, lineFirst, lineOffsets);

    const Line* last = section.lines.empty() ? nullptr : &section.lines.back();
    section.end = last && count > 0
                      ? last->start + last->extent + (vertical ? inset.bottom : inset.right)
                      : section.itemsStart;
}

int FlowLayout::keepLinesBefore(Section& section, int item) const
{
    if (item <= 0 || section.lines.empty())
        return 0;
    // The line holding the last kept item may take more items now: it is
    // laid out again too.
    const auto holder =
        std::partition_point(section.lines.begin(), section.lines.end(),
                             [item](const Line& line) { return line.firstItem <= item - 1; });
    const auto line = std::prev(holder);
    const int restart = line->firstItem;
    section.lines.erase(line, section.lines.end());
    section.items.resize(static_cast<size_t>(restart));
    return restart;
}

void FlowLayout::placeLine(Section& section, const Metrics& metrics, int firstItem,
                           const std::vector<double>& crossOffsets)
{
    const bool vertical = m_scrollDirection == ScrollDirection::Vertical;
    const double start =
        section.lines.empty()
            ? section.itemsStart
            : section.lines.back().start + section.lines.back().extent + metrics.lineSpacing;
    const auto first = section.items.begin() + firstItem;
    const auto end = first + static_cast<std::ptrdiff_t>(crossOffsets.size());
    double extent = 0;
    for (auto item = first; item != end; ++item)
        extent = std::max(extent, vertical ? item->height() : item->width());
    const double crossStart = vertical ? metrics.inset.left : metrics.inset.top;
    size_t index = 0;
    for (auto item = first; item != end; ++item, ++index) {
        const double along = vertical ? item->height() : item->width();
        const double across = vertical ? item->width() : item->height();
        *item = makeFrame(start + (extent - along) / 2, crossStart + crossOffsets[index], along,
                          across);
    }
    section.lines.push_back(Line{firstItem, start, extent});
}

// --- Answers ------------------------------------------------------------------

bool FlowLayout::overlaps(const QRectF& frame, const QRectF& rect) const
{
    // Edges that touch count, so that items of no height are found too.
    return frame.left() <= rect.right() && frame.right() >= rect.left() &&
           frame.top() <= rect.bottom() && frame.bottom() >= rect.top();
}

std::vector<LayoutAttributes> FlowLayout::layoutAttributesForElements(const QRectF& rect) const
{
    std::vector<LayoutAttributes> result;
    const bool vertical = m_scrollDirection == ScrollDirection::Vertical;
    const double low = vertical ? rect.top() : rect.left();
    const double high = vertical ? rect.bottom() : rect.right();
    const auto& sections = m_geometry.sections;
    auto section = std::partition_point(sections.begin(), sections.end(),
                                        [low](const Section& s) { return s.end < low; });
    for (; section != sections.end() && section->start <= high; ++section) {
        const int index = static_cast<int>(section - sections.begin());
        if (!section->header.isNull() && overlaps(section->header, rect))
            result.push_back(LayoutAttributes{IndexPath{index, 0},
                                              CollectionElementKindSectionHeader, section->header});
        auto line = std::partition_point(section->lines.begin(), section->lines.end(),
                                         [low](const Line& l) { return l.start + l.extent < low; });
        for (; line != section->lines.end() && line->start <= high; ++line) {
            const auto next = std::next(line);
            const int end = next == section->lines.end() ? static_cast<int>(section->items.size())
                                                         : next->firstItem;
            for (int item = line->firstItem; item < end; ++item) {
                const QRectF& frame = section->items[static_cast<size_t>(item)];
                if (overlaps(frame, rect))
                    result.push_back(LayoutAttributes{IndexPath{index, item}, QString(), frame});
            }
        }
    }
    return result;
}

std::optional<QRectF> FlowLayout::Geometry::itemFrame(const IndexPath& indexPath) const
{
    if (indexPath.section < 0 || indexPath.section >= static_cast<int>(sections.size()))
        return std::nullopt;
    const auto& items = sections[static_cast<size_t>(indexPath.section)].items;
    if (indexPath.item < 0 || indexPath.item >= static_cast<int>(items.size()))
        return std::nullopt;
    return items[static_cast<size_t>(indexPath.item)];
}

std::optional<QRectF> FlowLayout::Geometry::headerFrame(int section) const
{
    if (section < 0 || section >= static_cast<int>(sections.size()))
        return std::nullopt;
    const QRectF& header = sections[static_cast<size_t>(section)].header;
    return header.isNull() ? std::nullopt : std::optional<QRectF>(header);
}

std::optional<LayoutAttributes>
FlowLayout::layoutAttributesForItem(const IndexPath& indexPath) const
{
    const auto frame = m_geometry.itemFrame(indexPath);
    if (!frame)
        return std::nullopt;
    return LayoutAttributes{indexPath, QString(), *frame};
}

std::optional<LayoutAttributes>
FlowLayout::layoutAttributesForSupplementaryView(const QString& kind,
                                                 const IndexPath& indexPath) const
{
    if (kind != CollectionElementKindSectionHeader)
        return std::nullopt;
    const auto frame = m_geometry.headerFrame(indexPath.section);
    if (!frame)
        return std::nullopt;
    return LayoutAttributes{indexPath, kind, *frame};
}

} // namespace kesvor::ui
