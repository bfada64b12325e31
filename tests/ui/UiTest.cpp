#include "ui/UiTest.h"

#include "foundation/Clock.h"
#include "support/TestSupport.h"
#include "ui/Application.h"

#include <QtTest/QTest>

namespace kesvor::test {

void UiTest::SetUp()
{
    m_host = std::make_unique<QWidget>();
    m_host->setObjectName(QStringLiteral("host"));
    m_host->resize(hostWidth, hostHeight);
    m_host->show();
    ui::Application::shared().setHostWindow(m_host.get());
}

void UiTest::TearDown()
{
    test::saveScreenshotIfFailed(*m_host);
    m_host.reset();
    foundation::Clock::shared().setManual(false);
}

ui::View* UiTest::makeRoot(double width, double height)
{
    auto* root = new ui::View(QRectF(0, 0, width, height));
    root->setParent(m_host.get());
    root->show();
    return root;
}

void UiTest::driveClock()
{
    foundation::Clock::shared().setManual(true);
}

void UiTest::advance(double ms)
{
    foundation::Clock::shared().advance(ms);
    QCoreApplication::processEvents();
}

} // namespace kesvor::test
