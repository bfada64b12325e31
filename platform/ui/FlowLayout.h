#pragma once

#include "ui/Geometry.h"
#include "ui/IndexPath.h"

#include <QtCore/QRectF>
#include <QtCore/QString>

#include <climits>
#include <optional>
#include <vector>

namespace kesvor::ui {

class CollectionView;
class CollectionViewDelegateFlowLayout;

enum class ScrollDirection { Vertical, Horizontal };

/// Where one element of a collection view goes, in content coordinates.
struct LayoutAttributes {
    IndexPath indexPath;
    /// Empty for cells; the supplementary kind (a section header) otherwise.
    QString representedElementKind;
    QRectF frame;

    bool isCell() const { return representedElementKind.isEmpty(); }
};

/// Places a collection view's items in lines: across the scroll direction
/// items follow each other with at least the inter-item spacing until the
/// next one would not fit, then a new line starts, the line spacing further
/// along. A vertical list with one item per line is the common case.
///
/// Each section starts with its header (as long as the header reference
/// size says along the scroll direction, as wide as the content across it),
/// then the section inset, the lines and the inset's far side. Items line
/// up from the inset's leading edge, exactly the inter-item spacing apart,
/// and are centred across their line when it is thicker than they are. A
/// section without items has only its header. Content runs across the
/// collection view's bounds less its content insets.
///
/// The collection view's delegate, when it is a
/// CollectionViewDelegateFlowLayout, may answer each property per section or
/// per item. Frames are exact sums of the answers; sizes that are negative
/// or not numbers count as 0.
///
/// Frames are computed once and kept; the collection view recomputes from
/// the first item a batch update touches, and everything when the width
/// across the scroll direction changes or invalidateLayout() is called.
/// Finding the elements in a rectangle is a binary search.
class FlowLayout {
public:
    FlowLayout();
    FlowLayout(const FlowLayout&) = delete;
    FlowLayout& operator=(const FlowLayout&) = delete;

    ScrollDirection scrollDirection() const { return m_scrollDirection; }
    void setScrollDirection(ScrollDirection direction);
    /// Items' size unless the delegate answers (50 × 50).
    QSizeF itemSize() const { return m_itemSize; }
    void setItemSize(const QSizeF& size);
    /// Between lines (10).
    double minimumLineSpacing() const { return m_minimumLineSpacing; }
    void setMinimumLineSpacing(double spacing);
    /// Between items of one line (10).
    double minimumInteritemSpacing() const { return m_minimumInteritemSpacing; }
    void setMinimumInteritemSpacing(double spacing);
    /// Section headers' size; only the extent along the scroll direction
    /// counts. 0 there: no header.
    QSizeF headerReferenceSize() const { return m_headerReferenceSize; }
    void setHeaderReferenceSize(const QSizeF& size);
    EdgeInsets sectionInset() const { return m_sectionInset; }
    void setSectionInset(const EdgeInsets& inset);

    /// The collection view this layout places, while it is attached.
    CollectionView* collectionView() const { return m_collectionView; }
    /// Everything is measured again on the collection view's next layout.
    void invalidateLayout();

    // --- Answers (as of the collection view's last layout) ------------------------

    QSizeF collectionViewContentSize() const { return m_geometry.contentSize; }
    /// The cells and headers that meet rect, in index-path order.
    std::vector<LayoutAttributes> layoutAttributesForElements(const QRectF& rect) const;
    std::optional<LayoutAttributes> layoutAttributesForItem(const IndexPath& indexPath) const;
    std::optional<LayoutAttributes>
    layoutAttributesForSupplementaryView(const QString& kind, const IndexPath& indexPath) const;

private:
    friend class CollectionView;

    struct Line {
        int firstItem = 0;
        double start = 0;
        double extent = 0;
    };
    struct Section {
        double start = 0;
        double itemsStart = 0;
        double end = 0;
        QRectF header;
        std::vector<QRectF> items;
        std::vector<Line> lines;
    };
    struct Metrics {
        EdgeInsets inset;
        double lineSpacing = 0;
        double interitemSpacing = 0;
        QSizeF headerSize;
    };
    /// The computed frames: a value, so a copy keeps the frames of before an
    /// update.
    struct Geometry {
        std::vector<Section> sections;
        QSizeF contentSize;

        std::optional<QRectF> itemFrame(const IndexPath& indexPath) const;
        std::optional<QRectF> headerFrame(int section) const;
    };

    void setCollectionView(CollectionView* collectionView);
    bool isPrepared() const { return m_prepared; }
    /// Computes what is invalid; does nothing when everything is valid.
    void prepare();
    /// Keeps the frames before first and recomputes the rest.
    void invalidateFrom(const IndexPath& first);

    double crossExtent() const;
    Metrics metricsFor(int section, CollectionViewDelegateFlowLayout* delegate) const;
    QSizeF itemSizeAt(const IndexPath& indexPath, CollectionViewDelegateFlowLayout* delegate);
    void layoutSection(int section, int fromItem, double origin,
                       CollectionViewDelegateFlowLayout* delegate);
    int keepLinesBefore(Section& section, int item) const;
    void placeLine(Section& section, const Metrics& metrics, int firstItem,
                   const std::vector<double>& crossOffsets);
    QRectF makeFrame(double main, double cross, double mainLength, double crossLength) const;
    bool overlaps(const QRectF& frame, const QRectF& rect) const;

    ScrollDirection m_scrollDirection = ScrollDirection::Vertical;
    QSizeF m_itemSize{50, 50};
    double m_minimumLineSpacing = 10;
    double m_minimumInteritemSpacing = 10;
    QSizeF m_headerReferenceSize{0, 0};
    EdgeInsets m_sectionInset;

    CollectionView* m_collectionView = nullptr;
    Geometry m_geometry;
    bool m_prepared = false;
    IndexPath m_firstInvalid{0, 0};
    double m_preparedCrossExtent = -1;
    int m_badSizes = 0;
};

} // namespace kesvor::ui
