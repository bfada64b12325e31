#include "SdkImage.h"

#include "KesvorBuildConfig.h"

namespace kesvor {

std::optional<ui::Image> sdkImage(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return std::nullopt;
    const QString folder = QStringLiteral(":/%1/images/").arg(QString::fromUtf8(BUNDLE_NAME));
    for (const QString& file : {name + QStringLiteral("@2x.png"), name + QStringLiteral(".png")})
        if (std::optional<ui::Image> image = ui::Image::fromFile(folder + file))
            return image;
    return std::nullopt;
}

} // namespace kesvor
