#include "View/MessageContent.h"

#include "Store/Chat.h"
#include "foundation/Json.h"

namespace kesvor {

namespace {

QVariantMap mapAt(const QVariantMap& dictionary, const char* key)
{
    return foundation::Json::asMap(dictionary.value(QLatin1String(key))).value_or(QVariantMap());
}

std::optional<QString> stringAt(const QVariantMap& dictionary, const char* key)
{
    const QVariant value = dictionary.value(QLatin1String(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

MessageContent::MessageContent(const Chat& chat)
    : MessageContent(chat.msg().value_or(QVariantMap()))
{
}

MessageContent::MessageContent(const QVariantMap& msg)
    : m_message(mapAt(msg, "message"))
{
}

std::optional<QString> MessageContent::text() const
{
    return stringAt(m_message, "text");
}

std::optional<QString> MessageContent::attachmentType() const
{
    return stringAt(mapAt(m_message, "attachment"), "type");
}

QVariantMap MessageContent::payload() const
{
    return mapAt(mapAt(m_message, "attachment"), "payload");
}

std::optional<QString> MessageContent::templateType() const
{
    return stringAt(payload(), "template_type");
}

QList<ButtonModel> MessageContent::quickReplies() const
{
    return ButtonModel::quickReplies(m_message.value(QStringLiteral("quick_replies")));
}

} // namespace kesvor
