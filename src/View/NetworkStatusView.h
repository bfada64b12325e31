#pragma once

#include "ui/View.h"

namespace kesvor {

namespace ui {
class ActivityIndicatorView;
class Label;
} // namespace ui

/// The navigation bar's "Connecting.." with its spinner, shown while the
/// socket session is not connected. Its size comes from its contents. The
/// spinner turns only while the view is shown, so a connected screen runs no
/// animation timer.
class NetworkStatusView : public ui::View {
    Q_OBJECT
public:
    static constexpr auto connectingText = "Connecting..";

    explicit NetworkStatusView(const QRectF& frame = QRectF());

    ui::ActivityIndicatorView* indicator() const { return m_indicator; }
    ui::Label* titleLabel() const { return m_titleLabel; }

    /// Hides or shows the view and stops or starts the spinner with it.
    void setShown(bool shown);

private:
    void setupViews();

    ui::ActivityIndicatorView* m_indicator;
    ui::Label* m_titleLabel;
};

} // namespace kesvor
