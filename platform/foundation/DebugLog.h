#pragma once

#include <QtCore/QLoggingCategory>

namespace kesvor::foundation {

/// The category of debug diagnostics ("kesvor.debug"). Release builds compile
/// every KESVOR_DEBUG_LOG statement out, so shipped binaries print none of them.
Q_DECLARE_LOGGING_CATEGORY(debugLog)

} // namespace kesvor::foundation

#ifdef KESVOR_DEBUG_LOG_ENABLED
#define KESVOR_DEBUG_LOG qCDebug(::kesvor::foundation::debugLog).noquote()
#else
#define KESVOR_DEBUG_LOG QT_NO_QDEBUG_MACRO()
#endif
