#pragma once

#include "ui/View.h"

#include "foundation/ClockTimer.h"

namespace kesvor::ui {

enum class ActivityIndicatorStyle { Gray, White, WhiteLarge };

/// A spinner: twelve spokes whose brightness runs round while it animates.
/// Hidden while stopped unless hidesWhenStopped is off. An animating spinner
/// that is not on screen (an ancestor or its window hidden) keeps animating
/// but runs no timer until it shows again.
class ActivityIndicatorView : public View {
    Q_OBJECT
public:
    explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::White);

    ActivityIndicatorStyle style() const { return m_style; }
    void setStyle(ActivityIndicatorStyle style);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    /// The spoke drawn brightest, 0...11; advances while animating.
    int phase() const { return m_phase; }

    QSizeF intrinsicContentSize() const override;
    QSizeF sizeThatFits(const QSizeF& size) const override;

protected:
    void draw(QPainter& painter, const QRectF& bounds) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateTimer();

    ActivityIndicatorStyle m_style;
    QColor m_color;
    bool m_hidesWhenStopped = true;
    int m_phase = 0;
    bool m_animating = false;
    // On foundation::Clock, like every animation.
    foundation::ClockTimer m_timer;
};

} // namespace kesvor::ui
