#include "foundation/NotificationCenter.h"

#include <QtCore/QThread>

#include <gtest/gtest.h>

using kesvor::foundation::Notification;
using kesvor::foundation::NotificationCenter;

TEST(NotificationCenterTest, DeliversByNameInOrderWithUserInfo)
{
    NotificationCenter center;
    QStringList calls;
    int owner = 0;
    center.addObserver(&owner, QStringLiteral("A"), [&](const Notification& n) {
        calls << n.userInfo.value("text").toString();
    });
    center.addObserver(nullptr, QStringLiteral("A"),
                       [&](const Notification&) { calls << "second"; });
    center.addObserver(nullptr, QStringLiteral("B"), [&](const Notification&) { calls << "B"; });
    center.post(QStringLiteral("A"), {{QStringLiteral("text"), QStringLiteral("hi")}});
    EXPECT_EQ(calls, (QStringList{"hi", "second"}));
}

TEST(NotificationCenterTest, TokensAndObserversRemoveTheirObservations)
{
    NotificationCenter center;
    int a = 0, b = 0;
    int hits = 0;
    const auto token = center.addObserver(&a, QStringLiteral("N"), [&](auto&) { hits += 1; });
    center.addObserver(&a, QStringLiteral("M"), [&](auto&) { hits += 10; });
    center.addObserver(&b, QStringLiteral("N"), [&](auto&) { hits += 100; });
    center.removeObserver(token);
    center.post(QStringLiteral("N"));
    EXPECT_EQ(hits, 100);
    center.removeObserver(&b);
    center.post(QStringLiteral("N"));
    center.post(QStringLiteral("M"));
    EXPECT_EQ(hits, 110);
    center.removeObserver(&a, QStringLiteral("M"));
    EXPECT_EQ(center.observerCount(QStringLiteral("M")), 0);
}

TEST(NotificationCenterTest, ObserverRemovedDuringPostIsNotCalledAndReentrancyWorks)
{
    NotificationCenter center;
    NotificationCenter::Token second = 0;
    int secondCalls = 0, nestedCalls = 0;
    center.addObserver(nullptr, QStringLiteral("N"), [&](auto&) {
        center.removeObserver(second);
        center.post(QStringLiteral("Nested"));
    });
    second = center.addObserver(nullptr, QStringLiteral("N"), [&](auto&) { ++secondCalls; });
    center.addObserver(nullptr, QStringLiteral("Nested"), [&](auto&) { ++nestedCalls; });
    center.post(QStringLiteral("N"));
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(nestedCalls, 1);
}

TEST(NotificationCenterTest, PostsFromOtherThreadsRunThere)
{
    NotificationCenter center;
    std::atomic<QThread*> deliveredOn{nullptr};
    center.addObserver(nullptr, QStringLiteral("N"),
                       [&](auto&) { deliveredOn = QThread::currentThread(); });
    QThread* worker = QThread::create([&] { center.post(QStringLiteral("N")); });
    worker->start();
    worker->wait();
    EXPECT_EQ(deliveredOn.load(), worker);
    delete worker;
}
