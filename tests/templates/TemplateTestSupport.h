#pragma once

#include "foundation/NotificationCenter.h"
#include "ui/View.h"

#include <QtCore/QList>
#include <QtCore/QVariantMap>
#include <QtTest/QTest>
#include <QtWidgets/QWidget>

namespace kesvor::test {

/// Every notification posted under name while it exists.
class Posted {
public:
    explicit Posted(const char* name)
    {
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, QString::fromLatin1(name), [this](const foundation::Notification& notification) {
                all.append(notification.userInfo);
            });
    }
    ~Posted() { foundation::NotificationCenter::defaultCenter().removeObserver(this); }
    Posted(const Posted&) = delete;
    Posted& operator=(const Posted&) = delete;

    QList<QVariantMap> all;
};

/// A click at the view's centre, delivered to the window that holds it.
inline void clickView(QWidget& host, ui::View* view)
{
    const QPoint centre = view->convert(view->bounds().center(), nullptr).toPoint();
    QTest::mouseClick(host.windowHandle(), Qt::LeftButton, {}, centre);
    QCoreApplication::processEvents();
}

} // namespace kesvor::test
