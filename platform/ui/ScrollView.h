#pragma once

#include "ui/View.h"

#include <QtCore/QElapsedTimer>

namespace kesvor::ui {

enum class KeyboardDismissMode { None, OnDrag, Interactive };

/// A view whose bounds origin (the content offset) moves over content that
/// may be larger than the view. The wheel and mouse drags scroll it; a drag
/// ends with the scroll view's willEndDragging(), where an owner may pick
/// where it comes to rest (paging).
///
/// Subviews live in content coordinates: constraints between a subview and
/// the scroll view refer to the content, not to the visible area.
class ScrollView : public View {
    Q_OBJECT
public:
    explicit ScrollView(const QRectF& frame = QRectF());

    QPointF contentOffset() const { return bounds().topLeft(); }
    void setContentOffset(const QPointF& offset, bool animated = false);
    QSizeF contentSize() const { return m_contentSize; }
    void setContentSize(const QSizeF& size);
    EdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(const EdgeInsets& inset);

    /// The smallest and largest offsets the content can be scrolled to.
    QPointF minimumContentOffset() const;
    QPointF maximumContentOffset() const;

    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    bool showsHorizontalScrollIndicator() const { return m_showsHorizontalIndicator; }
    void setShowsHorizontalScrollIndicator(bool shows) { m_showsHorizontalIndicator = shows; }
    bool showsVerticalScrollIndicator() const { return m_showsVerticalIndicator; }
    void setShowsVerticalScrollIndicator(bool shows) { m_showsVerticalIndicator = shows; }
    KeyboardDismissMode keyboardDismissMode() const { return m_keyboardDismissMode; }
    void setKeyboardDismissMode(KeyboardDismissMode mode) { m_keyboardDismissMode = mode; }

    bool isDragging() const { return m_dragging; }

    /// Scrolls the least needed to show rect (content coordinates).
    void scrollRectToVisible(const QRectF& rect, bool animated);

Q_SIGNALS:
    void didScroll();
    void willBeginDragging();
    /// velocity in points per millisecond; set *targetContentOffset to
    /// choose where the scroll view comes to rest.
    void willEndDragging(const QPointF& velocity, QPointF* targetContentOffset);
    void didEndDragging(bool willDecelerate);
    void didEndDecelerating();
    void didEndScrollingAnimation();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointF clamped(const QPointF& offset) const;
    void moveContent(const QPointF& offset);

    QSizeF m_contentSize;
    EdgeInsets m_contentInset;
    bool m_scrollEnabled = true;
    bool m_showsHorizontalIndicator = true;
    bool m_showsVerticalIndicator = true;
    KeyboardDismissMode m_keyboardDismissMode = KeyboardDismissMode::None;

    bool m_pressed = false;
    bool m_dragging = false;
    QPointF m_pressPosition;
    QPointF m_pressOffset;
    QPointF m_lastPosition;
    QPointF m_velocity;
    QElapsedTimer m_moveClock;
};

} // namespace kesvor::ui
