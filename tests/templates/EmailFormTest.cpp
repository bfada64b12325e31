// The e-mail form: the address check, its frames, what a submit posts and
// does to the host's metadata, and that reloading a row keeps the typing.
#include "ui/UiTest.h"

#include "Cells/KEmailTemplateCell.h"
#include "Store/MyDataController.h"
#include "View/ConversationNotifications.h"
#include "kesvor/Kesvor.h"
#include "templates/TemplateTestSupport.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextField.h"

#include <QtWidgets/QLineEdit>

using namespace kesvor;

namespace {

class EmailFormTest : public test::UiTest {
protected:
    static Chat storedMessage(const QString& messageId)
    {
        auto context = MyDataController::sharedInstance().context();
        std::optional<Chat> chat = Chat::insertNew(*context);
        chat->setMessageId(messageId);
        chat->setCreatedOn(QDateTime::currentDateTimeUtc());
        EXPECT_TRUE(context->save());
        return *chat;
    }

    KEmailTemplateCell* placedForm()
    {
        ui::View* root = makeRoot(320, 568);
        auto* form = new KEmailTemplateCell(QRectF(0, 0, 320, 144));
        root->addSubview(form);
        root->layoutIfNeeded();
        return form;
    }

    void typeInto(KEmailTemplateCell* form, const QString& text)
    {
        QLineEdit* edit = form->emailTextField()->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, text);
    }
};

} // namespace

TEST_F(EmailFormTest, AddressMustBeTheWholeTrimmedText)
{
    for (const char* valid : {"a@b.co", "jo.smith+shop@mail.example.com", "x_y%z-1@d-1.org",
                              "name@example.info", "  padded@example.com \n"})
        EXPECT_TRUE(KEmailTemplateCell::isValidEmailAddress(valid)) << valid;
    for (const char* invalid :
         {"", "plain", "a@b", "a@b.c", "call me at a@b.com tomorrow", "a/b@c.com", "a:b@c.com",
          "[a]@c.com", "a@@b.com", "a@b.com.", "a b@c.com", "a@b.c0m"})
        EXPECT_FALSE(KEmailTemplateCell::isValidEmailAddress(invalid)) << invalid;
}

TEST_F(EmailFormTest, FormSitsAboveItsTimeAndSubmitsTheTrimmedAddressKeepingTheHostsMetadata)
{
    KEmailTemplateCell* form = placedForm();
    EXPECT_EQ(form->titleLabel()->text(), "Enter your email here:");
    const double base = form->baseView()->frame().height();
    EXPECT_FRAME(form->baseView(), 24, 144 - 24 - base, 272, base);
    EXPECT_EQ(form->timeLabel()->frame().right(), 320 - 30);
    EXPECT_EQ(form->timeLabel()->frame().height(), 24);
    EXPECT_FRAME(form->emailTextField(), 10, base - 10 - 30 - 8 - 30, 252, 30);
    EXPECT_FRAME(form->submitButton(), 50, base - 10 - 30, 172, 30);
    EXPECT_EQ(form->titleLabel()->frame().top(), 10);

    Kesvor::setMetaUserinfo(KesvorMetaUserInfo({{KUserInfoKey::KUserId, "host-42"},
                                                {KUserInfoKey::KUsername, "Ada"},
                                                {KUserInfoKey::KPhone, "123"}}));
    form->setModel(storedMessage("asking-1"));
    test::Posted submitted(SubmitEmailNotification);
    test::Posted wrong(WrongEmailFormatNotification);

    test::clickView(host(), form->submitButton());
    EXPECT_EQ(wrong.all.size(), 1) << "an empty field";
    typeInto(form, "call me at a@b.com tomorrow");
    test::clickView(host(), form->submitButton());
    EXPECT_EQ(wrong.all.size(), 2);
    EXPECT_TRUE(submitted.all.isEmpty());
    EXPECT_EQ(form->emailTextField()->text(), "call me at a@b.com tomorrow") << "the text stays";

    typeInto(form, " ada@example.info ");
    test::clickView(host(), form->submitButton());
    test::clickView(host(), form->submitButton());
    ASSERT_EQ(submitted.all.size(), 2) << "a form can be submitted again";
    EXPECT_EQ(submitted.all[0],
              (QVariantMap{
                  {"messageId", "asking-1"}, {"text", "ada@example.info"}, {"userId", "host-42"}}));
    const auto info = Kesvor::metaUserinfo()->info().value();
    EXPECT_EQ(info.value(KUserInfoKey::KEmail), "ada@example.info");
    EXPECT_EQ(info.value(KUserInfoKey::KUsername), "Ada");
    EXPECT_EQ(info.value(KUserInfoKey::KPhone), "123");
    EXPECT_EQ(Kesvor::customerId(), "host-42");
    EXPECT_EQ(wrong.all.size(), 2);
}

TEST_F(EmailFormTest, RebindingKeepsTheTypingOfTheSameMessageOnlyAndNoIdMeansNoSubmit)
{
    KEmailTemplateCell* form = placedForm();
    const Chat asking = storedMessage("asking-2");
    form->setModel(asking);
    typeInto(form, "half@typ");
    form->setModel(asking);
    EXPECT_EQ(form->emailTextField()->text(), "half@typ") << "a reload of the same row";
    form->setModel(storedMessage("asking-3"));
    EXPECT_TRUE(form->emailTextField()->text().isEmpty()) << "another message";

    // A message without an id, or no customer at all: the tap does nothing.
    test::Posted submitted(SubmitEmailNotification);
    test::Posted wrong(WrongEmailFormatNotification);
    Kesvor::setMetaUserinfo(KesvorMetaUserInfo({{KUserInfoKey::KUserId, "host-7"}}));
    auto context = MyDataController::sharedInstance().context();
    std::optional<Chat> withoutId = Chat::insertNew(*context);
    ASSERT_TRUE(context->save());
    form->setModel(*withoutId);
    typeInto(form, "a@b.com");
    test::clickView(host(), form->submitButton());
    form->setModel(asking);
    typeInto(form, "a@b.com");
    Kesvor::setMetaUserinfo(std::nullopt);
    test::clickView(host(), form->submitButton());
    EXPECT_TRUE(submitted.all.isEmpty());
    EXPECT_TRUE(wrong.all.isEmpty());
}
