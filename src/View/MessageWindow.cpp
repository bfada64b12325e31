#include "View/MessageWindow.h"

#include "Store/Chat.h"

namespace kesvor {

namespace {

// Written so that the day-and-time index finds the rows: a range on the day
// first, read newest first for the older ones, oldest first for the window.
const QString fromStart = QStringLiteral("date >= %@ AND (date > %@ OR createdOn >= %@)");
const QString beforeStart = QStringLiteral("date <= %@ AND (date < %@ OR createdOn < %@)");

} // namespace

MessageWindow::MessageWindow(std::shared_ptr<data::ManagedObjectContext> context)
    : m_context(std::move(context))
{
}

bool MessageWindow::startAtNewest(int pageSize, foundation::Error* error)
{
    const auto start = startOfPage(pageSize, std::nullopt, error);
    m_start = start.value_or(std::nullopt);
    return start.has_value();
}

bool MessageWindow::growByPage(int pageSize, foundation::Error* error)
{
    if (!m_start)
        return false;
    const auto start = startOfPage(pageSize, m_start, error);
    if (!start)
        return false;
    m_start = *start;
    return true;
}

std::optional<data::Predicate> MessageWindow::predicate() const
{
    if (!m_start)
        return std::nullopt;
    return data::Predicate::withFormat(fromStart,
                                       {m_start->date, m_start->date, m_start->createdOn});
}

std::optional<std::optional<MessageWindow::Start>>
MessageWindow::startOfPage(int pageSize, const std::optional<Start>& before,
                           foundation::Error* error)
{
    data::FetchRequest request = Chat::fetchRequest();
    request.sortDescriptors = {{QStringLiteral("date"), false},
                               {QStringLiteral("createdOn"), false}};
    // One more than a page tells whether anything lies beyond it.
    request.fetchLimit = pageSize + 1;
    if (before)
        request.predicate = data::Predicate::withFormat(
            beforeStart, {before->date, before->date, before->createdOn});
    const auto objects = m_context->fetch(request, error);
    if (!objects)
        return std::nullopt;
    if (objects->size() <= pageSize)
        return std::optional<Start>();
    const Chat first(objects->at(pageSize - 1));
    return std::optional<Start>(Start{first.date(), first.createdOn()});
}

} // namespace kesvor
