#pragma once

#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtCore/QThread>

#include <utility>

namespace kesvor::foundation {

/// True on the thread that runs the application's event loop.
inline bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

/// Queues work onto the main thread's event loop; it runs there later, also
/// when called from the main thread itself.
template <typename Work> void runOnMainThread(Work&& work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Work>(work),
                              Qt::QueuedConnection);
}

} // namespace kesvor::foundation

/// Entry points of main-thread classes assert their thread in debug builds.
#define KESVOR_ASSERT_MAIN_THREAD() Q_ASSERT(::kesvor::foundation::isMainThread())
