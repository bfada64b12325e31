#pragma once

#include "ui/Geometry.h"
#include "ui/LayoutConstraint.h"

#include <QtCore/QRectF>
#include <QtGui/QColor>
#include <QtGui/QPainterPath>
#include <QtGui/QTransform>
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace kesvor::ui {

class LayoutEngine;
class Window;
enum class AnimatedProperty;

/// Timing curves of block animations.
enum class AnimationCurve { EaseInOut, EaseIn, EaseOut, Linear };

struct AnimationOptions {
    double delay = 0;
    AnimationCurve curve = AnimationCurve::EaseInOut;
};

/// A rectangle on screen with an exact floating-point frame, laid out by hand
/// or by constraints. It is a real QWidget: the widget geometry is the frame
/// rounded to pixels (edge by edge), and the view paints its own background,
/// rounded corners and border.
///
/// Coordinates: frame() is in the superview's bounds coordinates; bounds()
/// starts at the origin subviews are drawn from (a scrolling view moves it).
/// Constraints, frames set by hand, alpha and transforms made inside
/// View::animate() animate from their old to their new values.
///
/// Views are created, changed and destroyed on the main thread.
class View : public QWidget {
    Q_OBJECT
public:
    /// The "no intrinsic size on this axis" value of intrinsicContentSize().
    static constexpr double noIntrinsicMetric = -1;

    explicit View(const QRectF& frame = QRectF());
    ~View() override;

    // --- Geometry -------------------------------------------------------------

    QRectF frame() const { return m_frame; }
    void setFrame(const QRectF& frame);
    QRectF bounds() const { return QRectF(m_boundsOrigin, m_frame.size()); }
    /// Keeps the centre; a new origin moves every subview the other way.
    void setBounds(const QRectF& bounds);
    QPointF center() const { return m_frame.center(); }
    void setCenter(const QPointF& center);

    /// The frame as it is drawn at this moment: differs from frame() while an
    /// animation runs.
    QRectF presentationFrame() const;
    /// The bounds as drawn at this moment: the origin differs from bounds()
    /// while a scroll animates.
    QRectF presentationBounds() const;

    /// A point or rectangle in this view's bounds coordinates, expressed in
    /// other's (nullptr: the coordinates of the widget that holds the root).
    QPointF convert(const QPointF& point, const View* other) const;
    QRectF convert(const QRectF& rect, const View* other) const;

    // --- Hierarchy ------------------------------------------------------------

    View* superview() const;
    /// Direct subviews, back to front.
    QList<View*> subviews() const;
    void addSubview(View* view);
    void insertSubview(View* view, int index);
    void insertSubviewBelow(View* view, View* sibling);
    void insertSubviewAbove(View* view, View* sibling);
    void bringSubviewToFront(View* view);
    void sendSubviewToBack(View* view);
    /// Detaches the view (Qt ownership passes to nobody: the caller deletes
    /// it or adds it elsewhere). Constraints to views outside it deactivate.
    void removeFromSuperview();
    bool isDescendantOf(const View* view) const;
    /// The window the view is shown in, if any. Hides QWidget::window().
    Window* window() const;
    /// The topmost view of this view's tree (itself when it has no superview).
    View* rootView() const;

    // --- Appearance -----------------------------------------------------------

    /// An invalid colour or a transparent one draws no background.
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    /// Hidden views keep their place in the layout. Hides QWidget::setHidden().
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    /// Subviews are always cut at the view's rectangle; with clipping on they
    /// are also cut at its rounded corners.
    bool clipsToBounds() const { return m_clipsToBounds; }
    void setClipsToBounds(bool clips);
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color);
    /// Only what lies inside path (in bounds coordinates) is drawn and can be
    /// touched, subviews included. nullopt removes the mask.
    std::optional<QPainterPath> maskPath() const { return m_maskPath; }
    void setMaskPath(const std::optional<QPainterPath>& path);
    /// Applied about the centre to what is drawn; frame() stays untransformed
    /// and subviews are not scaled with their superview's drawing.
    QTransform transform() const { return m_transform; }
    void setTransform(const QTransform& transform);
    /// Off: touches pass through the view and its subviews to what lies below.
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled);
    int tag() const { return m_tag; }
    /// Takes the keyboard focus away from any text input inside this view.
    void endEditing();
    void setTag(int tag) { m_tag = tag; }

    // --- Layout ---------------------------------------------------------------

    /// Asks for a layout pass; it runs before the next paint, or at once with
    /// layoutIfNeeded().
    void setNeedsLayout();
    bool needsLayout() const { return m_needsLayout; }
    /// Solves the constraints of this view's tree and runs layoutSubviews() of
    /// every view that needs it, until nothing changes.
    void layoutIfNeeded();
    /// Constraints are solved during the layout pass; kept for callers that
    /// mark constraint changes explicitly.
    void setNeedsUpdateConstraints() { setNeedsLayout(); }

    /// The natural size of the content, or noIntrinsicMetric on an axis
    /// without one. Views placed by constraints get it as hugging and
    /// compression-resistance constraints.
    virtual QSizeF intrinsicContentSize() const;
    void invalidateIntrinsicContentSize();
    /// The size that best fits the content within size.
    virtual QSizeF sizeThatFits(const QSizeF& size) const;
    void sizeToFit();

    float contentHuggingPriority(LayoutAxis axis) const;
    void setContentHuggingPriority(float priority, LayoutAxis axis);
    float contentCompressionResistancePriority(LayoutAxis axis) const;
    void setContentCompressionResistancePriority(float priority, LayoutAxis axis);

    /// On (the default) the frame is set by hand and fixed for the layout
    /// engine; off, constraints decide it.
    bool translatesAutoresizingMaskIntoConstraints() const { return m_translatesMask; }
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates);

    /// Active constraints that involve this view.
    QList<LayoutConstraint> constraints() const { return m_constraints; }
    /// Activates and deactivates constraints.
    void addConstraints(const QList<LayoutConstraint>& constraints);
    void addConstraint(const LayoutConstraint& constraint);
    void removeConstraints(const QList<LayoutConstraint>& constraints);
    void removeConstraint(const LayoutConstraint& constraint);

    /// Builds the constraints of one visual-format string over views, named
    /// "v0", "v1", ... by position ("|" is their superview), and activates
    /// them. The views are placed by constraints from then on (their
    /// translatesAutoresizingMaskIntoConstraints goes off).
    void addConstraints(const QString& format, const QList<View*>& views);
    /// The same constraints, not activated.
    QList<LayoutConstraint> constraintsArray(const QString& format, const QList<View*>& views);

    // --- Animation ------------------------------------------------------------

    /// Runs changes at once and animates the frames, alpha values, transforms
    /// and bounds origins they changed (including the layout they caused:
    /// constraint changes are laid out at the end of changes) from their old
    /// values to the new ones over duration seconds. completion(finished)
    /// runs when they are done, also when nothing changed; finished is false
    /// when a later change to the same property cut an animation short.
    static void animate(double duration, const std::function<void()>& changes,
                        const std::function<void(bool)>& completion = {});
    static void animate(double duration, const AnimationOptions& options,
                        const std::function<void()>& changes,
                        const std::function<void(bool)>& completion = {});
    /// Runs changes at once with nothing animated, also inside the changes
    /// of an animate() block (views that appear in the middle of one).
    static void performWithoutAnimation(const std::function<void()>& changes);

