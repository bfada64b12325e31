#pragma once

#include "ui/CollectionReusableView.h"

namespace kesvor {

namespace ui {
class Label;
}

/// A day's title above its messages: white text on a grey pill, centred, 5
/// points below the header's top and as wide as the title plus 10 on each
/// side. Reuse identifier "header".
class HeaderView : public ui::CollectionReusableView {
    Q_OBJECT
public:
    static constexpr auto reuseIdentifier = "header";

    explicit HeaderView(const QRectF& frame = QRectF());

    ui::View* backView() const { return m_backView; }
    ui::Label* headerLabel() const { return m_headerLabel; }

private:
    void setupViews();

    ui::View* m_backView;
    ui::Label* m_headerLabel;
};

} // namespace kesvor
