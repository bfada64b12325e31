#include "foundation/UserDefaults.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

#include <gtest/gtest.h>

using kesvor::foundation::UserDefaults;

namespace {

QVariantMap sampleRecord()
{
    return {
        {QStringLiteral("userId"), QStringLiteral("c-42")},
        {QStringLiteral("count"), qlonglong(7)},
        {QStringLiteral("ratio"), 0.25},
        {QStringLiteral("active"), true},
        {QStringLiteral("tags"), QVariantList{QStringLiteral("a"), qlonglong(2), false}},
        {QStringLiteral("nested"),
         QVariantMap{{QStringLiteral("room"), QStringLiteral("r1")},
                     {QStringLiteral("empty"), QVariantMap{}},
                     {QStringLiteral("none"), QVariant::fromValue(nullptr)}}},
    };
}

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

} // namespace

TEST_F(UserDefaultsTest, ValuesSurviveANewInstanceWithTheirTypes)
{
    {
        UserDefaults defaults(QStringLiteral("io.test.suite"), dir.path());
        EXPECT_TRUE(defaults.setObject(sampleRecord(), QStringLiteral("user")));
        defaults.setBool(true, QStringLiteral("isSignUpDone"));
        EXPECT_TRUE(defaults.synchronize());
    }
    UserDefaults reopened(QStringLiteral("io.test.suite"), dir.path());
    const QVariant user = reopened.objectForKey(QStringLiteral("user"));
    ASSERT_EQ(user.typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(user.toMap(), sampleRecord());
    const QVariantMap nested = user.toMap().value(QStringLiteral("nested")).toMap();
    EXPECT_EQ(nested.value(QStringLiteral("none")).typeId(), QMetaType::Nullptr);
    EXPECT_EQ(user.toMap().value(QStringLiteral("active")).typeId(), QMetaType::Bool);
    EXPECT_TRUE(reopened.boolForKey(QStringLiteral("isSignUpDone")));
    EXPECT_EQ(reopened.objectForKey(QStringLiteral("isSignUpDone")).typeId(), QMetaType::Bool);
}

TEST_F(UserDefaultsTest, SuitesAreSeparateAndRemovalPersists)
{
    UserDefaults a(QStringLiteral("io.test.a"), dir.path());
    UserDefaults b(QStringLiteral("io.test.b"), dir.path());
    a.setObject(QStringLiteral("x"), QStringLiteral("k"));
    EXPECT_FALSE(b.objectForKey(QStringLiteral("k")).isValid());
    a.synchronize();
    a.removeObjectForKey(QStringLiteral("k"));
    a.synchronize();
    UserDefaults reopened(QStringLiteral("io.test.a"), dir.path());
    EXPECT_FALSE(reopened.objectForKey(QStringLiteral("k")).isValid());
}

TEST_F(UserDefaultsTest, RefusesValuesThatAreNotJsonTyped)
{
    UserDefaults defaults(QStringLiteral("io.test.types"), dir.path());
    EXPECT_FALSE(defaults.setObject(QDateTime::currentDateTime(), QStringLiteral("when")));
    EXPECT_FALSE(
        defaults.setObject(QVariantMap{{QStringLiteral("n"), qQNaN()}}, QStringLiteral("nan")));
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("when")).isValid());
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("nan")).isValid());
}

TEST_F(UserDefaultsTest, BoolForKeyReadsMissingAndForeignValuesAsFalse)
{
    UserDefaults defaults(QStringLiteral("io.test.bools"), dir.path());
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("missing")));
    defaults.setObject(QVariantMap{}, QStringLiteral("map"));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("map")));
    defaults.setObject(qlonglong(1), QStringLiteral("one"));
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("one")));
    defaults.setObject(QStringLiteral("nope"), QStringLiteral("text"));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("text")));
}

TEST_F(UserDefaultsTest, CorruptFileStartsEmptyAndIsUsable)
{
    const QString path = dir.filePath(QStringLiteral("io.test.corrupt.json"));
    for (const QByteArray& garbage :
         {QByteArray("{\"user\": [1, 2"), QByteArray("[1,2,3]"), QByteArray("\x00\xff\x10", 3)}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(garbage);
        file.close();
        UserDefaults defaults(QStringLiteral("io.test.corrupt"), dir.path());
        EXPECT_FALSE(defaults.objectForKey(QStringLiteral("user")).isValid());
        defaults.setObject(QStringLiteral("v"), QStringLiteral("k"));
        EXPECT_EQ(defaults.objectForKey(QStringLiteral("k")).toString(), QStringLiteral("v"));
    }
}

TEST_F(UserDefaultsTest, UnwritableDirectoryKeepsValuesInMemory)
{
    UserDefaults defaults(QStringLiteral("io.test.ro"), QStringLiteral("/proc/kesvor-no-such-dir"));
    defaults.setObject(QStringLiteral("v"), QStringLiteral("k"));
    EXPECT_FALSE(defaults.synchronize());
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("k")).toString(), QStringLiteral("v"));
}
