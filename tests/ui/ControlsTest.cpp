#include "ui/UiTest.h"

#include "foundation/Clock.h"
#include "support/TestSupport.h"
#include "ui/ActivityIndicatorView.h"
#include "ui/Button.h"
#include "ui/CaretBlink.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/TextMeasure.h"
#include "ui/TextView.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QStyleHints>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QTextEdit>

using namespace kesvor;
using namespace kesvor::ui;

namespace {

class ControlsTest : public test::UiTest {};

const QString paragraph =
    QStringLiteral("Our support team answers within a few minutes during office hours, and the bot "
                   "helps with the rest at any time of day.");

} // namespace

TEST_F(ControlsTest, LabelMeasuresWhatItDraws)
{
    Label label;
    label.setFont(Font::systemFont(13));
    label.setText(paragraph);
    const QSizeF oneLine = sizeForText(paragraph, 0, label.font());
    EXPECT_EQ(label.intrinsicContentSize(), oneLine);

    label.setNumberOfLines(0);
    const QSizeF wrapped = sizeForText(paragraph, 150, label.font());
    EXPECT_EQ(label.sizeThatFits(QSizeF(150, 0)), wrapped);
    EXPECT_LE(wrapped.width(), 150);
    EXPECT_GT(wrapped.height(), 3 * oneLine.height());

    label.setNumberOfLines(2);
    EXPECT_DOUBLE_EQ(label.sizeThatFits(QSizeF(150, 0)).height(), 2 * oneLine.height());
    label.setPreferredMaxLayoutWidth(150);
    EXPECT_DOUBLE_EQ(label.intrinsicContentSize().height(), 2 * oneLine.height());

    label.setText(QString());
    EXPECT_EQ(label.intrinsicContentSize(), QSizeF(0, 0));
    EXPECT_EQ(sizeForText("a\nb", 0, label.font()).height(), 2 * oneLine.height());
}

TEST_F(ControlsTest, LabelDrawsItsTextInItsColour)
{
    View* root = makeRoot(200, 60);
    root->setBackgroundColor(Color::white());
    auto* label = new Label(QRectF(0, 0, 200, 60));
    label->setText("█████");
    label->setTextColor(Color::red());
    root->addSubview(label);
    const QImage shot = root->grab().toImage();
    int red = 0;
    for (int x = 0; x < shot.width(); ++x)
        red += shot.pixelColor(x, 30) == QColor(Qt::red) ? 1 : 0;
    EXPECT_GT(red, 10);
}

TEST_F(ControlsTest, ButtonPicksItsTitlePerStateAndFiresOnRelease)
{
    View* root = makeRoot(200, 100);
    auto* button = new Button(QRectF(10, 10, 100, 44));
    button->setTitle("Send");
    button->setTitle("Sending", ControlState::Highlighted);
    button->setTitleColor(Color::black());
    button->setTag(2);
    root->addSubview(button);
    QList<int> tags;
    button->addTarget(ControlEvent::TouchUpInside,
                      [&](Control* sender) { tags.append(sender->tag()); });

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 22));
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(button->currentTitle(), "Sending");
    EXPECT_EQ(button->currentTitleColor(), Color::black());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 22));
    EXPECT_EQ(button->currentTitle(), "Send");
    EXPECT_EQ(tags, QList<int>{2});

    // Released outside: no tap. Disabled: no tap.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 22));
    QTest::mouseMove(button, QPoint(150, 80));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 80));
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 22));
    EXPECT_EQ(tags, QList<int>{2});

    // Title insets and left alignment move the title, as the layout says.
    button->setContentHorizontalAlignment(ContentHorizontalAlignment::Left);
    button->setTitleEdgeInsets(EdgeInsets{0, 10, 0, 0});
    button->layoutIfNeeded();
    EXPECT_EQ(button->titleLabel()->frame().x(), 10);
}

