#include "ui/Button.h"

#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/ImageView.h"
#include "ui/Label.h"

namespace kesvor::ui {

Button::Button(const QRectF& frame)
    : Control(frame)
    , m_titleLabel(new Label)
    , m_imageView(new ImageView)
{
    m_titleLabel->setFont(Font::defaultButtonFont());
    m_titleLabel->setTextAlignment(Qt::AlignLeft);
    m_titleColors.insert(int(ControlState::Normal), Color::white());
    addSubview(m_imageView);
    addSubview(m_titleLabel);
    refresh();
}

template <typename T>
std::optional<T> Button::lookup(const QHash<int, T>& values, ControlStates state)
{
    const int exact = int(state);
    if (values.contains(exact))
        return values.value(exact);
    for (const ControlState single :
         {ControlState::Disabled, ControlState::Highlighted, ControlState::Selected})
        if (state.testFlag(single) && values.contains(int(single)))
            return values.value(int(single));
    if (values.contains(int(ControlState::Normal)))
        return values.value(int(ControlState::Normal));
    return std::nullopt;
}

QString Button::title(ControlState state) const
{
    return lookup(m_titles, state).value_or(QString());
}

void Button::setTitle(const QString& title, ControlState state)
{
    m_titles.insert(int(state), title);
    refresh();
}

QColor Button::titleColor(ControlState state) const
{
    return lookup(m_titleColors, state).value_or(Color::white());
}

void Button::setTitleColor(const QColor& color, ControlState state)
{
    m_titleColors.insert(int(state), color);
    refresh();
}

std::optional<Image> Button::image(ControlState state) const
{
    return lookup(m_images, state);
}

void Button::setImage(const std::optional<Image>& image, ControlState state)
{
    if (image && !image->isNull())
        m_images.insert(int(state), *image);
    else
        m_images.remove(int(state));
    refresh();
}

QString Button::currentTitle() const
{
    return lookup(m_titles, state()).value_or(QString());
}

QColor Button::currentTitleColor() const
{
    return lookup(m_titleColors, state()).value_or(Color::white());
}

std::optional<Image> Button::currentImage() const
{
    return lookup(m_images, state());
}

void Button::setContentHorizontalAlignment(ContentHorizontalAlignment alignment)
{
    m_alignment = alignment;
    setNeedsLayout();
}

void Button::setContentEdgeInsets(const EdgeInsets& insets)
{
    m_contentInsets = insets;
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void Button::setTitleEdgeInsets(const EdgeInsets& insets)
{
    m_titleInsets = insets;
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void Button::stateDidChange()
{
    refresh();
}

void Button::refresh()
{
    const QString title = currentTitle();
    const std::optional<Image> image = currentImage();
    const bool contentChanged = title != m_titleLabel->text() || image != m_imageView->image();
    m_titleLabel->setText(title);
    m_titleLabel->setTextColor(currentTitleColor());
    m_titleLabel->setHidden(title.isEmpty());
    m_imageView->setImage(image);
    m_imageView->setHidden(!image);
    if (contentChanged) {
        invalidateIntrinsicContentSize();
        setNeedsLayout();
    }
    update();
}

QSizeF Button::intrinsicContentSize() const
{
    return sizeThatFits(QSizeF(0, 0));
}

QSizeF Button::sizeThatFits(const QSizeF& size) const
{
    const QSizeF imageSize = m_imageView->image() ? m_imageView->image()->size() : QSizeF(0, 0);
    const double titleWidth =
        size.width() > 0
            ? std::max(0.0, size.width() - imageSize.width() - m_contentInsets.left -
                                m_contentInsets.right - m_titleInsets.left - m_titleInsets.right)
            : 0.0;
    const QSizeF title = m_titleLabel->sizeThatFits(QSizeF(titleWidth, 0));
    const double width = imageSize.width() + title.width() + m_titleInsets.left +
                         m_titleInsets.right + m_contentInsets.left + m_contentInsets.right;
    const double height =
        std::max(imageSize.height(), title.height() + m_titleInsets.top + m_titleInsets.bottom) +
        m_contentInsets.top + m_contentInsets.bottom;
    return QSizeF(width, height);
}

void Button::layoutSubviews()
{
    const QRectF content = m_contentInsets.inset(bounds());
    const QSizeF imageSize = m_imageView->image() ? m_imageView->image()->size() : QSizeF(0, 0);
    const QRectF titleArea = m_titleInsets.inset(content.adjusted(imageSize.width(), 0, 0, 0));
    QSizeF title = m_titleLabel->sizeThatFits(QSizeF(std::max(0.0, titleArea.width()), 0));
    title.setWidth(std::min(title.width(), std::max(0.0, titleArea.width())));
    if (m_alignment == ContentHorizontalAlignment::Fill)
        title.setWidth(std::max(0.0, titleArea.width()));

    // Image and title sit side by side, as one block placed by the alignment.
    const double block =
        imageSize.width() + m_titleInsets.left + title.width() + m_titleInsets.right;
    double x = content.left();
    if (m_alignment == ContentHorizontalAlignment::Center)
        x += (content.width() - block) / 2;
    else if (m_alignment == ContentHorizontalAlignment::Right)
        x += content.width() - block;
    m_imageView->setFrame(QRectF(x, content.top() + (content.height() - imageSize.height()) / 2,
                                 imageSize.width(), imageSize.height()));
    const double titleTop = titleArea.top() + (titleArea.height() - title.height()) / 2;
    m_titleLabel->setFrame(QRectF(x + imageSize.width() + m_titleInsets.left, titleTop,
                                  title.width(), title.height()));
}

} // namespace kesvor::ui
