// The wire message: JSON text as the service sends it in "chat-msg" and
// "old-chats", parsed into a record; a record's values must come back from
// their stored form unchanged.
#include "fuzz/FuzzSupport.h"

#include "Store/ChatModel.h"
#include "Store/ChatModelRuns.h"
#include "Store/MyDataController.h"
#include "data/ValueComparison.h"
#include "foundation/Json.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTemporaryDir>

using namespace kesvor;

namespace {

const data::EntityDescription& chatEntity()
{
    static const auto entity = MyDataController::sharedInstance()
                                   .myPersistentStoreCoordinator()
                                   ->managedObjectModel()
                                   ->entity(QString::fromLatin1(Chat::entityName));
    return *entity;
}

// What the store writes for a value is what it reads back.
void requireStoredFormKeeps(const QString& attribute, const QVariant& value)
{
    const data::EntityDescription& entity = chatEntity();
    const auto& description = entity.attributes()[entity.indexOfAttribute(attribute)];
    const auto normalized = description.normalized(value);
    fuzz::require(normalized.has_value(), "a parsed value fits its attribute");
    const QVariant back = description.fromStorage(description.toStorage(*normalized));
    if (!data::valuesEqual(back, *normalized))
        std::fprintf(stderr, "\"%s\" changed in the store\n", qPrintable(attribute));
    fuzz::require(data::valuesEqual(back, *normalized), "a stored value reads back unchanged");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QTemporaryDir dataDirectory;
    qputenv("KESVOR_DATA_DIR", dataDirectory.path().toUtf8());
    static QCoreApplication application(*argc, *argv);
    chatEntity();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto decoded = foundation::Json::decode(fuzz::bytes(data, size));
    if (!decoded)
        return 0;
    // A history is a list of messages; elements that are not messages are skipped.
    const QVariantList elements =
        decoded->typeId() == QMetaType::QVariantList ? decoded->toList() : QVariantList{*decoded};
    for (const QVariant& element : elements) {
        const auto record = ChatModelRuns::recordOf(element);
        if (!record)
            continue;
        fuzz::require(record->createdOn().isValid(), "a record has a creation time");
        requireStoredFormKeeps(QStringLiteral("msg"), record->msg());
        requireStoredFormKeeps(QStringLiteral("createdOn"), record->createdOn());
        requireStoredFormKeeps(QStringLiteral("msgFrom"), record->msgFrom());
        if (record->messageId())
            requireStoredFormKeeps(QStringLiteral("messageId"), *record->messageId());
    }
    return 0;
}
