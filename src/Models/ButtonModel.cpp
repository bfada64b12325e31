#include "Models/ButtonModel.h"

#include "Models/ButtonKeyValues.h"
#include "foundation/Json.h"

namespace kesvor {

namespace {

std::optional<QString> stringAt(const QVariantMap& dictionary, ButtonKeyValues key)
{
    const QVariant value = dictionary.value(foundation::rawValue(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

ButtonModel::ButtonModel(QString title, std::optional<QString> value, std::optional<QString> url)
    : m_title(std::move(title))
    , m_value(std::move(value))
    , m_url(std::move(url))
{
}

ButtonModel ButtonModel::initWithTitleAndValue(const QString& title, const QString& value)
{
    return ButtonModel(title, value, std::nullopt);
}

ButtonModel ButtonModel::initWithTitleAndUrl(const QString& title, const QString& url)
{
    return ButtonModel(title, std::nullopt, url);
}

std::optional<ButtonModel> ButtonModel::getButtonModel(const QVariant& buttonDic)
{
    const auto dictionary = foundation::Json::asMap(buttonDic);
    if (!dictionary)
        return std::nullopt;
    const auto title = stringAt(*dictionary, ButtonKeyValues::title);
    if (!title)
        return std::nullopt;
    if (const auto payload = stringAt(*dictionary, ButtonKeyValues::payload))
        return initWithTitleAndValue(*title, *payload);
    if (const auto url = stringAt(*dictionary, ButtonKeyValues::url))
        return initWithTitleAndUrl(*title, *url);
    return std::nullopt;
}

QList<ButtonModel> ButtonModel::quickReplies(const QVariant& quickReplies)
{
    QList<ButtonModel> replies;
    if (quickReplies.typeId() != QMetaType::QVariantList)
        return replies;
    for (const QVariant& element : quickReplies.toList()) {
        const auto dictionary = foundation::Json::asMap(element);
        const auto title =
            dictionary ? stringAt(*dictionary, ButtonKeyValues::title) : std::nullopt;
        const auto payload =
            dictionary ? stringAt(*dictionary, ButtonKeyValues::payload) : std::nullopt;
        if (title && payload)
            replies.append(initWithTitleAndValue(*title, *payload));
    }
    return replies;
}

} // namespace kesvor
