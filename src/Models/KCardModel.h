#pragma once

#include "Models/ButtonModel.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <memory>
#include <optional>

namespace kesvor {

/// One card of a carousel. Shared, never copied, between the list's caches
/// and the card views that show it.
class KCardModel {
public:
    KCardModel(QString title, std::optional<QString> subTitle, std::optional<QString> imageUrl,
               std::optional<QList<ButtonModel>> buttons);

    /// A card object: a string "title" is required; a "subtitle" or
    /// "image_url" that is not a string counts as absent; "buttons" that is
    /// not a list counts as absent, and its elements that are not buttons are
    /// left out. Null without a title.
    static std::shared_ptr<KCardModel> initWithDic(const QVariant& dic);
    /// One card per usable element of "elements", in order; elements that
    /// are not cards are left out. Nothing when the value is not a list.
    static std::optional<QList<std::shared_ptr<KCardModel>>> modelsFromArray(const QVariant& array);

    QString title;
    std::optional<QString> subTitle;
    std::optional<QString> imageUrl;
    std::optional<QList<ButtonModel>> buttons;
};

} // namespace kesvor