TEST_F(ControlsTest, ImageViewPlacesItsImageByContentMode)
{
    QImage bitmap(40, 20, QImage::Format_ARGB32);
    bitmap.fill(Qt::blue);
    ImageView view(Image(bitmap, 2));
    EXPECT_EQ(view.intrinsicContentSize(), QSizeF(20, 10));
    view.setContentMode(ContentMode::ScaleAspectFill);
    EXPECT_EQ(view.imageRect(QSizeF(100, 100)), QRectF(-50, 0, 200, 100));
    view.setContentMode(ContentMode::ScaleAspectFit);
    EXPECT_EQ(view.imageRect(QSizeF(100, 100)), QRectF(0, 25, 100, 50));
    view.setImage(Image());
    EXPECT_FALSE(view.image());
}

TEST_F(ControlsTest, TextFieldStartsTextAfterItsLeftView)
{
    View* root = makeRoot(300, 100);
    auto* field = new TextField(QRectF(10, 10, 200, 30));
    root->addSubview(field);
    field->setKeyboardType(KeyboardType::EmailAddress);
    field->setLeftView(new View(QRectF(0, 0, 10, 30)));
    field->setLeftViewMode(TextFieldViewMode::Always);
    root->layoutIfNeeded();
    EXPECT_EQ(field->leftView()->frame(), QRectF(0, 0, 10, 30));
    EXPECT_EQ(field->lineEdit()->geometry(), QRect(10, 0, 190, 30));
    EXPECT_TRUE(field->lineEdit()->inputMethodHints() & Qt::ImhEmailCharactersOnly);

    QStringList edits;
    QObject::connect(field, &TextField::textEdited,
                     [&](const QString& text) { edits.append(text); });
    QTest::keyClicks(field->lineEdit(), "a@b");
    EXPECT_EQ(field->text(), "a@b");
    EXPECT_EQ(edits.last(), "a@b");
    field->setText(QString());
    EXPECT_EQ(edits.size(), 3);

    host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host()));
    field->becomeFirstResponder();
    ASSERT_TRUE(field->isFirstResponder());
    root->endEditing();
    EXPECT_FALSE(field->isFirstResponder());
}

namespace {

class CountingTextView : public TextView {
public:
    int changes = 0;

protected:
    void textViewDidChange() override { ++changes; }
};

} // namespace

TEST_F(ControlsTest, TextViewPublishesItsContentSizeAndTyping)
{
    View* root = makeRoot(300, 300);
    auto* text = new CountingTextView;
    text->setFrame(QRectF(0, 0, 200, 37));
    root->addSubview(text);
    root->layoutIfNeeded();
    QList<QSizeF> sizes;
    QObject::connect(text, &TextView::contentSizeChanged,
                     [&](const QSizeF& size) { sizes.append(size); });

    QTest::keyClicks(text->textEdit(), "hi");
    EXPECT_EQ(text->changes, 2);
    EXPECT_EQ(text->text(), "hi");
    const double oneLine = text->contentSize().height();
    EXPECT_GT(oneLine, 16);

    text->setText("one\ntwo\nthree");
    EXPECT_EQ(text->changes, 2);
    ASSERT_FALSE(sizes.isEmpty());
    EXPECT_GT(sizes.last().height(), oneLine * 2);
    EXPECT_EQ(text->contentSize().width(), 200);
}

TEST_F(ControlsTest, ActivityIndicatorSpinsOnlyWhileAnimating)
{
    View* root = makeRoot(100, 100);
    auto* spinner = new ActivityIndicatorView(ActivityIndicatorStyle::Gray);
    root->addSubview(spinner);
    EXPECT_EQ(spinner->intrinsicContentSize(), QSizeF(20, 20));
    EXPECT_TRUE(spinner->isHidden());
    driveClock();
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    const int phase = spinner->phase();
    advance(300); // a part of a turn
    EXPECT_NE(spinner->phase(), phase);
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
    const int stopped = spinner->phase();
    advance(1000);
    EXPECT_EQ(spinner->phase(), stopped);
}

