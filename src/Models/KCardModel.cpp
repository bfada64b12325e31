#include "Models/KCardModel.h"

#include "Models/CardKeyValues.h"
#include "foundation/DebugLog.h"
#include "foundation/Json.h"

namespace kesvor {

namespace {

constexpr int maximumCardButtons = 3;

std::optional<QString> stringAt(const QVariantMap& dictionary, CardKeyValues key)
{
    const QVariant value = dictionary.value(foundation::rawValue(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QList<ButtonModel>> buttonsAt(const QVariantMap& dictionary)
{
    const QVariant value = dictionary.value(foundation::rawValue(CardKeyValues::buttons));
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList elements = value.toList();
    if (elements.size() > maximumCardButtons)
        KESVOR_DEBUG_LOG << "Buttons can never be greater than 3";
    QList<ButtonModel> buttons;
    for (const QVariant& element : elements)
        if (const auto button = ButtonModel::getButtonModel(element))
            buttons.append(*button);
    return buttons;
}

} // namespace

KCardModel::KCardModel(QString title, std::optional<QString> subTitle,
                       std::optional<QString> imageUrl, std::optional<QList<ButtonModel>> buttons)
    : title(std::move(title))
    , subTitle(std::move(subTitle))
    , imageUrl(std::move(imageUrl))
    , buttons(std::move(buttons))
{
}

std::shared_ptr<KCardModel> KCardModel::initWithDic(const QVariant& dic)
{
    const auto dictionary = foundation::Json::asMap(dic);
    if (!dictionary)
        return nullptr;
    auto title = stringAt(*dictionary, CardKeyValues::title);
    if (!title)
        return nullptr;
    return std::make_shared<KCardModel>(
        std::move(*title), stringAt(*dictionary, CardKeyValues::subtitle),
        stringAt(*dictionary, CardKeyValues::imageUrl), buttonsAt(*dictionary));
}

std::optional<QList<std::shared_ptr<KCardModel>>> KCardModel::modelsFromArray(const QVariant& array)
{
    if (array.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<std::shared_ptr<KCardModel>> cards;
    for (const QVariant& element : array.toList())
        if (auto card = initWithDic(element))
            cards.append(std::move(card));
    return cards;
}

} // namespace kesvor
