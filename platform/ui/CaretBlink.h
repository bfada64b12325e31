#pragma once

#include "foundation/ClockTimer.h"

#include <QtCore/QObject>

#include <optional>

class QWidget;

namespace kesvor::ui {

/// Lets the caret of one editor blink for a while after the user last did
/// something with it (gave it the focus, pressed a key, clicked, composed
/// text), then keeps it lit without blinking, as desktop toolkits do: a
/// blinking caret wakes the application twice a second for as long as the
/// field keeps the focus, typed into or not.
///
/// Qt's editors blink at the application's cursor flash time and follow it
/// as it changes. While the caret rests that time is 0; only the editor
/// with the focus shows a caret, so nothing else notices. The time the
/// application had is given back as soon as the user acts again, when the
/// editor loses the focus (before another widget gains it) and when this
/// object goes away. The quiet period runs on foundation::Clock. Main thread.
class CaretBlink : public QObject {
    Q_OBJECT
public:
    /// How long the caret blinks after the user's last action.
    static constexpr double blinkingMs = 10'000;

    /// Watches editor (and, for a scroll area, its viewport); a child of it.
    explicit CaretBlink(QWidget* editor);
    ~CaretBlink() override;

    /// True while this has stopped the caret's blinking.
    bool isResting() const { return m_restingFrom.has_value(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void blink();
    void rest();
    void giveBack();

    QWidget* m_editor;
    foundation::ClockTimer m_quiet;
    // The application's flash time before the caret came to rest.
    std::optional<int> m_restingFrom;
};

} // namespace kesvor::ui
