#pragma once

#include "View/BubbleCellType.h"
#include "data/FetchedResultsController.h"
#include "data/ObjectID.h"
#include "ui/CollectionViewDataSource.h"
#include "ui/CollectionViewDelegateFlowLayout.h"

#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QPointer>

#include <functional>
#include <memory>
#include <vector>

namespace kesvor {

namespace ui {
class CollectionView;
}

class Chat;
class ChatViewController;
class KCardModel;
class MessageWindow;
class KButtonTempateModel;

/// Feeds the conversation's message list from the store: the stored messages
/// in day sections, the newest 20 first and 20 older ones whenever the list
/// arrives at its top (a MessageWindow, whose cost does not grow with the
/// history), one cell kind per message, store changes as one animated batch,
/// and the quick-reply strip of the newest message. Main thread.
class ChatTableController : public QObject,
                            public ui::CollectionViewDataSource,
                            public ui::CollectionViewDelegateFlowLayout,
                            public data::FetchedResultsControllerDelegate {
    Q_OBJECT
public:
    /// Messages shown at first and loaded per page.
    static constexpr int pageSize = 20;
    /// The time row under a template block, added to its measured height.
    static constexpr double templateTimeRowHeight = 24;

    /// Fetches the newest page for withTableView, which it then feeds.
    explicit ChatTableController(ui::CollectionView* withTableView);
    ~ChatTableController() override;

    ui::CollectionView* chatTableView() const;
    ChatViewController* parentController() const;
    void setParentController(ChatViewController* controller);
    data::FetchedResultsController& fetchedResultsController()
    {
        return *m_fetchedResultsController;
    }

    // Parsed templates and their heights, by stored message (so no change of
    // the list's order can mismatch them): sizing fills them, the template
    // cells read them, and a message's entries go when it changes or goes.
    QHash<data::ObjectID, QList<std::shared_ptr<KCardModel>>> cache;
    QHash<data::ObjectID, double> cacheHeight;
    QHash<data::ObjectID, std::shared_ptr<KButtonTempateModel>> cacheButtonTempate;
    QHash<data::ObjectID, double> cacheButtonTemplateHeight;

    /// Registers every cell kind under its reuse identifier, and the day
    /// header, with the list this controller feeds.
    static void registerCells(ui::CollectionView& list);

    /// The cell kind of a message: right for the customer's own, left for a
    /// text, by "template_type" for a template; left for anything else.
    static BubbleCellType cellType(const Chat& chat, const std::optional<QString>& customerId);

    // --- Data source ------------------------------------------------------------
    int numberOfSections(ui::CollectionView&) override;
    int numberOfItemsInSection(ui::CollectionView&, int section) override;
    ui::CollectionViewCell* cellForItemAt(ui::CollectionView& collectionView,
                                          const ui::IndexPath& indexPath) override;
    ui::CollectionReusableView*
    viewForSupplementaryElementOfKind(ui::CollectionView& collectionView, const QString& kind,
                                      const ui::IndexPath& indexPath) override;

    // --- Delegate -----------------------------------------------------------------
    void willDisplay(ui::CollectionView&, ui::CollectionViewCell&,
                     const ui::IndexPath& indexPath) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    std::optional<QSizeF> sizeForItemAt(ui::CollectionView&, ui::FlowLayout&,
                                        const ui::IndexPath& indexPath) override;
    std::optional<double> minimumLineSpacingForSectionAt(ui::CollectionView&, ui::FlowLayout&,
                                                         int) override;
    std::optional<QSizeF> referenceSizeForHeaderInSection(ui::CollectionView& collectionView,
                                                          ui::FlowLayout&, int) override;

    // --- Store changes ------------------------------------------------------------
    void controllerDidChangeSection(data::FetchedResultsController&,
                                    const data::FetchedResultsSectionInfo&, int sectionIndex,
                                    data::FetchedResultsChangeType type) override;
    void controllerDidChangeObject(data::FetchedResultsController&, const data::ObjectPtr&,
                                   std::optional<data::IndexPath> indexPath,
                                   data::FetchedResultsChangeType type,
                                   std::optional<data::IndexPath> newIndexPath) override;
    void controllerDidChangeContent(data::FetchedResultsController&) override;

private:
    using BlockOperation = std::function<void(ui::CollectionView&)>;

    void initializeFetchedResultsController();
    void refreshFetchedResultController();
    void loadMore();
    void keepOnScreen(const data::ObjectPtr& anchor, double anchorTop);
    void showQuickReplies(const Chat& chat);

    /// The size of a message's item (the list's width; the height by kind,
    /// with the gap before a change of sender).
    QSizeF sizeForItem(const ui::IndexPath& atIndexPath);
    double baseHeight(const Chat& chat, double listWidth);
    /// The message's cards and their row height, parsed and measured once;
    /// nullptr when its payload holds no card list.
    const QList<std::shared_ptr<KCardModel>>* cachedCards(const Chat& chat);
    /// The message's button or confusion template, parsed and measured
    /// once; nullptr when its payload is not one.
    std::shared_ptr<KButtonTempateModel> cachedTemplate(const Chat& chat, BubbleCellType type);
    void forgetTemplate(const data::ObjectID& objectID);
    void emailDraftEdited(const Chat& message, const QString& text);
    ui::CollectionViewCell* templateCell(ui::CollectionView& collectionView,
                                         const ui::IndexPath& indexPath, const Chat& chat,
                                         BubbleCellType type);
    ui::CollectionViewCell* bubbleCell(ui::CollectionView& collectionView,
                                       const ui::IndexPath& indexPath,
                                       const std::optional<Chat>& chat, BubbleCellType type);
    /// A text's measured size plus the bubble's padding and time line.
    QSizeF sizeForText(const QString& text, double listWidth) const;

    std::unique_ptr<MessageWindow> m_window;
    std::unique_ptr<data::FetchedResultsController> m_fetchedResultsController;
    QPointer<ui::CollectionView> m_chatTableView;
    QPointer<ChatViewController> m_parentController;
    std::vector<BlockOperation> m_blockOperations;
    // What the customer typed into each e-mail form, so that a row shown by
    // another cell (a reload, paging, reuse) keeps it.
    QHash<data::ObjectID, QString> m_emailDrafts;
    // A page loads once per arrival at the top: the list must leave it first.
    bool m_pagingArmed = false;
};

} // namespace kesvor
