#pragma once

namespace kesvor {

namespace ui {
class CollectionView;
}

/// Scrolls list to the bottom of its last item, animated as asked, once the
/// event loop has run (so that changes made just before are laid out). Does
/// nothing for an empty list or one that is gone by then.
void scrollToBottom(ui::CollectionView* list, bool animated);

} // namespace kesvor
