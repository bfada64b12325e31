#pragma once

#include "support/TestSupport.h"
#include "web/WebView.h"

#include <QtCore/QRect>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWebEngineWidgets/QWebEngineView>

#include <optional>

namespace kesvor::test {

/// Loads url and waits until the page has finished; false when it failed.
inline bool loadAndWait(web::WebView& view, const QUrl& url, int timeoutMs = 20'000)
{
    QSignalSpy finished(&view, &web::WebView::loadFinished);
    if (!view.load(url))
        return false;
    return waitUntil([&] { return !finished.isEmpty(); }, timeoutMs) &&
           finished.last().value(0).toBool();
}

/// The value of script in the page's main frame.
inline QVariant evaluate(web::WebView& view, const QString& script, int timeoutMs = 10'000)
{
    std::optional<QVariant> result;
    view.evaluateJavaScript(script, [&](const QVariant& value) { result = value; });
    waitUntil([&] { return result.has_value(); }, timeoutMs);
    return result.value_or(QVariant());
}

/// Clicks the element selector names with the mouse, as a user would: at its
/// centre, through the engine's own widget.
inline bool clickElement(web::WebView& view, const QString& selector)
{
    const QVariantList box =
        evaluate(view, QStringLiteral("(function () { var r = document.querySelector(%1)"
                                      ".getBoundingClientRect(); return [r.x, r.y, r.width, "
                                      "r.height]; })()")
                           .arg(QStringLiteral("'%1'").arg(selector)))
            .toList();
    if (box.size() != 4)
        return false;
    const QRectF rect(box[0].toDouble(), box[1].toDouble(), box[2].toDouble(), box[3].toDouble());
    QWidget* target = view.engineView()->focusProxy();
    if (!target)
        return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, rect.center().toPoint());
    return true;
}

} // namespace kesvor::test
