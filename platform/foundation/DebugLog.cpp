#include "foundation/DebugLog.h"

namespace kesvor::foundation {

Q_LOGGING_CATEGORY(debugLog, "kesvor.debug")

} // namespace kesvor::foundation
