#pragma once

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <optional>

namespace kesvor {

/// One tappable choice: a postback (its value travels as the message keyword
/// with the title as the text) or a link (its url opens in the web view).
/// Exactly one of value() and url() is present. Immutable.
class ButtonModel {
public:
    /// A postback button.
    static ButtonModel initWithTitleAndValue(const QString& title, const QString& value);
    /// A link button.
    static ButtonModel initWithTitleAndUrl(const QString& title, const QString& url);

    /// A button object: a string "payload" makes a postback (whatever
    /// "url" holds), otherwise a string "url" a link. Nothing without a
    /// string "title", or without either.
    static std::optional<ButtonModel> getButtonModel(const QVariant& buttonDic);

    /// The quick replies of a message ("quick_replies"), in order; elements
    /// without a string "title" and "payload" are left out. Empty when the
    /// value is not a list.
    static QList<ButtonModel> quickReplies(const QVariant& quickReplies);

    QString title() const { return m_title; }
    std::optional<QString> value() const { return m_value; }
    std::optional<QString> url() const { return m_url; }

    friend bool operator==(const ButtonModel&, const ButtonModel&) = default;

private:
    ButtonModel(QString title, std::optional<QString> value, std::optional<QString> url);

    QString m_title;
    std::optional<QString> m_value;
    std::optional<QString> m_url;
};

} // namespace kesvor
