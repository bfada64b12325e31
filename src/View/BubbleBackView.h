#pragma once

#include "View/BubbleCellType.h"
#include "ui/View.h"

namespace kesvor {

/// The background of a bubble: a rectangle with rounded corners except the
/// "tail" corner at the bottom on the speaker's side (bottom left for
/// incoming messages, bottom right for everything else). The mask follows
/// the view's size.
class BubbleBackView : public ui::View {
    Q_OBJECT
public:
    static constexpr double maskCornerRadius = 8;

    explicit BubbleBackView(BubbleCellType withType);

    BubbleCellType type() const { return m_type; }
    /// The mask for the current bounds, with type's square corner.
    void setMaskLayerPath(BubbleCellType forType);

protected:
    void layoutSubviews() override;

private:
    BubbleCellType m_type;
};

} // namespace kesvor
