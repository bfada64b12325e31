#include "View/CollectionViewScrolling.h"

#include "ui/CollectionView.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>

namespace kesvor {

void scrollToBottom(ui::CollectionView* list, bool animated)
{
    if (!list)
        return;
    const QPointer<ui::CollectionView> guarded = list;
    QTimer::singleShot(0, list, [guarded, animated] {
        const int sections = guarded->numberOfSections();
        if (sections < 1)
            return;
        const int items = guarded->numberOfItemsInSection(sections - 1);
        if (items < 1)
            return;
        guarded->scrollToItem(ui::IndexPath{sections - 1, items - 1}, ui::ScrollPosition::Bottom,
                              animated);
    });
}

} // namespace kesvor
