#include "KUserInputView/KUserInputView.h"

#include "KTextView/KTextView.h"
#include "KUserInputView/KUserInputViewProtocol.h"
#include "View/SharedColors.h"
#include "ui/BABFrameObservingInputAccessoryView.h"
#include "ui/Button.h"
#include "ui/Color.h"

namespace kesvor {

namespace {

// Layout numbers of the bar (points).
constexpr double textViewLeft = 10;
constexpr double textViewToButton = 10;
constexpr double sendButtonWidth = 58.5;
constexpr double sendButtonRight = 4;
constexpr double barInset = 4;
constexpr double sendButtonCornerRadius = 4;
constexpr double dimAlpha = 0.4;

QColor disabledTitleColor()
{
    return ui::Color::white(137.0 / 255);
}

} // namespace

KUserInputView::KUserInputView(const QRectF& frame)
    : View(frame)
    , m_dimView(new ui::View)
    , m_inputTextView(new KTextView)
    , m_sendButton(new ui::Button)
{
    m_dimView->setBackgroundColor(ui::Color::white());
    m_dimView->setAlpha(dimAlpha);
    m_dimView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_inputTextView->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_inputTextView->setBackgroundColor(ui::Color::white(1, 0));
    m_sendButton->setTranslatesAutoresizingMaskIntoConstraints(false);
    m_sendButton->setTitle(QString::fromLatin1(sendTitle));
    m_sendButton->setCornerRadius(sendButtonCornerRadius);
    m_sendButton->setClipsToBounds(true);
    textChanged(true);
    setupViews();
}

void KUserInputView::setupViews()
{
    m_inputTextView->setKTextViewDelegate(this);
    addSubview(m_inputTextView);
    addSubview(m_sendButton);
    addSubview(m_dimView);
    addConstraints(QStringLiteral("H:|[v0]|"), {m_dimView});
    addConstraints(QStringLiteral("V:|[v0]|"), {m_dimView});

    auto accessory =
        std::make_unique<ui::BABFrameObservingInputAccessoryView>(QRectF(0, 0, frame().width(), 0));
    accessory->setUserInteractionEnabled(false);
    accessory->setKeyboardFrameChangedBlock([this](bool visible, const QRectF& keyboardFrame) {
        followKeyboard(visible, keyboardFrame);
    });
    m_inputTextView->setInputAccessoryView(std::move(accessory));

    addConstraints(QStringLiteral("H:|-%1-[v0]-%2-[v1(==%3)]-%4-|")
                       .arg(textViewLeft)
                       .arg(textViewToButton)
                       .arg(sendButtonWidth)
                       .arg(sendButtonRight),
                   {m_inputTextView, m_sendButton});
    addConstraints(QStringLiteral("V:|-%1-[v0]-%1-|").arg(barInset), {m_inputTextView});
    addConstraints(QStringLiteral("V:[v0(==%1)]-%2-|")
                       .arg(m_inputTextView->minimumHeightForTextView())
                       .arg(barInset),
                   {m_sendButton});
    m_sendButton->addTarget(ui::ControlEvent::TouchUpInside,
                            [this](ui::Control*) { sendButtonClicked(); });
}

// Keeps the bar on the keyboard's top edge, also while the keyboard is
// dragged away, never below the bottom of the screen.
void KUserInputView::followKeyboard(bool keyboardVisible, const QRectF& keyboardFrame)
{
    ui::View* screen = superview();
    if (!screen)
        return;
    double overlap = 0;
    if (keyboardVisible) {
        const double screenTop = screen->convert(QPointF(0, 0), nullptr).y();
        overlap = std::max(0.0, screen->frame().height() - (keyboardFrame.y() - screenTop));
    }
    m_bottomConstraintOnSelf.setConstant(-overlap);
    layoutIfNeeded();
}

void KUserInputView::clearText()
{
    m_inputTextView->setText(QString());
    m_inputTextView->showHidePlaceHolderLabel();
}

void KUserInputView::disableUserInteraction()
{
    m_dimView->setHidden(false);
}

void KUserInputView::enableUserInteraction()
{
    m_dimView->setHidden(true);
}

void KUserInputView::sendButtonClicked()
{
    m_currentText = m_inputTextView->text();
    if (m_delegate)
        m_delegate->sendButtonClicked();
}

void KUserInputView::textChanged(bool isEmpty)
{
    m_sendButton->setUserInteractionEnabled(!isEmpty);
    m_sendButton->setBackgroundColor(isEmpty ? LIST_BACKGROUND_COLOR : BUTTON_TEXT_COLOR);
    m_sendButton->setTitleColor(isEmpty ? disabledTitleColor() : ui::Color::white());
}

void KUserInputView::frameChanged(const QRectF&)
{
    if (m_delegate)
        m_delegate->userInputViewFrameChanged(frame());
}

void KUserInputView::returnKeyPressed()
{
    // The same path as the Send button: an empty input sends nothing.
    sendButtonClicked();
}

} // namespace kesvor
