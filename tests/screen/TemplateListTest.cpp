// Template messages in the conversation's list: what the bot sends appears
// as its cells and every button works end to end, and the list's template
// caches always describe the message each row shows, whatever changes.
#include "screen/ConversationTest.h"

#include "Cells/ChatBubble.h"
#include "Cells/KButtonTemplateCell.h"
#include "Cells/KCardHolderCell.h"
#include "Cells/KConfusionTemplateCell.h"
#include "Cells/KEmailTemplateCell.h"
#include "KCard/KCard.h"
#include "KCard/KCardCell.h"
#include "Models/KButtonTempateModel.h"
#include "Models/KCardModel.h"
#include "Store/MyDataController.h"
#include "View/ChatTableController.h"
#include "View/ChatViewController.h"
#include "View/ConversationNotifications.h"
#include "View/CustomDateFormatter.h"
#include "View/ImageLoader.h"
#include "View/KButtonTempateView.h"
#include "View/KConfusionTempateView.h"
#include "View/MessageContent.h"
#include "support/TestSupport.h"
#include "templates/TemplateTestSupport.h"
#include "ui/AlertController.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/TextField.h"

#include <QtWidgets/QLineEdit>

#include <random>

using namespace kesvor;

namespace {

// What a model shows, for comparing a cached model with a fresh parse.
QString describe(const QList<ButtonModel>& buttons)
{
    QStringList parts;
    for (const ButtonModel& button : buttons)
        parts << button.title() + u'|' + button.value().value_or("-") + u'|' +
                     button.url().value_or("-");
    return parts.join(u';');
}

QString describe(const QList<std::shared_ptr<KCardModel>>& cards)
{
    QStringList parts;
    for (const auto& card : cards)
        parts << card->title + u'/' + card->subTitle.value_or("-") + u'/' +
                     card->imageUrl.value_or("-") + u'/' +
                     (card->buttons ? describe(*card->buttons) : QStringLiteral("none"));
    return parts.join(u'\n');
}

QString describe(const std::shared_ptr<KButtonTempateModel>& model)
{
    return model ? model->text + u'\n' + describe(model->buttons) : QStringLiteral("null");
}

class TemplateListTest : public test::ConversationTest {
protected:
    ChatTableController& table() { return *screen().chatTableController(); }

