#include "ui/Font.h"

#include <QtGui/QGuiApplication>

#include <cmath>

namespace kesvor::ui {

namespace {

constexpr double labelFontSize = 17;
constexpr double buttonFontSize = 15;

QFont::Weight qtWeight(FontWeight weight)
{
    switch (weight) {
    case FontWeight::Medium:
        return QFont::Medium;
    case FontWeight::Semibold:
        return QFont::DemiBold;
    case FontWeight::Bold:
        return QFont::Bold;
    case FontWeight::Regular:
        break;
    }
    return QFont::Normal;
}

} // namespace

QFont Font::systemFont(double size, FontWeight weight)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(qtWeight(weight));
    // Fractional glyph positions keep measured and drawn widths identical.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont Font::boldSystemFont(double size)
{
    return systemFont(size, FontWeight::Bold);
}

QFont Font::defaultLabelFont()
{
    return systemFont(labelFontSize);
}

QFont Font::defaultButtonFont()
{
    return systemFont(buttonFontSize);
}

} // namespace kesvor::ui
