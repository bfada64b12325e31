#include "KTextView/KTextView.h"

#include "KTextView/KTextViewProtocol.h"
#include "ui/Accessibility.h"
#include "ui/Color.h"
#include "ui/Label.h"

#include <QtGui/QFontMetricsF>
#include <QtWidgets/QTextEdit>

namespace kesvor {

namespace {

// Layout numbers of the text view (points, seconds).
constexpr double placeHolderLeft = 5;
constexpr double placeHolderAnimationDuration = 0.3;
// A scale that makes the placeholder all but vanish, yet keeps it invertible.
constexpr double placeHolderHiddenScale = 0.001;
const QString textInputName = QStringLiteral("Message");

QColor placeHolderGrey()
{
    return ui::Color::white(137.0 / 255);
}

} // namespace

KTextView::KTextView()
    : TextView(QRectF())
    , m_placeHolderLabelColor(ui::Color::darkGray())
    , m_placeHolderText(QString::fromLatin1(defaultPlaceHolderText))
    , m_placeHolderLabel(new ui::Label)
{
    m_placeHolderLabel->setNumberOfLines(1);
    m_placeHolderLabel->setTextColor(placeHolderGrey());
    m_placeHolderLabel->setTranslatesAutoresizingMaskIntoConstraints(false);
    setupViews();
}

KTextView::~KTextView() = default;

void KTextView::setupViews()
{
    setTranslatesAutoresizingMaskIntoConstraints(false);
    setReturnKeySubmits(true);
    addSubview(m_placeHolderLabel);
    setFont(m_placeHolderLabel->font());
    m_placeHolderLabel->setText(m_placeHolderText);
    addConstraints(QStringLiteral("H:|-%1-[v0]").arg(placeHolderLeft), {m_placeHolderLabel});
    addConstraint(ui::LayoutConstraint(m_placeHolderLabel, ui::LayoutAttribute::CenterY,
                                       ui::LayoutRelation::Equal, this,
                                       ui::LayoutAttribute::CenterY));
    m_heightConstraint = ui::LayoutConstraint(
        this, ui::LayoutAttribute::Height, ui::LayoutRelation::Equal, minimumHeightForTextView());
    m_heightConstraint.setActive(true);
    // The editor underneath is what has the keyboard focus.
    textEdit()->setAccessibleName(textInputName);
    textEdit()->setAccessibleDescription(m_placeHolderText);
    connect(this, &ui::TextView::contentSizeChanged, this, &KTextView::contentSizeDidChange);
    connect(this, &ui::View::boundsChanged, this, [this](const QRectF& bounds) {
        if (m_kTextViewDelegate)
            m_kTextViewDelegate->frameChanged(bounds);
    });
    connect(this, &ui::TextView::returnPressed, this, [this] {
        if (m_kTextViewDelegate)
            m_kTextViewDelegate->returnKeyPressed();
    });
}

void KTextView::setPlaceHolderLabelColor(const QColor& color)
{
    m_placeHolderLabelColor = color;
    m_placeHolderLabel->setTextColor(color);
}

void KTextView::setPlaceHolderText(const QString& text)
{
    m_placeHolderText = text;
    m_placeHolderLabel->setText(text);
    textEdit()->setAccessibleDescription(text);
}

double KTextView::sixLinesHeight() const
{
    const ui::EdgeInsets inset = textContainerInset();
    return inset.top + inset.bottom + maximumLines * QFontMetricsF(font()).height();
}

double KTextView::maximumHeightForTextView() const
{
    const double cap =
        m_maximumHeight > 0 ? std::min(m_maximumHeight, sixLinesHeight()) : sixLinesHeight();
    return std::max(cap, minimumHeightForTextView());
}

void KTextView::setMaximumHeightForTextView(double height)
{
    m_maximumHeight = height;
    contentSizeDidChange(contentSize());
}

void KTextView::contentSizeDidChange(const QSizeF& contentSize)
{
    const double height =
        std::clamp(contentSize.height(), minimumHeightForTextView(), maximumHeightForTextView());
    if (m_heightConstraint.constant() == height)
        return;
    m_heightConstraint.setConstant(height);
    layoutIfNeeded();
}

void KTextView::textViewDidChange()
{
    TextView::textViewDidChange();
    showHidePlaceHolderLabel();
}

void KTextView::showHidePlaceHolderLabel()
{
    const bool isEmpty = text().isEmpty();
    const QTransform target =
        isEmpty ? QTransform()
                : QTransform::fromScale(placeHolderHiddenScale, placeHolderHiddenScale);
    if (m_kTextViewDelegate)
        m_kTextViewDelegate->textChanged(isEmpty);
    ui::Label* label = m_placeHolderLabel;
    ui::View::animate(placeHolderAnimationDuration,
                      [label, target] { label->setTransform(target); });
}

} // namespace kesvor
