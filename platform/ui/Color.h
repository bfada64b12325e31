#pragma once

#include <QtGui/QColor>

namespace kesvor::ui::Color {

/// A colour from red, green, blue and alpha components between 0 and 1.
inline QColor rgba(double red, double green, double blue, double alpha = 1.0)
{
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
                            static_cast<float>(blue), static_cast<float>(alpha));
}

/// A grey of the given white level between 0 (black) and 1 (white).
inline QColor white(double white, double alpha = 1.0)
{
    return rgba(white, white, white, alpha);
}

/// Fully transparent: views with this background draw none.
inline QColor clear()
{
    return rgba(0, 0, 0, 0);
}

inline QColor black()
{
    return white(0);
}

inline QColor white()
{
    return white(1);
}

inline QColor darkGray()
{
    return white(1.0 / 3.0);
}

inline QColor gray()
{
    return white(0.5);
}

inline QColor lightGray()
{
    return white(2.0 / 3.0);
}

inline QColor red()
{
    return rgba(1, 0, 0);
}

} // namespace kesvor::ui::Color
