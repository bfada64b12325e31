#pragma once

#include "Models/ButtonModel.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <memory>

namespace kesvor {

/// A prompt and its buttons: the model of the button template and of the
/// confusion template. Shared between the list's caches and the views.
class KButtonTempateModel {
public:
    KButtonTempateModel(QString text, QList<ButtonModel> buttons);

    static std::shared_ptr<KButtonTempateModel>
    initWithTextButtons(const QString& text, const QList<ButtonModel>& buttons);
    /// A "button" or "confusion" payload: a string "text" and a list
    /// "buttons" are required (null otherwise); elements that are not
    /// buttons are left out. No limit on the count: the views keep theirs.
    static std::shared_ptr<KButtonTempateModel> initWithPayloadObject(const QVariantMap& payload);

    QString text;
    QList<ButtonModel> buttons;
};

} // namespace kesvor
