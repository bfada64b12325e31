// The read side of the context: fetches and counts over the store with the
// context's own changes in view, and the objects their rows become.
#include "data/ManagedObjectContext.h"

#include "data/SqliteDatabase.h"

#include <algorithm>

namespace kesvor::data {

namespace {

// How many query statements a context finds by shape; others are found by text.
constexpr size_t queryStatementLimit = 16;

bool reportFailure(foundation::Error* error, const SqliteStatement& statement,
                   const QString& context)
{
    if (error)
        *error = statement.lastError(context);
    return false;
}

} // namespace

std::optional<ManagedObjectContext::PreparedQuery>
ManagedObjectContext::prepare(const FetchRequest& request, bool counting, foundation::Error* error)
{
    auto description = entity(request.entityName, error);
    const auto query = description ? EntityQuery::make(*description, request, error) : std::nullopt;
    if (!query || !writeChanges(error))
        return std::nullopt;
    SqliteStatement* statement = queryStatement(*query, counting, error);
    if (!statement)
        return std::nullopt;
    query->bind(*statement);
    return PreparedQuery{std::move(description), statement};
}

SqliteStatement* ManagedObjectContext::queryStatement(const EntityQuery& query, bool counting,
                                                      foundation::Error* error)
{
    SqliteDatabase* database = connection(error);
    if (!database)
        return nullptr;
    const auto key = query.key();
    if (key) {
        const auto known = std::find_if(m_queryStatements.begin(), m_queryStatements.end(),
                                        [&](const QueryStatement& known) {
                                            return known.counting == counting && known.key == *key;
                                        });
        if (known != m_queryStatements.end()) {
            known->statement->reset();
            return known->statement;
        }
    }
    SqliteStatement* statement =
        database->cachedStatement(counting ? query.countSql() : query.selectSql(), error);
    if (statement && key) {
        if (m_queryStatements.size() >= queryStatementLimit)
            m_queryStatements.erase(m_queryStatements.begin());
        m_queryStatements.push_back({*key, counting, statement});
    }
    return statement;
}

std::optional<QList<ObjectPtr>> ManagedObjectContext::fetch(const FetchRequest& request,
                                                            foundation::Error* error)
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    const auto query = prepare(request, false, error);
    if (!query)
        return std::nullopt;
    const StatementScope scope(query->statement);
    QList<ObjectPtr> objects;
    SqliteStatement::Step step;
    while ((step = query->statement->step()) == SqliteStatement::Step::Row)
        objects << objectForRow(query->entity, *query->statement);
    if (step == SqliteStatement::Step::Error) {
        reportFailure(error, *query->statement, QStringLiteral("fetch ") + request.entityName);
        return std::nullopt;
    }
    return objects;
}

std::optional<int> ManagedObjectContext::count(const FetchRequest& request,
                                               foundation::Error* error)
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    const auto query = prepare(request, true, error);
    if (!query)
        return std::nullopt;
    const StatementScope scope(query->statement);
    if (query->statement->step() != SqliteStatement::Step::Row) {
        reportFailure(error, *query->statement, QStringLiteral("count ") + request.entityName);
        return std::nullopt;
    }
    return int(query->statement->columnInt64(0));
}

std::optional<QString> ManagedObjectContext::queryPlan(const FetchRequest& request,
                                                       foundation::Error* error)
{
    assertThread();
    const std::lock_guard lock(m_mutex);
    const auto description = entity(request.entityName, error);
    const auto query = description ? EntityQuery::make(*description, request, error) : std::nullopt;
    SqliteDatabase* database = query ? connection(error) : nullptr;
    auto statement =
        database
            ? database->prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + query->selectSql(), error)
            : std::nullopt;
    if (!statement)
        return std::nullopt;
    query->bind(*statement);
    QStringList lines;
    while (statement->step() == SqliteStatement::Step::Row)
        lines << statement->column(3).toString();
    return lines.join(u'\n');
}

ObjectPtr
ManagedObjectContext::objectForRow(const std::shared_ptr<const EntityDescription>& description,
                                   const SqliteStatement& row)
{
    const ObjectID id{description->name(), row.columnInt64(0)};
    if (ObjectPtr known = m_registry.find(id))
        return known;
    auto object =
        std::make_shared<ManagedObject>(description, EntityQuery::readValues(*description, row));
    stateOf(*object).attach(weak_from_this(), id.primaryKey, State::Clean);
    m_registry.add(object);
    return object;
}

std::optional<QHash<qint64, AttributeValues>>
ManagedObjectContext::readStoredValues(const std::shared_ptr<const EntityDescription>& description,
                                       const QList<qint64>& primaryKeys, foundation::Error* error)
{
    FetchRequest request = FetchRequest::forEntity(description->name());
    request.objectIDs = QList<ObjectID>();
    for (qint64 key : primaryKeys)
        request.objectIDs->append({description->name(), key});
    const auto query = EntityQuery::make(*description, request, error);
    SqliteDatabase* database = query ? connection(error) : nullptr;
    SqliteStatement* statement =
        database ? database->cachedStatement(query->selectSql(), error) : nullptr;
    if (!statement)
        return std::nullopt;
    const StatementScope scope(statement);
    query->bind(*statement);
    QHash<qint64, AttributeValues> rows;
    SqliteStatement::Step step;
    while ((step = statement->step()) == SqliteStatement::Step::Row)
        rows.insert(statement->columnInt64(0), EntityQuery::readValues(*description, *statement));
    if (step == SqliteStatement::Step::Error) {
        reportFailure(error, *statement, QStringLiteral("read ") + description->name());
        return std::nullopt;
    }
    return rows;
}

} // namespace kesvor::data
