#pragma once

#include "ui/CollectionViewCell.h"

#include <QtCore/QDateTime>

#include <optional>

namespace kesvor {

namespace ui {
class Label;
class View;
} // namespace ui

/// A message list cell with the message's time of day ("hh:mm a") in a
/// small dark grey label; the subclass places the label.
class TimedCell : public ui::CollectionViewCell {
    Q_OBJECT
public:
    ui::Label* timeLabel() const { return m_timeLabel; }

    std::optional<QDateTime> time() const { return m_time; }
    /// Shows the time; an absent time leaves the label as it is.
    void setTime(const std::optional<QDateTime>& time);

protected:
    explicit TimedCell(const QRectF& frame);

    /// Places a template block 24 from the left edge, hanging from the
    /// 24-point time row at the bottom, whose text starts 30 from the left.
    void placeBlockAboveTime(ui::View* block);

private:
    ui::Label* m_timeLabel;
    std::optional<QDateTime> m_time;
};

} // namespace kesvor