    template <typename Cell> Cell* waitForCell(int timeoutMs = 10'000)
    {
        Cell* found = nullptr;
        test::waitUntil(
            [&] {
                screen().view()->layoutIfNeeded();
                for (ui::CollectionViewCell* cell : list()->visibleCells())
                    if (auto* match = qobject_cast<Cell*>(cell))
                        found = match;
                return found != nullptr;
            },
            timeoutMs);
        // The list scrolls to its newest row; clicks go where it comes to rest.
        advance(1000);
        screen().view()->layoutIfNeeded();
        return found;
    }

    // A click once the list has come to rest (a status change may have
    // scrolled it again).
    void tap(ui::View* view)
    {
        settle();
        click(view);
    }

    void settle()
    {
        advance(1000);
        EXPECT_TRUE(
            waitWhileTimePasses([&] { return list()->presentationBounds() == list()->bounds(); }));
        screen().view()->layoutIfNeeded();
    }

    // Sends what a customer types once the bot has answered the last thing
    // the customer sent (an answer arriving after the next question would
    // sort below it), and lets the send delay pass.
    void ask(const QString& word)
    {
        ASSERT_TRUE(test::waitUntil([&] {
            const QVariantList stored = storedMessages();
            return stored.isEmpty() || stored.last().toMap()["msgFrom"] != customerId();
        }));
        ASSERT_EQ(screen().sendMessgeToServer(word, word), ConversationActions::SendResult::sent);
        advance(1000);
    }

    bool serviceReceivedMessage(const QString& text, const QString& keyword)
    {
        return test::waitUntil([&] {
            for (const QVariant& event : service().receivedEvents("chat-msg")) {
                const QVariantMap message = event.toMap()["items"].toList().value(0).toMap();
                if (message["msg"].toMap()["message"].toMap()["text"] == text)
                    return message["msgKeyWord"] == keyword;
            }
            return false;
        });
    }

    // Only the cells of the rows on screen are shown: binding a cell never
    // leaves another one behind.
    void expectNoStrayCells(const QString& step)
    {
        qsizetype shown = 0;
        for (ui::View* view : list()->subviews())
            shown += qobject_cast<ui::CollectionViewCell*>(view) && !view->isHidden();
        EXPECT_EQ(shown, list()->visibleCells().size()) << qPrintable(step);
    }

    // Every row on screen: its cached template and height equal a fresh
    // parse and measurement of the message it shows, and so does its cell.
    void expectRowsMatchTheirMessages(const QString& step)
    {
        screen().view()->layoutIfNeeded();
        expectNoStrayCells(step);
        for (const ui::IndexPath& indexPath : list()->indexPathsForVisibleItems()) {
            const Chat chat(table().fetchedResultsController().object(indexPath));
            const MessageContent content(chat);
            const QVariantMap payload = content.payload();
            const QString kind = content.templateType().value_or(QString());
            ui::CollectionViewCell* cell = list()->cellForItem(indexPath);
            const double gap = indexPath.item == 0 ? 16 : 0;
            const QString where = step + QStringLiteral(" at %1.%2 (%3)")
                                             .arg(indexPath.section)
                                             .arg(indexPath.item)
                                             .arg(chat.messageId().value_or("?"));
            if (kind == "generic") {
                const auto fresh = KCardModel::modelsFromArray(payload["elements"]);
                if (!fresh) {
                    // Cards that cannot be built: an empty bubble that takes no room.
                    EXPECT_FALSE(table().cache.contains(chat.objectID())) << qPrintable(where);
                    EXPECT_TRUE(qobject_cast<ChatBubble*>(cell)) << qPrintable(where);
                    EXPECT_EQ(cell->frame().height(), gap) << qPrintable(where);
                    continue;
                }
                const double height = KCard::getMaxHeight(*fresh);
                EXPECT_EQ(describe(table().cache.value(chat.objectID())), describe(*fresh))
                    << qPrintable(where);
                EXPECT_EQ(table().cacheHeight.value(chat.objectID()), height + 24)
                    << qPrintable(where);
                auto* holder = qobject_cast<KCardHolderCell*>(cell);
                ASSERT_TRUE(holder) << qPrintable(where);
                EXPECT_EQ(describe(holder->cards()), describe(*fresh)) << qPrintable(where);
                EXPECT_EQ(holder->height(), height) << qPrintable(where);
                EXPECT_EQ(cell->frame().height(), height + 24 + gap) << qPrintable(where);
            } else if (kind == "button" || kind == "confusion") {
                const auto fresh = KButtonTempateModel::initWithPayloadObject(payload);
                std::unique_ptr<KTemplateBlockView> block;
                if (kind == "button")
                    block = std::make_unique<KButtonTempateView>();
                else
                    block = std::make_unique<KConfusionTemplateView>();
                block->setButtonTemplateModel(fresh);
                EXPECT_EQ(describe(table().cacheButtonTempate.value(chat.objectID())),
                          describe(fresh))
                    << qPrintable(where);
                EXPECT_EQ(cell->frame().height(), block->frame().height() + 24 + gap)
                    << qPrintable(where);
                std::shared_ptr<KButtonTempateModel> shown;
                if (auto* buttons = qobject_cast<KButtonTemplateCell*>(cell))
                    shown = buttons->buttonTemplateView()->buttonTemplateModel();
                else if (auto* choices = qobject_cast<KConfusionTemplateCell*>(cell))
                    shown = choices->confusionTemplateView()->buttonTemplateModel();
                EXPECT_EQ(describe(shown), describe(fresh)) << qPrintable(where);
            }
        }
    }
};

// A bot message of a random kind, with random titles, at createdOn.
QVariantMap randomMessage(std::mt19937& random, int number, const QDateTime& createdOn)
{
    const auto pick = [&](int count) { return int(random() % unsigned(count)); };
    const auto words = [&](int most) {
        static const QStringList vocabulary{"blue",   "mug",  "order", "a",      "delivery", "tea",
                                            "return", "gift", "card",  "refund", "yesterday"};
        QStringList text;
        for (int index = 0, count = 1 + pick(most); index < count; ++index)
            text << vocabulary[pick(int(vocabulary.size()))];
        return text.join(u' ');
    };
    const auto buttons = [&](int most) {
        QVariantList list;
        for (int index = 0, count = pick(most + 1); index < count; ++index)
            list << QVariantMap{{"title", words(12)}, {"payload", QString::number(index)}};
        return list;
    };
    QVariantMap payload;
    switch (pick(5)) {
    case 0: {
        QVariantList elements;
        for (int index = 0, count = 1 + pick(3); index < count; ++index) {
            QVariantMap element{{"title", words(15)}, {"buttons", buttons(4)}};
            if (pick(2))
                element["subtitle"] = words(30);
            if (pick(2))
                element["image_url"] = QStringLiteral("ftp://pictures.invalid/%1.png").arg(index);
            elements << element;
        }
        payload = {{"template_type", "generic"}, {"elements", elements}};
        break;
    }
    case 1:
        payload = {{"template_type", "button"}, {"text", words(20)}, {"buttons", buttons(3)}};
        break;
    case 2:
        payload = {{"template_type", "confusion"}, {"text", words(20)}, {"buttons", buttons(4)}};
        break;
    case 3:
        payload = {{"template_type", "email"}};
        break;
    default:
        payload = {{"template_type", "generic"}, {"elements", "broken"}};
        break;
    }
    return {{"msgFrom", "bot"},
            {"msgTo", "someone"},
            {"msg", QVariantMap{{"message",
                                 QVariantMap{{"attachment", QVariantMap{{"type", "template"},
                                                                        {"payload", payload}}}}}}},
            {"roomId", "room"},
            {"createdOn", CustomDateFormatter().RFC3339DateFormatter.stringFromDate(createdOn)},
            {"senderIdentity", "bot"},
            {"senderRole", "bot"},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("random-%1").arg(number)},
            {"messageSentToCustomerStatus", "sent"}};
}

} // namespace

