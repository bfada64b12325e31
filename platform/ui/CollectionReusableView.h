#pragma once

#include "ui/View.h"

namespace kesvor::ui {

/// The kind of the section headers a flow layout places.
inline const QString CollectionElementKindSectionHeader =
    QStringLiteral("CollectionElementKindSectionHeader");

/// A view a collection view places for its layout and reuses: when it leaves
/// the visible area it is kept, hidden, and handed out again for another
/// index path under the same reuse identifier. Subclasses made through a
/// collection view's registration are constructed with an empty frame.
class CollectionReusableView : public View {
    Q_OBJECT
public:
    explicit CollectionReusableView(const QRectF& frame = QRectF());

    /// The identifier the view was registered and dequeued under.
    QString reuseIdentifier() const { return m_reuseIdentifier; }

    /// Called just before the view is handed out again: drop state that
    /// belongs to the previous index path.
    virtual void prepareForReuse() {}

private:
    friend class CollectionView;

    QString m_reuseIdentifier;
    // The pool the view returns to; empty for views the collection view did
    // not make.
    QString m_poolKey;
    bool m_inUse = false;
};

} // namespace kesvor::ui
