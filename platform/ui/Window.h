#pragma once

#include "ui/View.h"

#include <QtCore/QPointer>

namespace kesvor::ui {

class ViewController;

/// One of the SDK's windows: a view stacked as an overlay over the host
/// application's top-level window. Its frame is in the host window's
/// coordinates, and its level is its stacking order among the SDK's windows
/// (higher levels lie above; every SDK window lies above the host's content).
///
/// A window is created hidden, attached to the application's host window;
/// makeKeyAndVisible() shows it. Without a host window it stays hidden.
class Window : public View {
    Q_OBJECT
public:
    /// The level of the host's windows; SDK windows usually lie above it.
    static constexpr double normalLevel = 0;

    explicit Window(const QRectF& frame = QRectF());
    ~Window() override;

    double windowLevel() const { return m_windowLevel; }
    void setWindowLevel(double level);

    ViewController* rootViewController() const;
    /// The window takes ownership of controller; its view fills the window.
    /// A previous root controller disappears and is deleted.
    void setRootViewController(ViewController* controller);

    void makeKeyAndVisible();
    bool isKeyWindow() const;

    /// Keeps view the size of the window (root and presented controllers).
    void addFillingSubview(View* view);

protected:
    void layoutSubviews() override;

private:
    bool isOnScreen() const;

    double m_windowLevel = normalLevel;
    QPointer<ViewController> m_rootViewController;
    QList<QPointer<View>> m_fillingSubviews;
};

} // namespace kesvor::ui