TEST_F(TemplateListTest, TemplateCachesFollowTheMessagesThroughInsertsDeletesUpdatesAndPages)
{
    std::mt19937 random(20261207);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QVariantMap> stored;
    QVariantList history;
    for (int number = 0; number < 30; ++number) {
        stored << randomMessage(random, number, now.addSecs(-3600 + 60 * number));
        history << stored.last();
    }
    MyDataController::sharedInstance().addChats(history, [](const QList<Chat>&) {});
    waitForStore();
    openScreen();
    expectRowsMatchTheirMessages("opened");

    auto context = MyDataController::sharedInstance().context();
    for (int step = 0; step < 40; ++step) {
        const int action = int(random() % 4);
        QString name;
        if (action == 0) {
            // A message that sorts anywhere, also before every other.
            const int number = 100 + step;
            stored << randomMessage(random, number,
                                    now.addSecs(-4000 + int(random() % 4000)).addMSecs(step));
            MyDataController::sharedInstance().addChats({stored.last()}, [](const QList<Chat>&) {});
            waitForStore();
            name = QStringLiteral("insert");
        } else if (action == 1) {
            const std::optional<QList<data::ObjectPtr>> shown =
                table().fetchedResultsController().fetchedObjects();
            if (!shown || shown->isEmpty())
                continue;
            context->deleteObject((*shown)[int(random() % unsigned(shown->size()))]);
            ASSERT_TRUE(context->save());
            name = QStringLiteral("delete");
        } else if (action == 2) {
            QVariantMap changed = stored[int(random() % unsigned(stored.size()))];
            changed["messageSentToCustomerStatus"] = QStringLiteral("seen");
            MyDataController::sharedInstance().addChats({changed}, [](const QList<Chat>&) {});
            waitForStore();
            name = QStringLiteral("update");
        } else {
            wheelToTop();
            name = QStringLiteral("page");
        }
        QCoreApplication::processEvents();
        advance(500);
        expectRowsMatchTheirMessages(QStringLiteral("step %1 (%2)").arg(step).arg(name));
        if (HasFatalFailure())
            return;
    }
}

