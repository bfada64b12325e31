// The contents of a rich message ("msg" of a wire message): its template
// payload as cards, a button or confusion template, and its quick replies,
// as the message list reads them. Whatever the payload holds, the models
// built from it keep only usable buttons.
#include "fuzz/FuzzSupport.h"

#include "Models/ButtonModel.h"
#include "Models/KButtonTempateModel.h"
#include "Models/KCardModel.h"
#include "View/MessageContent.h"
#include "foundation/Json.h"

using namespace kesvor;

namespace {

// A button has a title and exactly one of a payload and an address.
void requireUsable(const ButtonModel& button)
{
    fuzz::require(button.value().has_value() != button.url().has_value(),
                  "a button has a payload or an address, not both or neither");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto decoded = foundation::Json::decode(fuzz::bytes(data, size));
    if (!decoded || decoded->typeId() != QMetaType::QVariantMap)
        return 0;
    const MessageContent content(decoded->toMap());
    content.text();
    content.templateType();
    for (const ButtonModel& reply : content.quickReplies())
        requireUsable(reply);

    const QVariantMap payload = content.payload();
    if (const auto cards = KCardModel::modelsFromArray(payload.value(QStringLiteral("elements"))))
        for (const auto& card : *cards) {
            fuzz::require(card != nullptr, "a listed card exists");
            for (const ButtonModel& button : card->buttons.value_or(QList<ButtonModel>()))
                requireUsable(button);
        }
    if (const auto buttons = KButtonTempateModel::initWithPayloadObject(payload))
        for (const ButtonModel& button : buttons->buttons)
            requireUsable(button);
    return 0;
}
