#include "ui/layout/VisualFormat.h"

#include "ui/layout/VisualFormatParser.h"

namespace kesvor::ui::layout {

std::optional<VisualFormat> VisualFormat::parse(const QString& format, QString* error)
{
    VisualFormatParser parser(format);
    std::optional<VisualFormat> result = parser.parse();
    if (error)
        *error = result ? QString() : parser.error();
    return result;
}

} // namespace kesvor::ui::layout
