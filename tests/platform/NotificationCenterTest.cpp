#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <thread>

using sv::Notification;
using sv::NotificationCenter;

namespace {

void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

TEST(NotificationCenter, DeliversByNameWithUserInfo)
{
    NotificationCenter center;
    QStringList seen;
    auto a = center.addObserver(QStringLiteral("ScanDidEnd"),
                                [&](const Notification& n) { seen << n.name + n.userInfo.value("k").toString(); },
                                NotificationCenter::Delivery::PostingThread);
    auto all = center.addObserver(QString(), [&](const Notification& n) { seen << "*" + n.name; },
                                  NotificationCenter::Delivery::PostingThread);
    center.post(QStringLiteral("ScanDidStart"));
    center.post(QStringLiteral("ScanDidEnd"), {{"k", "1"}});
    EXPECT_EQ(seen, QStringList({"*ScanDidStart", "ScanDidEnd1", "*ScanDidEnd"}));
}

TEST(NotificationCenter, MainThreadDeliveryHopsAndStopsAfterRemoval)
{
    NotificationCenter center;
    std::vector<QThread*> threads;
    auto obs = std::make_unique<NotificationCenter::Observation>(center.addObserver(
        QStringLiteral("X"), [&](const Notification&) { threads.push_back(QThread::currentThread()); }));

    std::thread([&] { center.post(QStringLiteral("X")); }).join();
    EXPECT_TRUE(threads.empty()) << "a post from another thread must be queued";
    drainEvents();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads[0], QCoreApplication::instance()->thread());

    // Queued, then the observer goes away: the delivery must not happen.
    std::thread([&] { center.post(QStringLiteral("X")); }).join();
    obs.reset();
    drainEvents();
    EXPECT_EQ(threads.size(), 1u);
}

TEST(NotificationCenter, ContextDestroyedDropsDelivery)
{
    NotificationCenter center;
    int calls = 0;
    auto context = std::make_unique<QObject>();
    auto obs = center.addObserver(QStringLiteral("X"), [&](const Notification&) { ++calls; },
                                  NotificationCenter::Delivery::MainThread, context.get());
    std::thread([&] { center.post(QStringLiteral("X")); }).join();
    context.reset();
    drainEvents();
    EXPECT_EQ(calls, 0);
}
