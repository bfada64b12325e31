#pragma once

#include "foundation/RawRepresentable.h"

#include <QtCore/QString>

#include <array>
#include <utility>

namespace kesvor {

/// Delivery state of a message towards the customer or the agent.
enum class MessageStatusEnum { seen, sending, sent, unsent };

} // namespace kesvor

template <> struct kesvor::foundation::RawValues<kesvor::MessageStatusEnum> {
    using S = kesvor::MessageStatusEnum;
    static constexpr std::array table{std::pair{S::seen, "seen"}, std::pair{S::sending, "sending"},
                                      std::pair{S::sent, "sent"}, std::pair{S::unsent, "unsent"}};
};

namespace kesvor {

/// The raw value of a status as a string made once.
inline const QString& statusText(MessageStatusEnum status)
{
    static const auto texts = [] {
        std::array<QString, foundation::allCases<MessageStatusEnum>().size()> all;
        for (const MessageStatusEnum kase : foundation::allCases<MessageStatusEnum>())
            all[size_t(kase)] = foundation::rawValue(kase);
        return all;
    }();
    return texts[size_t(status)];
}

} // namespace kesvor
