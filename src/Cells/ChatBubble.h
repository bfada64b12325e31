#pragma once

#include "Cells/TimedCell.h"
#include "View/BubbleCellType.h"
#include "ui/LayoutConstraint.h"

namespace kesvor {

namespace ui {
class ImageView;
class Label;
} // namespace ui

class BubbleBackView;

/// The keys of the bubble's views in its layout strings.
inline constexpr char BACK_VIEW[] = "backView";
inline constexpr char MESSAGE_LABEL[] = "messageLabel";
inline constexpr char BACKGROUND_IMAGE_VIEW[] = "backgroundImageView";

/// A text message as a bubble on the speaker's side with the time under it.
/// The bubble is at most the cell's width less 60 wide (recomputed whenever
/// the cell's width changes), holds the text with 16 points of space at the
/// sides and 8 above and below, and sits directly on the 24-point time line
/// at the cell's bottom, so the space above it is the gap before a change of
/// sender. The list measures heights with messageFont().
class ChatBubble : public TimedCell {
    Q_OBJECT
public:
    /// The font of every bubble's text, which the list measures with.
    static QFont messageFont();

    ui::Label* messageLabel() const { return m_messageLabel; }
    ui::ImageView* backgroundImageView() const { return m_backgroundImageView; }
    BubbleBackView* backView() const { return m_backView; }
    /// The widest the bubble may be: the cell's width less 60.
    double maximumBubbleWidth() const;

protected:
    ChatBubble(const QRectF& frame, BubbleCellType type);

    /// The views dictionary of the layout strings.
    QHash<QString, ui::View*> bubbleViews() const;

private:
    void setupUserInterface(BubbleCellType forType);
    void fitBubbleWidth();

    ui::Label* m_messageLabel = nullptr;
    ui::ImageView* m_backgroundImageView = nullptr;
    BubbleBackView* m_backView = nullptr;
    ui::LayoutConstraint m_bubbleWidth;
};

/// An incoming message (bot or agent): white bubble, dark text, 24 points
/// from the left. Reuse identifier "left".
class CollectionCellLeft : public ChatBubble {
    Q_OBJECT
public:
    explicit CollectionCellLeft(const QRectF& frame = QRectF());
};

/// The customer's own message: dark bubble, white text, 24 points from the
/// right, with its delivery status icon after the time. Reuse identifier
/// "right".
class CollectionCellRight : public ChatBubble {
    Q_OBJECT
public:
    explicit CollectionCellRight(const QRectF& frame = QRectF());

    ui::ImageView* messageStatusImageView() const { return m_messageStatusImageView; }

    QString messageStatus() const { return m_messageStatus; }
    /// "seen", "sending" and "sent" show their icons; anything else shows none.
    void setMessageStatus(const QString& messageStatus);

private:
    ui::ImageView* m_messageStatusImageView;
    QString m_messageStatus = QStringLiteral("send");
};

} // namespace kesvor
