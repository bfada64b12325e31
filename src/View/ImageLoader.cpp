#include "View/ImageLoader.h"

#include "foundation/DebugLog.h"
#include "foundation/MainThread.h"
#include "net/UrlSession.h"

#include <QtCore/QBuffer>
#include <QtCore/QCache>
#include <QtCore/QHash>
#include <QtCore/QPointer>
#include <QtCore/QUrl>
#include <QtGui/QImageReader>

namespace kesvor {

namespace {

// The process-wide tables: decoded pictures by address, and for each address
// being downloaded the views waiting for it.
struct PictureTables {
    QCache<QString, ui::Image> imageCache{ImageLoader::cacheLimitBytes};
    QHash<QString, QList<QPointer<ImageLoader>>> runningTask;
};

PictureTables& tables()
{
    KESVOR_ASSERT_MAIN_THREAD();
    static PictureTables shared;
    return shared;
}

std::optional<QUrl> downloadableUrl(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url;
}

qint64 decodedBytes(const QSize& size)
{
    return qint64(size.width()) * size.height() * 4;
}

// The picture in data, unless it does not decode or would be too large.
std::optional<ui::Image> decode(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize announced = reader.size();
    if (announced.isValid() && decodedBytes(announced) > ImageLoader::maximumDecodedBytes)
        return std::nullopt;
    const QImage image = reader.read();
    if (image.isNull() || image.sizeInBytes() > ImageLoader::maximumDecodedBytes)
        return std::nullopt;
    return ui::Image(image);
}

} // namespace

ImageLoader::ImageLoader(const QRectF& frame)
    : ImageView(frame)
{
}

ImageLoader::ImageLoader(const std::optional<ui::Image>& image)
    : ImageView(image)
{
}

void ImageLoader::loadImageWithUrl(const QString& address)
{
    m_imageURLString = address;
    // Cleared first: a reused view never keeps the picture of its last use.
    setImage(std::nullopt);
    const auto url = downloadableUrl(address);
    if (!url)
        return;
    PictureTables& shared = tables();
    if (const ui::Image* cached = shared.imageCache.object(address)) {
        setImage(*cached);
        return;
    }
    const auto running = shared.runningTask.find(address);
    if (running != shared.runningTask.end()) {
        if (!running->contains(this))
            running->append(this);
        return;
    }
    shared.runningTask.insert(address, {this});
    net::UrlSession::shared().dataTask(
        QNetworkRequest(*url), "GET", {},
        [address](const net::UrlResponse& response) {
            if (response.error) {
                KESVOR_DEBUG_LOG << response.error->description;
                downloadFinished(address, std::nullopt);
                return;
            }
            downloadFinished(address, decode(response.body));
        },
        maximumBodyBytes);
}

void ImageLoader::downloadFinished(const QString& address, const std::optional<ui::Image>& image)
{
    const QList<QPointer<ImageLoader>> waiting = tables().runningTask.take(address);
    if (!image)
        return;
    for (const QPointer<ImageLoader>& view : waiting)
        if (view && view->m_imageURLString == address)
            view->setImage(*image);
    tables().imageCache.insert(address, new ui::Image(*image), image->bitmap().sizeInBytes());
}

std::optional<ui::Image> ImageLoader::cachedImage(const QString& address)
{
    if (const ui::Image* cached = tables().imageCache.object(address))
        return *cached;
    return std::nullopt;
}

bool ImageLoader::isLoading(const QString& address)
{
    return tables().runningTask.contains(address);
}

qint64 ImageLoader::cachedBytes()
{
    return tables().imageCache.totalCost();
}

} // namespace kesvor
