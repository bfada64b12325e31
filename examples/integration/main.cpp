#include <kesvor/Kesvor.h>

#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kesvor::Kesvor::initWithToken(QStringLiteral("your-business-token"));
    kesvor::Kesvor::setMetaUserinfo(kesvor::KesvorMetaUserInfo(
        {{kesvor::KUserInfoKey::KUserId, QStringLiteral("customer-42")}}));
    QPushButton support(QStringLiteral("Contact support"));
    QObject::connect(&support, &QPushButton::clicked, [] { kesvor::Kesvor::show(); });
    support.show();
    return app.exec();
}
