#pragma once

#include "ui/Image.h"

#include <QtCore/QString>

#include <optional>

namespace kesvor {

/// An image from the SDK's own resource bundle ("images/<name>@2x.png",
/// drawn at half its pixel size, or "images/<name>.png"). Nothing when the
/// bundle holds no image of that name.
std::optional<ui::Image> sdkImage(const QString& name);

/// A bubble image stretched in the middle, with the caps of an incoming
/// bubble (top 15, left 20, bottom 20, right 14).
ui::Image strechableIncomingMessagebubble(const ui::Image& image);
/// With the caps of an outgoing bubble (15, 20, 15, 20).
ui::Image strechableOutgoingMessagebubble(const ui::Image& image);

} // namespace kesvor
