#pragma once

#include "ui/ImageView.h"

#include <QtCore/QString>

#include <optional>

namespace kesvor {

/// An image view that shows a picture from an http or https address. Decoded
/// pictures are kept in one process-wide memory cache (bounded by their
/// decoded bytes); an address is downloaded once at a time, and every view
/// that asks for it meanwhile is served when it arrives, as long as that view
/// still wants that address (reused views move on). A failed or undecodable
/// download leaves nothing behind, so the next request tries again.
/// Main thread.
class ImageLoader : public ui::ImageView {
    Q_OBJECT
public:
    /// Bodies longer than this are not downloaded.
    static constexpr qint64 maximumBodyBytes = 10 * 1024 * 1024;
    /// Pictures that would decode to more than this are refused.
    static constexpr qint64 maximumDecodedBytes = 16 * 1024 * 1024;
    /// The cache drops the least recently used pictures beyond this.
    static constexpr qint64 cacheLimitBytes = 32 * 1024 * 1024;

    explicit ImageLoader(const QRectF& frame = QRectF());
    explicit ImageLoader(const std::optional<ui::Image>& image);

    /// The address most recently asked for through this view.
    std::optional<QString> imageURLString() const { return m_imageURLString; }

    /// Clears the picture and shows the one at address: at once from the
    /// cache, or when its download ends. Anything but an http or https
    /// address leaves the view empty.
    void loadImageWithUrl(const QString& address);

    /// The cached picture of address, if any.
    static std::optional<ui::Image> cachedImage(const QString& address);
    /// Whether a download of address is under way.
    static bool isLoading(const QString& address);
    /// The decoded bytes the cache holds.
    static qint64 cachedBytes();

private:
    static void downloadFinished(const QString& address, const std::optional<ui::Image>& image);

    std::optional<QString> m_imageURLString;
};

} // namespace kesvor
