#pragma once

#include <QtCore/QUrl>

#include <functional>

namespace kesvor::web {

/// Decides whether a web view may load url, in its main frame or in a frame
/// inside the page. Refused URLs load nothing.
using UrlPolicy = std::function<bool(const QUrl& url, bool isMainFrame)>;

/// http and https URLs with a host.
bool isWebUrl(const QUrl& url);

/// The policy web views start with: pages come from the web only (isWebUrl);
/// frames inside a page may also be about:blank and about:srcdoc. Local
/// files, data:, javascript: and every other scheme are refused.
bool webOnlyPolicy(const QUrl& url, bool isMainFrame);

} // namespace kesvor::web
