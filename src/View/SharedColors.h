#pragma once

#include "ui/Color.h"

namespace kesvor {

/// The title colour of every template button and the enabled Send button's
/// background.
inline const QColor BUTTON_TEXT_COLOR = ui::Color::rgba(0, 109.0 / 255, 240.0 / 255);

/// The grey behind the message list, the quick-reply strip and the disabled
/// Send button.
inline const QColor LIST_BACKGROUND_COLOR = ui::Color::white(239.0 / 255);

} // namespace kesvor
