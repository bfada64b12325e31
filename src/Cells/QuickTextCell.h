#pragma once

#include "ui/CollectionViewCell.h"

namespace kesvor {

namespace ui {
class Button;
}

/// One quick reply: a pill-shaped outline button that sends its title as the
/// text and its value as the keyword ("SendMessageNotification").
class QuickTextCell : public ui::CollectionViewCell {
    Q_OBJECT
public:
    explicit QuickTextCell(const QRectF& frame = QRectF());

    ui::Button* quickButton() const { return m_quickButton; }
    QString value() const { return m_value; }
    void setValue(const QString& value) { m_value = value; }

    /// The font the pill's title is drawn and measured in.
    static QFont titleFont();

private:
    void setupViews();
    void buttonClicked();

    ui::Button* m_quickButton;
    QString m_value;
};

} // namespace kesvor
