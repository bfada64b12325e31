#pragma once

#include "ui/View.h"

#include <QtCore/QString>

#include <functional>
#include <optional>

namespace kesvor {

namespace ui {
class Button;
class Control;
class Label;
} // namespace ui

/// The push banner's content: the notification's text in white on a dark
/// rounded box, inset from the banner's edges (more at the top, clear of
/// the status bar), with an invisible button over it that reports taps.
class NotificationView : public ui::View {
    Q_OBJECT
public:
    explicit NotificationView(const QRectF& frame = QRectF());

    std::optional<QString> text() const { return m_text; }
    /// The label shows text; nothing clears it.
    void setText(const std::optional<QString>& text);

    std::function<void()> tapHandler() const { return m_tapHandler; }
    void setTapHandler(std::function<void()> handler) { m_tapHandler = std::move(handler); }

    ui::View* backView() const { return m_backView; }
    ui::Label* textLabel() const { return m_textLabel; }
    ui::Button* hiddenButton() const { return m_hiddenButton; }

    /// Touch-up-inside of the hidden button: runs tapHandler when it is set.
    void hiddenButtonClicked(ui::Control* button);

private:
    std::optional<QString> m_text;
    std::function<void()> m_tapHandler;
    ui::View* m_backView;
    ui::Label* m_textLabel;
    ui::Button* m_hiddenButton;
};

} // namespace kesvor
