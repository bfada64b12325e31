// A defaults suite file as it may be found on disk (written by another
// version, cut short, edited by hand), and the customer record in it.
#include "fuzz/FuzzSupport.h"

#include "Service/UserModel.h"
#include "foundation/UserDefaults.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("suite.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(fuzz::bytes(data, size));
    }
    foundation::UserDefaults defaults(QStringLiteral("suite"), directory.path());
    const QVariant user = defaults.objectForKey(QStringLiteral("user"));
    if (user.typeId() == QMetaType::QVariantMap)
        UserModel::initWithDic(user.toMap());
    defaults.boolForKey(QStringLiteral("isSignUpDone"));
    // Written back and read again, what was read stays the same.
    fuzz::require(!user.isValid() || defaults.setObject(user, QStringLiteral("user")),
                  "a value read from the suite can be stored again");
    defaults.synchronize();
    foundation::UserDefaults reopened(QStringLiteral("suite"), directory.path());
    fuzz::require(reopened.objectForKey(QStringLiteral("user")) == user,
                  "the suite keeps what it read");
    return 0;
}
