#pragma once

#include "data/ManagedObjectContext.h"
#include "data/ManagedObjectModel.h"
#include "data/PersistentStoreCoordinator.h"

#include <QtCore/QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace kesvor::test {

/// A small model of notes, and a store of it in a fresh temporary directory.
class DataTestFixture : public ::testing::Test {
protected:
    static QByteArray notesModelJson(const QString& version = QStringLiteral("notes_v1"),
                                     const QString& extraAttribute = {});
    static data::ManagedObjectModel::Ptr
    notesModel(const QString& version = QStringLiteral("notes_v1"),
               const QString& extraAttribute = {});

    void SetUp() override;

    QString storePath() const { return m_directory.filePath(QStringLiteral("notes.sqlite")); }
    QString path(const QString& name) const { return m_directory.filePath(name); }

    /// A coordinator with the store at storePath().
    std::shared_ptr<data::PersistentStoreCoordinator>
    openStore(data::ManagedObjectModel::Ptr model = {});

    std::shared_ptr<data::ManagedObjectContext>
    newContext(data::ManagedObjectContext::ConcurrencyType type =
                   data::ManagedObjectContext::ConcurrencyType::PrivateQueue);

    /// Inserts a note with these values into context (not saved).
    static data::ObjectPtr insertNote(data::ManagedObjectContext& context, const QString& title,
                                      const QString& day = QStringLiteral("2024-01-01"),
                                      qlonglong rank = 0);

    /// Titles of every stored note, read through a fresh context, in order of storage.
    QStringList storedTitles();

    QTemporaryDir m_directory;
    std::shared_ptr<data::PersistentStoreCoordinator> m_coordinator;
};

} // namespace kesvor::test

/// Readable strings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