Q_SIGNALS:
    void frameChanged(const QRectF& frame);
    void boundsChanged(const QRectF& bounds);

protected:
    /// Places subviews; the default does nothing beyond what constraints did.
    /// Overrides may set frames and constraint constants.
    virtual void layoutSubviews();
    /// The drawn bounds origin moved: an animation of the bounds took a step
    /// or ended. Scrolling views show what comes into sight.
    virtual void presentationBoundsDidChange() {}
    /// Draws the content over the background, in bounds coordinates.
    virtual void draw(QPainter& painter, const QRectF& bounds);
    /// Views whose intrinsic height depends on their width (wrapping text)
    /// return true; the layout engine then tells them their solved width
    /// through setIntrinsicLayoutWidth() and lays out again.
    virtual bool hasWidthDependentIntrinsicSize() const { return false; }
    /// The width the engine last solved for this view, if any.
    std::optional<double> intrinsicLayoutWidth() const { return m_intrinsicLayoutWidth; }

    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    friend class LayoutEngine;
    friend class LayoutConstraint;
    friend class Animator;

    void setFrameInternal(const QRectF& frame);
    void setIntrinsicLayoutWidth(std::optional<double> width) { m_intrinsicLayoutWidth = width; }
    void applyGeometry();
    void applySubviewGeometry();
    void applyMask();
    void applyOpacity();
    void applyMouseTransparency();
    void scheduleLayout();
    void runLayoutPass();
    void didMoveIntoTree(View* oldRoot);
    void detachConstraintsLeavingSubtree();
    void adoptSubview(View* view);
    LayoutEngine* existingEngine() const;
    LayoutEngine& engine();
    void notifyEngineFrameSetByHand();
    QPointF originInRoot() const;

    QVariant modelValue(AnimatedProperty property) const;
    QVariant presentedValue(AnimatedProperty property) const;
    void setPresentationValue(AnimatedProperty property, const QVariant& value);

    QRectF m_frame;
    QPointF m_boundsOrigin;
    std::optional<QRectF> m_presentationFrame;
    std::optional<QPointF> m_presentationBoundsOrigin;
    double m_alpha = 1;
    std::optional<double> m_presentationAlpha;
    QTransform m_transform;
    std::optional<QTransform> m_presentationTransform;

    QColor m_backgroundColor;
    double m_cornerRadius = 0;
    bool m_clipsToBounds = false;
    double m_borderWidth = 0;
    QColor m_borderColor = Qt::black;
    std::optional<QPainterPath> m_maskPath;
    bool m_hidden = false;
    bool m_userInteractionEnabled = true;
    int m_tag = 0;

    bool m_translatesMask = true;
    bool m_needsLayout = true;
    bool m_layoutRequested = false;
    bool m_inLayoutPass = false;
    bool m_applyingGeometry = false;
    float m_hugging[2] = {250, 250};
    float m_compression[2] = {750, 750};
    std::optional<double> m_intrinsicLayoutWidth;
    QList<LayoutConstraint> m_constraints;
    std::unique_ptr<LayoutEngine> m_engine;
};

} // namespace kesvor::ui
