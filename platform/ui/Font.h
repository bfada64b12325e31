#pragma once

#include <QtGui/QFont>

namespace kesvor::ui {

enum class FontWeight { Regular, Medium, Semibold, Bold };

/// Fonts in points: one point is one device-independent pixel, whatever the
/// screen's dots per inch, so text measures the same on every machine.
class Font {
public:
    /// The system face at size points.
    static QFont systemFont(double size, FontWeight weight = FontWeight::Regular);
    static QFont boldSystemFont(double size);

    /// What labels and text views use unless told otherwise (17 points).
    static QFont defaultLabelFont();
    /// What button titles use unless told otherwise (15 points).
    static QFont defaultButtonFont();
};

} // namespace kesvor::ui
