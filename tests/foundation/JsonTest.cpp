#include "foundation/Json.h"

#include <gtest/gtest.h>

using kesvor::foundation::Error;
using kesvor::foundation::Json;

TEST(JsonTest, DecodesObjectsAndArraysAndRejectsEverythingElse)
{
    Error error;
    EXPECT_EQ(Json::decode("{\"a\":[1,2.5,true,null,\"s\"]}")->toMap().value("a").toList().size(),
              5);
    EXPECT_EQ(Json::decode("[]")->typeId(), QMetaType::QVariantList);
    for (const QByteArray& text : {QByteArray("{\"a\":"), QByteArray("garbage"), QByteArray(""),
                                   QByteArray("42"), QByteArray("\"text\"")}) {
        error = {};
        EXPECT_FALSE(Json::decode(text, &error)) << text.constData();
        EXPECT_FALSE(error.description.isEmpty());
    }
}

TEST(JsonTest, NumbersKeepIntegerAndFractionalKinds)
{
    const QVariantMap map = Json::decode("{\"i\":12345678901,\"d\":0.5}")->toMap();
    EXPECT_EQ(map.value("i").toLongLong(), 12345678901LL);
    EXPECT_DOUBLE_EQ(map.value("d").toDouble(), 0.5);
}

TEST(JsonTest, EncodeRefusesNonJsonValues)
{
    EXPECT_EQ(*Json::encode(QVariantMap{{"k", QVariantList{1, "x"}}}),
              QByteArray("{\"k\":[1,\"x\"]}"));
    EXPECT_FALSE(Json::encode(QVariantMap{{"k", QVariant::fromValue(QSize(1, 2))}}));
    EXPECT_FALSE(Json::encode(QVariantMap{{"k", qInf()}}));
    EXPECT_FALSE(Json::encode(QStringLiteral("top-level string")));
}
