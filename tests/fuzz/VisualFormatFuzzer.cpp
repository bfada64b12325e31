// Visual-format layout strings.
#include "fuzz/FuzzSupport.h"

#include "ui/layout/VisualFormatParser.h"

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ui::layout::VisualFormatParser parser(QString::fromUtf8(fuzz::bytes(data, size)));
    const auto format = parser.parse();
    fuzz::require(format.has_value() == parser.error().isEmpty(),
                  "a format either parses or says why not");
    return 0;
}
