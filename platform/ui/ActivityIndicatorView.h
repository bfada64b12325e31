#pragma once

#include "ui/View.h"

#include "foundation/ClockTimer.h"

namespace kesvor::ui {

enum class ActivityIndicatorStyle { Gray, White, WhiteLarge };

/// A spinner: twelve spokes whose brightness runs round while it animates.
/// Hidden while stopped unless hidesWhenStopped is off.
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
    bool isAnimating() const { return m_timer.isActive(); }
    /// The spoke drawn brightest, 0...11; advances while animating.
    int phase() const { return m_phase; }

    QSizeF intrinsicContentSize() const override;
    QSizeF sizeThatFits(const QSizeF& size) const override;

protected:
    void draw(QPainter& painter, const QRectF& bounds) override;

private:
    ActivityIndicatorStyle m_style;
    QColor m_color;
    bool m_hidesWhenStopped = true;
    int m_phase = 0;
    // On foundation::Clock, like every animation.
    foundation::ClockTimer m_timer;
};

} // namespace kesvor::ui
