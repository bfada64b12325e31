#pragma once

#include "ui/View.h"

#include <QtCore/QTimer>

namespace kesvor::ui {

enum class KeyboardDismissMode { None, OnDrag, Interactive };

/// A view whose bounds origin (the content offset) moves over content that
/// may be larger than the view. The wheel and pointer drags (touches arrive
/// as mouse events; see ScrollViewDrag) scroll it; a drag ends with
/// willEndDragging(), where an owner may pick where the content comes to
/// rest (paging), and otherwise glides on with the speed the drag had.
///
/// Subviews live in content coordinates: constraints between a subview and
/// the scroll view refer to the content, not to the visible area.
///
/// Scrolling animations move the offset at once and animate only what is
/// drawn, as every block animation does; presentationBounds() tells what is
/// on screen meanwhile.
class ScrollView : public View {
    Q_OBJECT
public:
    explicit ScrollView(const QRectF& frame = QRectF());

    QPointF contentOffset() const { return bounds().topLeft(); }
    void setContentOffset(const QPointF& offset, bool animated = false);
    QSizeF contentSize() const { return m_contentSize; }
    void setContentSize(const QSizeF& size);
    EdgeInsets contentInset() const { return m_contentInset; }
    /// Leaves the offset where it is, even where the new insets would not
    /// allow it: the next scroll brings it back into range.
    void setContentInset(const EdgeInsets& inset);

    /// The smallest and largest offsets the content can be scrolled to.
    QPointF minimumContentOffset() const;
    QPointF maximumContentOffset() const;

    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    /// Indicators show while the content moves and fade out after it stops.
    bool showsHorizontalScrollIndicator() const { return m_showsIndicator[0]; }
    void setShowsHorizontalScrollIndicator(bool shows);
    bool showsVerticalScrollIndicator() const { return m_showsIndicator[1]; }
    void setShowsVerticalScrollIndicator(bool shows);
    KeyboardDismissMode keyboardDismissMode() const { return m_keyboardDismissMode; }
    void setKeyboardDismissMode(KeyboardDismissMode mode) { m_keyboardDismissMode = mode; }

    bool isDragging() const { return m_dragging; }
    bool isDecelerating() const { return m_decelerating; }

    /// Scrolls the least needed to show rect (content coordinates).
    void scrollRectToVisible(const QRectF& rect, bool animated);

    // --- Gestures ---------------------------------------------------------------
    // Pointer drags drive these; tests and other input sources may call them
    // directly.

    /// A drag starts: a gliding scroll stops where it is shown, the keyboard
    /// goes down when the dismiss mode says so, willBeginDragging() is sent.
    void beginDragging();
    /// The pointer moved by translation since the drag began; the content
    /// follows it, within the allowed offsets.
    void dragBy(const QPointF& translation);
    /// The drag ends with velocity (points per millisecond, in the direction
    /// the offset moves). willEndDragging() may change where the content
    /// comes to rest; the content glides there.
    void endDragging(const QPointF& velocity);

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
    /// offset moved into the range the content and insets allow.
    QPointF clamped(const QPointF& offset) const;
    /// The insets changed; subclasses re-fit their content.
    virtual void contentInsetDidChange(const EdgeInsets& previous);

    void presentationBoundsDidChange() override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class ScrollViewDrag;

    void moveContent(const QPointF& offset);
    void stopAtShownOffset();
    View* makeIndicator();
    void flashIndicators();
    void placeIndicators();
    void fadeIndicators();

    QSizeF m_contentSize;
    EdgeInsets m_contentInset;
    bool m_scrollEnabled = true;
    bool m_showsIndicator[2] = {true, true};
    KeyboardDismissMode m_keyboardDismissMode = KeyboardDismissMode::None;
    View* m_indicators[2] = {};
    QTimer m_indicatorFade;

    bool m_dragging = false;
    bool m_decelerating = false;
    int m_glide = 0;
    QPointF m_dragStartOffset;
};

} // namespace kesvor::ui
