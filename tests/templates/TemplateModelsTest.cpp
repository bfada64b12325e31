// The template models built from payloads, and what a tapped button does.
#include "Models/ButtonAction.h"
#include "Models/ButtonModel.h"
#include "Models/CardKeyValues.h"
#include "Models/KButtonTempateModel.h"
#include "Models/KCardModel.h"
#include "View/ConversationNotifications.h"
#include "foundation/Json.h"
#include "templates/TemplateTestSupport.h"

#include <gtest/gtest.h>

using namespace kesvor;
using test::Posted;

namespace {

QVariant json(const char* text)
{
    return foundation::Json::decode(QByteArray(text)).value_or(QVariant());
}

} // namespace

TEST(TemplateModelsTest, CardsKeepPayloadOrderAndSkipWhatCannotBeACard)
{
    const auto cards = KCardModel::modelsFromArray(json(R"([
        {"title": "One", "subtitle": null, "image_url": 5, "buttons": []},
        {"subtitle": "no title"},
        "not an object",
        {"title": "Two", "subtitle": "Sub", "image_url": "https://example.com/a.png",
         "buttons": [{"title": "Both", "payload": "P", "url": "https://x"},
                     {"title": "Link", "payload": 5, "url": "https://y"},
                     {"title": "Nothing to do"},
                     {"title": "B3", "payload": "3"}, {"title": "B4", "payload": "4"}]},
        {"title": "Three", "buttons": "not a list"}
    ])"));
    ASSERT_TRUE(cards);
    ASSERT_EQ(cards->size(), 3);
    const KCardModel& one = *(*cards)[0];
    EXPECT_EQ(one.title, "One");
    EXPECT_FALSE(one.subTitle);
    EXPECT_FALSE(one.imageUrl);
    ASSERT_TRUE(one.buttons);
    EXPECT_TRUE(one.buttons->isEmpty()) << "an empty list stays present";

    const KCardModel& two = *(*cards)[1];
    EXPECT_EQ(two.subTitle, "Sub");
    EXPECT_EQ(two.imageUrl, "https://example.com/a.png");
    ASSERT_TRUE(two.buttons);
    // Beyond three buttons the model keeps them all; a button without a way
    // to act is left out.
    ASSERT_EQ(two.buttons->size(), 4);
    EXPECT_EQ((*two.buttons)[0], ButtonModel::initWithTitleAndValue("Both", "P"));
    EXPECT_EQ((*two.buttons)[1], ButtonModel::initWithTitleAndUrl("Link", "https://y"));
    EXPECT_EQ((*two.buttons)[3].title(), "B4");

    EXPECT_FALSE((*cards)[2]->buttons) << "buttons of another type count as absent";
    EXPECT_TRUE(KCardModel::modelsFromArray(QVariantList())->isEmpty());
    EXPECT_FALSE(KCardModel::modelsFromArray(QVariant("elements")));
    EXPECT_EQ(foundation::rawValue(CardKeyValues::imageUrl), "image_url");
    EXPECT_EQ(foundation::fromRawValue<CardKeyValues>(u"buttons"), CardKeyValues::buttons);
    EXPECT_FALSE(foundation::fromRawValue<CardKeyValues>(u"Title"));
}

TEST(TemplateModelsTest, TemplatesNeedTextAndButtonsAndKeepEveryUsableButton)
{
    const auto model = KButtonTempateModel::initWithPayloadObject(
        json(R"({"template_type": "confusion", "text": "Which?", "buttons": [
            {"title": "A", "payload": "a"}, {"payload": "untitled"}, {"title": "B", "url": "u"},
            {"title": "C", "payload": "c"}, {"title": "D", "payload": "d"},
            {"title": "E", "payload": "e"}]})")
            .toMap());
    ASSERT_TRUE(model);
    EXPECT_EQ(model->text, "Which?");
    ASSERT_EQ(model->buttons.size(), 5) << "no limit on the count here";
    EXPECT_EQ(model->buttons[1], ButtonModel::initWithTitleAndUrl("B", "u"));

    for (const char* payload :
         {R"({"buttons": []})", R"({"text": null, "buttons": []})", R"({"text": "T"})",
          R"({"text": "T", "buttons": {}})", R"({"text": 3, "buttons": []})"})
        EXPECT_FALSE(KButtonTempateModel::initWithPayloadObject(json(payload).toMap())) << payload;
}

TEST(TemplateModelsTest, PostbacksSendTheirTitleAndKeywordAndLinksAskForTheWebView)
{
    Posted sent(SendMessageNotification);
    Posted links(ShowWebViewNotification);
    ButtonAction::perform(ButtonModel::initWithTitleAndValue("Yes", "YES_PAYLOAD"));
    ASSERT_EQ(sent.all.size(), 1);
    EXPECT_EQ(sent.all[0], (QVariantMap{{"text", "Yes"}, {"messageKeyword", "YES_PAYLOAD"}}));
    EXPECT_TRUE(links.all.isEmpty());

    ButtonAction::perform(ButtonModel::initWithTitleAndUrl("Terms", "https://example.com/t"));
    ASSERT_EQ(links.all.size(), 1);
    EXPECT_EQ(links.all[0], (QVariantMap{{"url", "https://example.com/t"}}));
    EXPECT_EQ(sent.all.size(), 1);
}
