#include "Kesvor/SdkImage.h"

#include "Kesvor/KesvorBundle.h"

namespace kesvor {

std::optional<ui::Image> sdkImage(const QString& name)
{
    // Names only: nothing outside the images folder can be reached.
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return std::nullopt;
    for (const QString& file : {name + QStringLiteral("@2x.png"), name + QStringLiteral(".png")})
        if (std::optional<ui::Image> image =
                ui::Image::fromFile(KesvorBundle::path(QStringLiteral("images/") + file)))
            return image;
    return std::nullopt;
}

} // namespace kesvor
