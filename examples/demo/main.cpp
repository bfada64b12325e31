// A host application that links the Kesvor SDK the way a customer's app does.
#include <kesvor/Kesvor.h>

#include <QtCore/QTextStream>
#include <QtWidgets/QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kesvor::Kesvor::initWithToken(QStringLiteral("demo-business-token"));
    QTextStream(stdout) << "Kesvor " << KesvorVersionNumber
                        << " linked; the conversation screen arrives in a later release.\n";
    return 0;
}
