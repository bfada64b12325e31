#include "Models/KButtonTempateModel.h"

namespace kesvor {

KButtonTempateModel::KButtonTempateModel(QString text, QList<ButtonModel> buttons)
    : text(std::move(text))
    , buttons(std::move(buttons))
{
}

std::shared_ptr<KButtonTempateModel>
KButtonTempateModel::initWithTextButtons(const QString& text, const QList<ButtonModel>& buttons)
{
    return std::make_shared<KButtonTempateModel>(text, buttons);
}

std::shared_ptr<KButtonTempateModel>
KButtonTempateModel::initWithPayloadObject(const QVariantMap& payload)
{
    const QVariant text = payload.value(QStringLiteral("text"));
    const QVariant elements = payload.value(QStringLiteral("buttons"));
    if (text.typeId() != QMetaType::QString || elements.typeId() != QMetaType::QVariantList)
        return nullptr;
    QList<ButtonModel> buttons;
    for (const QVariant& element : elements.toList())
        if (const auto button = ButtonModel::getButtonModel(element))
            buttons.append(*button);
    return initWithTextButtons(text.toString(), buttons);
}

} // namespace kesvor
