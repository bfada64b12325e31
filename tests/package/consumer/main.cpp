#include <kesvor/Kesvor.h>

#include <QtCore/QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    kesvor::Kesvor::setMetaUserinfo(
        kesvor::KesvorMetaUserInfo({{kesvor::KUserInfoKey::KUserId, QStringLiteral("host-1")}}));
    const bool ok = kesvor::Kesvor::customerId() == QStringLiteral("host-1");
    std::printf("Kesvor %g host %s\n", KesvorVersionNumber, ok ? "ok" : "broken");
    return ok ? 0 : 1;
}
