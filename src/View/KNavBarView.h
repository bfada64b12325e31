#pragma once

#include "ui/View.h"

namespace kesvor {

namespace ui {
class Button;
class Label;
} // namespace ui

class NetworkStatusView;

/// The conversation's top bar: a close button, the title "Support Chat" and,
/// in the title's place while the socket session is not connected, the
/// "Connecting.." status with a spinner. The owner attaches the close
/// button's action.
class KNavBarView : public ui::View {
    Q_OBJECT
public:
    static constexpr auto titleText = "Support Chat";

    explicit KNavBarView(const QRectF& frame = QRectF());

    ui::Button* closeButton() const { return m_closeButton; }
    ui::View* lineView() const { return m_lineView; }
    ui::Label* titleLabel() const { return m_titleLabel; }
    /// For tests and accessibility; the bar switches it with
    /// setStatusViewVisisbility().
    NetworkStatusView* statusView() const { return m_statusView; }

    /// Shows either the status (hidden false) or the title (hidden true).
    void setStatusViewVisisbility(bool toHidden);

private:
    void setupViews();

    ui::Button* m_closeButton;
    ui::View* m_lineView;
    NetworkStatusView* m_statusView;
    ui::Label* m_titleLabel;
};

} // namespace kesvor
