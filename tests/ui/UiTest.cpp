#include "ui/UiTest.h"

#include "foundation/Clock.h"
#include "ui/Application.h"

#include <QtCore/QDir>
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
    if (HasFailure()) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString folder = QStringLiteral(KESVOR_BINARY_DIR "/tests/ui/failures");
        QDir().mkpath(folder);
        m_host->grab().save(QStringLiteral("%1/%2.%3.png")
                                .arg(folder, QString::fromUtf8(info->test_suite_name()),
                                     QString::fromUtf8(info->name())));
    }
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

void UiTest::wait(int ms)
{
    QTest::qWait(ms);
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
