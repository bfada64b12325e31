#pragma once

#include "Models/ButtonModel.h"
#include "ui/LayoutConstraint.h"
#include "ui/View.h"

namespace kesvor {

namespace ui {
class CollectionView;
}

class QuickReplyStrip;

/// The strip of the newest message's quick replies above the input bar. The
/// conversation screen places it behind the bar with topBottomConstraint;
/// the message list lowers that constraint's constant to show it.
class QuickReplyView : public ui::View {
    Q_OBJECT
public:
    explicit QuickReplyView(const QRectF& frame = QRectF());

    ui::LayoutConstraint topBottomConstraint() const { return m_topBottomConstraint; }
    void setTopBottomConstraint(const ui::LayoutConstraint& constraint)
    {
        m_topBottomConstraint = constraint;
    }

    QString cellId() const;
    const QList<ButtonModel>& replies() const;
    /// Replaces the strip's contents at once.
    void setReplies(const QList<ButtonModel>& replies);
    ui::CollectionView* collectionView() const;

private:
    void setupViews();

    ui::LayoutConstraint m_topBottomConstraint;
    QuickReplyStrip* m_strip;
};

} // namespace kesvor