TEST_F(TemplateListTest, BotTemplatesAppearAndEveryButtonWorks)
{
    openScreen();
    ASSERT_TRUE(waitForSupportChat());

    // Cards, with their pictures once they arrive.
    ask("cards");
    auto* holder = waitForCell<KCardHolderCell>();
    ASSERT_TRUE(holder);
    ASSERT_EQ(holder->cards().size(), 4);
    EXPECT_EQ(holder->frame().height(), KCard::getMaxHeight(holder->cards()) + 24 + 16);
    holder->cardCollectionView()->layoutIfNeeded();
    auto* mug = qobject_cast<KCardCell*>(holder->cardCollectionView()->cellForItem({0, 0}));
    ASSERT_TRUE(mug);
    ASSERT_TRUE(
        test::waitUntil([&] { return mug->cardView()->cardImageView()->image().has_value(); }));
    tap(mug->cardView()->button1());
    advance(1000);
    EXPECT_TRUE(serviceReceivedMessage("Buy the blue mug", "BUY_BLUE_MUG"));

    // A button template, whose link asks for the web view.
    ask("buttons");
    auto* buttons = waitForCell<KButtonTemplateCell>();
    ASSERT_TRUE(buttons);
    KButtonTempateView* block = buttons->buttonTemplateView();
    EXPECT_EQ(buttons->frame().height(), block->frame().height() + 24 + 16);
    test::Posted links(ShowWebViewNotification);
    foundation::NotificationCenter::defaultCenter().removeObserver(
        &screen(), QString::fromLatin1(ShowWebViewNotification));
    tap(block->buttons()[2]);
    ASSERT_EQ(links.all.size(), 1);
    EXPECT_TRUE(links.all[0]["url"].toString().startsWith(service().baseUrl() + "/bridge"));
    tap(block->buttons()[0]);
    advance(1000);
    EXPECT_TRUE(serviceReceivedMessage("Track my order", "TRACK_ORDER"));

    // Choices; the fourth choice sends its payload.
    ask("choices");
    auto* choices = waitForCell<KConfusionTemplateCell>();
    ASSERT_TRUE(choices);
    tap(choices->confusionTemplateView()->buttons()[3]);
    advance(1000);
    EXPECT_TRUE(serviceReceivedMessage("Something else", "SOMETHING_ELSE"));

    // The e-mail form: a wrong address warns, a good one reaches the service.
    ask("email");
    ASSERT_TRUE(waitForCell<KEmailTemplateCell>());
    // Status changes reload the row, with another cell each time: the form
    // is looked up again once the list is at rest.
    const auto form = [&] {
        settle();
        return waitForCell<KEmailTemplateCell>(0);
    };
    EXPECT_EQ(form()->frame().height(), 144 + 16);
    QTest::keyClicks(form()->emailTextField()->lineEdit(), "not an address");
    click(form()->submitButton());
    const auto* alert = qobject_cast<ui::AlertController*>(screen().presentedViewController());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), "Please enter valid email format.");
    press(Qt::Key_Escape);
    advance(200);
    ASSERT_FALSE(screen().presentedViewController());
    KEmailTemplateCell* typing = form();
    typing->emailTextField()->lineEdit()->clear();
    QTest::keyClicks(typing->emailTextField()->lineEdit(), "ada@example.com");
    const QString asking = typing->model()->messageId().value_or(QString());
    // A reload of the row keeps what is typed, whichever cell shows it.
    const auto row = list()->indexPathForCell(typing);
    ASSERT_TRUE(row);
    list()->reloadItems({*row});
    EXPECT_EQ(form()->emailTextField()->text(), "ada@example.com");
    click(form()->submitButton());
    ASSERT_TRUE(test::waitUntil([&] { return !received("submit-email").isEmpty(); }));
    const QVariantMap submitted =
        received("submit-email").last().toMap()["items"].toList().value(0).toMap();
    EXPECT_EQ(submitted["text"], "ada@example.com");
    EXPECT_EQ(submitted["userId"], customerId());
    EXPECT_EQ(submitted["messageId"], asking);
    // The bot's thanks, reported seen, is the last change the list gets; once
    // it is stored and the list has come to rest, only the rows on screen
    // have cells.
    ASSERT_TRUE(test::waitUntil([&] {
        const QVariantList messages = storedMessages();
        if (messages.isEmpty())
            return false;
        const QVariantMap last = messages.last().toMap();
        return last["msg"].toMap()["message"].toMap()["text"] ==
                   "Thank you! We will write to ada@example.com." &&
               last["messageSentToCustomerStatus"] == "seen";
    }));
    settle();
    expectNoStrayCells(QStringLiteral("at the end"));
}