TEST_F(ControlsTest, ActivityIndicatorOffScreenRunsNoTimerAndTurnsAgainWhenShown)
{
    View* root = makeRoot(100, 100);
    auto* spinner = new ActivityIndicatorView(ActivityIndicatorStyle::Gray);
    root->addSubview(spinner);
    driveClock();
    const foundation::Clock& clock = foundation::Clock::shared();
    const int idle = clock.pendingCount();
    spinner->startAnimating();
    EXPECT_EQ(clock.pendingCount(), idle + 1);

    // An ancestor hidden: still animating, but nothing steps it.
    root->setHidden(true);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_EQ(clock.pendingCount(), idle);
    const int phase = spinner->phase();
    advance(1000);
    EXPECT_EQ(spinner->phase(), phase);

    root->setHidden(false);
    EXPECT_EQ(clock.pendingCount(), idle + 1);
    advance(300);
    EXPECT_NE(spinner->phase(), phase);

    // Stopped while off screen, it does not start again when shown.
    root->setHidden(true);
    spinner->stopAnimating();
    root->setHidden(false);
    EXPECT_FALSE(spinner->isAnimating());
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_EQ(clock.pendingCount(), idle);
}

namespace {

// Whether an opaque dark caret is drawn in the editor's cursor rectangle.
bool caretDrawn(QTextEdit* edit)
{
    const QImage image = edit->viewport()->grab().toImage();
    const QRect caret = edit->cursorRect();
    for (int y = caret.top(); y <= caret.bottom(); ++y)
        for (int x = caret.left(); x <= caret.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > 128 && qGray(pixel) < 128)
                return true;
        }
    return false;
}

} // namespace

TEST_F(ControlsTest, CaretRestsLitAfterQuietSecondsAndBlinksAgainWhenTheUserActs)
{
    View* root = makeRoot(200, 100);
    auto* text = new TextView(QRectF(0, 0, 200, 40));
    root->addSubview(text);
    auto* field = new TextField(QRectF(0, 50, 200, 30));
    root->addSubview(field);
    QStyleHints* hints = QGuiApplication::styleHints();
    const int flashTime = hints->cursorFlashTime();
    ASSERT_GT(flashTime, 0);
    driveClock();
    host().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host()));
    field->becomeFirstResponder();
    EXPECT_FALSE(caretDrawn(text->textEdit()));

    text->becomeFirstResponder();
    ASSERT_TRUE(text->isFirstResponder());
    advance(CaretBlink::blinkingMs - 1);
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
    advance(1);
    // Editors stop blinking at a flash time of 0 and show the caret.
    EXPECT_EQ(hints->cursorFlashTime(), 0);
    EXPECT_TRUE(caretDrawn(text->textEdit()));

    // Typing, a click and composed text each start a blinking while again.
    QTest::keyClick(text->textEdit(), Qt::Key_A);
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
    EXPECT_EQ(text->text(), "a");
    advance(CaretBlink::blinkingMs / 2);
    QTest::mouseClick(text->textEdit()->viewport(), Qt::LeftButton);
    advance(CaretBlink::blinkingMs / 2);
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
    advance(CaretBlink::blinkingMs / 2);
    EXPECT_EQ(hints->cursorFlashTime(), 0);
    QInputMethodEvent composed(QString(), {});
    composed.setCommitString(QStringLiteral("é"));
    QCoreApplication::sendEvent(text->textEdit(), &composed);
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
    EXPECT_EQ(text->text(), "aé");

    // The focus moving on gives the other editor the application's blink,
    // and its own quiet period.
    advance(CaretBlink::blinkingMs);
    ASSERT_EQ(hints->cursorFlashTime(), 0);
    field->becomeFirstResponder();
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
    advance(CaretBlink::blinkingMs);
    EXPECT_EQ(hints->cursorFlashTime(), 0);
    field->resignFirstResponder();
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);

    // An editor that goes away while its caret rests gives the time back.
    text->becomeFirstResponder();
    advance(CaretBlink::blinkingMs);
    ASSERT_EQ(hints->cursorFlashTime(), 0);
    delete text;
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
    advance(CaretBlink::blinkingMs);
    EXPECT_EQ(hints->cursorFlashTime(), flashTime);
}
