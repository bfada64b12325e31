#include "Kesvor/SdkImage.h"

#include "Kesvor/KesvorBundle.h"

namespace kesvor {

namespace {

constexpr ui::EdgeInsets incomingBubbleCaps{15, 20, 20, 14};
constexpr ui::EdgeInsets outgoingBubbleCaps{15, 20, 15, 20};

} // namespace

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

ui::Image strechableIncomingMessagebubble(const ui::Image& image)
{
    return image.resizableImage(incomingBubbleCaps);
}

ui::Image strechableOutgoingMessagebubble(const ui::Image& image)
{
    return image.resizableImage(outgoingBubbleCaps);
}

} // namespace kesvor
