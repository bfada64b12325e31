// Pictures from addresses, against a local HTTP server: one download per
// address for every view that waits for it, the cache, reused views, and
// every way a download can fail.
#include "ui/UiTest.h"

#include "View/ImageLoader.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <QtCore/QBuffer>

using namespace kesvor;

namespace {

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray picture(QColor color, int side = 20)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(color);
    return png(image);
}

class ImageLoaderTest : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        server.setHandler([](const test::HttpRequest& request) {
            const QByteArray path = request.target;
            test::HttpReply reply;
            reply.contentType = "image/png";
            if (path.startsWith("/red"))
                reply.body = picture(Qt::red);
            else if (path.startsWith("/blue"))
                reply.body = picture(Qt::blue);
            else if (path.startsWith("/slow")) {
                reply.body = picture(Qt::green);
                reply.delayMs = 200;
            } else if (path.startsWith("/garbage"))
                reply.body = "this is not a picture";
            else if (path.startsWith("/drop"))
                reply.dropConnection = true;
            else if (path.startsWith("/big"))
                reply.body = QByteArray(ImageLoader::maximumBodyBytes + 1, 'x');
            else if (path.startsWith("/wide")) {
                // Small on the wire, far too large once decoded.
                QImage image(4000, 4000, QImage::Format_Mono);
                image.fill(0);
                reply.body = png(image);
            } else if (path.startsWith("/large")) {
                reply.body = picture(QColor::fromRgb(path.mid(7).toInt()), 1000);
            } else
                reply.status = 404;
            return reply;
        });
    }

    QString address(const char* path) { return server.url(QString::fromLatin1(path)); }

    int requestsFor(const char* path)
    {
        int count = 0;
        for (const test::HttpRequest& request : server.requests())
            count += request.target == path;
        return count;
    }

    static QColor shown(const ImageLoader& view)
    {
        return view.image() ? view.image()->bitmap().pixelColor(0, 0) : QColor();
    }

    // Waits until no download of address is under way.
    static bool settled(const QString& address)
    {
        return test::waitUntil([&] { return !ImageLoader::isLoading(address); });
    }

    test::HttpTestServer server;
};

} // namespace

TEST_F(ImageLoaderTest, OneDownloadServesEveryViewWaitingAndTheCacheServesTheNext)
{
    ImageLoader first;
    ImageLoader second;
    first.loadImageWithUrl(address("/red.png"));
    second.loadImageWithUrl(address("/red.png"));
    EXPECT_TRUE(ImageLoader::isLoading(address("/red.png")));
    ASSERT_TRUE(test::waitUntil([&] { return first.image() && second.image(); }));
    EXPECT_EQ(shown(first), QColor(Qt::red));
    EXPECT_EQ(shown(second), QColor(Qt::red));
    EXPECT_EQ(requestsFor("/red.png"), 1);
    EXPECT_EQ(first.imageURLString(), address("/red.png"));

    // From the cache: at once, without a request.
    ImageLoader third;
    third.loadImageWithUrl(address("/red.png"));
    EXPECT_EQ(shown(third), QColor(Qt::red));
    EXPECT_EQ(requestsFor("/red.png"), 1);
    EXPECT_TRUE(ImageLoader::cachedImage(address("/red.png")));

    // A view that waited and was deleted meanwhile is left alone.
    auto gone = std::make_unique<ImageLoader>();
    gone->loadImageWithUrl(address("/blue.png"));
    gone.reset();
    ImageLoader stays;
    stays.loadImageWithUrl(address("/blue.png"));
    ASSERT_TRUE(test::waitUntil([&] { return stays.image().has_value(); }));
    EXPECT_EQ(requestsFor("/blue.png"), 1);
}

TEST_F(ImageLoaderTest, ReusedViewShowsOnlyItsLatestAddressWhileTheEarlierOneIsStillCached)
{
    ImageLoader reused;
    reused.loadImageWithUrl(address("/slow.png"));
    reused.loadImageWithUrl(address("/red.png"));
    ASSERT_TRUE(test::waitUntil([&] { return reused.image().has_value(); }));
    ASSERT_TRUE(settled(address("/slow.png")));
    EXPECT_TRUE(ImageLoader::cachedImage(address("/slow.png"))) << "the slow one is cached";
    EXPECT_EQ(shown(reused), QColor(Qt::red)) << "but not shown";

    // Moved on to a card without a usable address: the old picture goes at
    // once and the slow one never shows.
    reused.loadImageWithUrl(address("/slow.png?again"));
    reused.loadImageWithUrl(QStringLiteral("not a url at all"));
    EXPECT_FALSE(reused.image());
    ASSERT_TRUE(settled(address("/slow.png?again")));
    EXPECT_FALSE(reused.image());
    EXPECT_EQ(reused.imageURLString(), "not a url at all");
}

TEST_F(ImageLoaderTest, FailedAndUndecodableDownloadsAreTriedAgainByTheNextRequest)
{
    for (const char* path : {"/drop.png", "/garbage.png", "/big.png", "/wide.png", "/missing"}) {
        ImageLoader view;
        view.loadImageWithUrl(address(path));
        ASSERT_TRUE(settled(address(path))) << path;
        EXPECT_FALSE(view.image()) << path;
        EXPECT_FALSE(ImageLoader::cachedImage(address(path))) << path;
        // A dropped connection may be retried once by the HTTP layer itself.
        const int before = requestsFor(path);
        EXPECT_GE(before, 1);
        view.loadImageWithUrl(address(path));
        EXPECT_TRUE(ImageLoader::isLoading(address(path))) << path << " is downloaded again";
        ASSERT_TRUE(settled(address(path)));
        EXPECT_GT(requestsFor(path), before) << path;
    }
}

TEST_F(ImageLoaderTest, OnlyHttpIsFetchedAndTheCacheStaysWithinItsBound)
{
    ImageLoader view;
    view.loadImageWithUrl(address("/red.png"));
    ASSERT_TRUE(test::waitUntil([&] { return view.image().has_value(); }));
    for (const QString& other :
         {QStringLiteral("file:///etc/passwd"), QStringLiteral("ftp://127.0.0.1/x.png"),
          QStringLiteral("data:image/png;base64,AAAA"), QStringLiteral("http://")}) {
        view.loadImageWithUrl(address("/red.png"));
        ASSERT_TRUE(view.image());
        view.loadImageWithUrl(other);
        EXPECT_FALSE(view.image()) << qPrintable(other);
        EXPECT_FALSE(ImageLoader::isLoading(other));
    }
    EXPECT_EQ(server.requests().size(), 1);

    // Ten pictures of about 4 MB each: the oldest make room for the newest.
    for (int index = 1; index <= 10; ++index) {
        const QString large = address(qPrintable(QStringLiteral("/large/%1").arg(index * 1000)));
        view.loadImageWithUrl(large);
        ASSERT_TRUE(test::waitUntil([&] { return view.image().has_value(); }));
        EXPECT_LE(ImageLoader::cachedBytes(), ImageLoader::cacheLimitBytes);
    }
    EXPECT_TRUE(ImageLoader::cachedImage(address("/large/10000")));
    EXPECT_FALSE(ImageLoader::cachedImage(address("/large/1000")));
}
