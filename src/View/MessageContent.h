#pragma once

#include "Models/ButtonModel.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <optional>

namespace kesvor {

class Chat;

/// The parts of a stored message's content ("msg"."message") that the list
/// reads: the text, the template's type and the quick replies. Parts of the
/// wrong type count as absent.
class MessageContent {
public:
    explicit MessageContent(const Chat& chat);
    explicit MessageContent(const QVariantMap& msg);

    /// "text", when it is a string.
    std::optional<QString> text() const;
    /// "attachment"."type".
    std::optional<QString> attachmentType() const;
    /// "attachment"."payload"."template_type".
    std::optional<QString> templateType() const;
    /// "attachment"."payload".
    QVariantMap payload() const;
    /// The usable elements of "quick_replies", in order.
    QList<ButtonModel> quickReplies() const;

private:
    QVariantMap m_message;
};

} // namespace kesvor
