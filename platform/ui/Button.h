#pragma once

#include "ui/Control.h"
#include "ui/Image.h"

#include <QtCore/QHash>

#include <optional>

namespace kesvor::ui {

class ImageView;
class Label;

enum class ContentHorizontalAlignment { Center, Left, Right, Fill };

/// A push button: a title and an image, each chosen per state (highlighted
/// and disabled fall back to normal), over the view's background.
class Button : public Control {
    Q_OBJECT
public:
    explicit Button(const QRectF& frame = QRectF());

    QString title(ControlState state = ControlState::Normal) const;
    void setTitle(const QString& title, ControlState state = ControlState::Normal);
    QColor titleColor(ControlState state = ControlState::Normal) const;
    void setTitleColor(const QColor& color, ControlState state = ControlState::Normal);
    std::optional<Image> image(ControlState state = ControlState::Normal) const;
    void setImage(const std::optional<Image>& image, ControlState state = ControlState::Normal);

    /// What the current state shows.
    QString currentTitle() const;
    QColor currentTitleColor() const;
    std::optional<Image> currentImage() const;

    /// The label that draws the title: font, lines, alignment and line
    /// breaks are set on it; its text and colour follow the state.
    Label* titleLabel() const { return m_titleLabel; }
    ImageView* imageView() const { return m_imageView; }

    ContentHorizontalAlignment contentHorizontalAlignment() const { return m_alignment; }
    void setContentHorizontalAlignment(ContentHorizontalAlignment alignment);
    EdgeInsets contentEdgeInsets() const { return m_contentInsets; }
    void setContentEdgeInsets(const EdgeInsets& insets);
    EdgeInsets titleEdgeInsets() const { return m_titleInsets; }
    void setTitleEdgeInsets(const EdgeInsets& insets);

    QSizeF intrinsicContentSize() const override;
    QSizeF sizeThatFits(const QSizeF& size) const override;

protected:
    void layoutSubviews() override;
    void stateDidChange() override;

private:
    template <typename T>
    static std::optional<T> lookup(const QHash<int, T>& values, ControlStates state);
    void refresh();

    QHash<int, QString> m_titles;
    QHash<int, QColor> m_titleColors;
    QHash<int, Image> m_images;
    Label* m_titleLabel;
    ImageView* m_imageView;
    ContentHorizontalAlignment m_alignment = ContentHorizontalAlignment::Center;
    EdgeInsets m_contentInsets;
    EdgeInsets m_titleInsets;
};

} // namespace kesvor::ui
