#pragma once

#include "ui/Image.h"

#include <QtCore/QString>

#include <optional>

namespace kesvor {

/// An image from the SDK's own resource bundle ("images/<name>@2x.png",
/// drawn at half its pixel size, or "images/<name>.png"). Nothing when the
/// bundle holds no image of that name.
std::optional<ui::Image> sdkImage(const QString& name);

} // namespace kesvor
