// Scrolling a conversation of template messages, and measuring a card
// message, on Qt's offscreen platform (Release build).
//
// Method. The store holds 1,000 messages from the bot, in turn: a text, a
// carousel of three cards (two with pictures, served by a loopback HTTP
// server), a button template, a confusion template, an e-mail form and a
// text with quick replies. The message list (ChatTableController over a
// 390 x 800 collection view) is paged until it shows all 1,000, then scrolled
// once from top to bottom so that every template is parsed and measured and
// every picture is in the cache. Then, in each of several rounds, the list
// moves one screen per step from the top to the bottom; a step is the new
// offset, the list's layout (cells dequeued, bound and placed) and drawing
// the list into an image. Wall-clock times from std::chrono::steady_clock;
// the best round's mean and slowest step are kept, so that other work on
// the machine counts least.
//
//   scroll/step        mean milliseconds per step (goal: under 4)
//   scroll/worst-step  the slowest step of that round
//   card/first         sizing a card message whose caches are empty: parse
//                      its cards, measure each with a throwaway card
//   card/cached        sizing the same message again, from the caches
// Both card figures are means over many calls, in microseconds, side by side.

#include "Store/MyDataController.h"
#include "View/ChatTableController.h"
#include "View/CustomDateFormatter.h"
#include "View/ImageLoader.h"
#include "shared/BestFigures.h"
#include "support/HttpTestServer.h"
#include "ui/CollectionView.h"
#include "ui/FlowLayout.h"

#include <benchmark/benchmark.h>

#include <QtCore/QBuffer>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <cstdio>
#include <memory>

using namespace kesvor;

namespace {

using bench::best;
using bench::keepBest;
using bench::nowMs;
using bench::waitFor;

constexpr int rounds = 7;
constexpr int messageCount = 1000;
constexpr int listWidth = 390;
constexpr int listHeight = 800;
constexpr int sizingCalls = 200;

struct Environment {
    QTemporaryDir dataDirectory;
    std::unique_ptr<test::HttpTestServer> pictures;
    std::unique_ptr<QWidget> host;
    ui::CollectionView* list = nullptr;
    std::unique_ptr<ChatTableController> table;
};

Environment& environment()
{
    static Environment instance;
    return instance;
}

QByteArray png(QColor color)
{
    QImage image(500, 234, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QVariantMap templateMessage(const QVariantMap& payload)
{
    return {{"attachment", QVariantMap{{"type", "template"}, {"payload", payload}}}};
}

QVariantList buttons(int count)
{
    QVariantList list;
    for (int index = 0; index < count; ++index)
        list << QVariantMap{{"title", QStringLiteral("Choice number %1").arg(index + 1)},
                            {"payload", QStringLiteral("CHOICE_%1").arg(index + 1)}};
    return list;
}

QVariantMap content(int index, const QString& pictureBase)
{
    switch (index % 6) {
    case 0:
        return {{"text", QStringLiteral("Message %1: how can we help you today?").arg(index)}};
    case 1: {
        QVariantList cards;
        for (int card = 0; card < 3; ++card) {
            QVariantMap element{
                {"title", QStringLiteral("Card %1 of message %2").arg(card).arg(index)},
                {"subtitle", "Stoneware, 350 ml, dishwasher safe"},
                {"buttons", buttons(card + 1)}};
            if (card < 2)
                element["image_url"] = pictureBase + QStringLiteral("/picture-%1.png").arg(card);
            cards << element;
        }
        return templateMessage({{"template_type", "generic"}, {"elements", cards}});
    }
    case 2:
        return templateMessage({{"template_type", "button"},
                                {"text", "What would you like to do?"},
                                {"buttons", buttons(3)}});
    case 3:
        return templateMessage({{"template_type", "confusion"},
                                {"text", "Did you mean one of these?"},
                                {"buttons", buttons(4)}});
    case 4:
        return templateMessage({{"template_type", "email"}});
    default:
        return {
            {"text", "What would you like to see?"},
            {"quick_replies", QVariantList{QVariantMap{{"title", "Cards"}, {"payload", "cards"}},
                                           QVariantMap{{"title", "Help"}, {"payload", "help"}}}}};
    }
}

void fillStore(const QString& pictureBase)
{
    const CustomDateFormatter formatter;
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-messageCount * 5);
    QVariantList messages;
    for (int index = 0; index < messageCount; ++index)
        messages << QVariantMap{
            {"msgFrom", "bot"},
            {"msgTo", "customer"},
            {"msg", QVariantMap{{"message", content(index, pictureBase)}}},
            {"roomId", "room"},
            {"createdOn", formatter.RFC3339DateFormatter.stringFromDate(start.addSecs(index * 5))},
            {"senderIdentity", "bot"},
            {"senderRole", "bot"},
            {"approvedByAgent", "approved"},
            {"_id", QStringLiteral("%1").arg(index, 24, 16, QLatin1Char('0'))},
            {"messageSentToCustomerStatus", "seen"}};
    MyDataController& store = MyDataController::sharedInstance();
    store.addChats(messages, [](const QList<Chat>&) {});
    store.messageAddOperationQueue().waitUntilAllOperationsAreFinished();
}

int shownMessages()
{
    ui::CollectionView& list = *environment().list;
    int count = 0;
    for (int section = 0; section < list.numberOfSections(); ++section)
        count += list.numberOfItemsInSection(section);
    return count;
}

// The list pages 20 older messages in per arrival at its top.
bool showEverything()
{
    ui::CollectionView& list = *environment().list;
    for (int page = 0; page < messageCount && shownMessages() < messageCount; ++page) {
        list.setContentOffset(QPointF(0, 1));
        list.setContentOffset(QPointF(0, 0));
        list.layoutIfNeeded();
    }
    return shownMessages() == messageCount;
}

// One pass from the top to the bottom, a screen per step; milliseconds of
// each step.
std::vector<double> scrollThrough()
{
    ui::CollectionView& list = *environment().list;
    list.setContentOffset(QPointF(0, 0));
    list.layoutIfNeeded();
    QImage canvas(listWidth, listHeight, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> steps;
    for (double y = listHeight; y <= list.maximumContentOffset().y(); y += listHeight) {
        const double started = nowMs();
        list.setContentOffset(QPointF(0, y));
        list.layoutIfNeeded();
        list.render(&canvas);
        steps.push_back(nowMs() - started);
    }
    return steps;
}

bool picturesSettled()
{
    for (int card = 0; card < 2; ++card) {
        const QString address =
            environment().pictures->url(QStringLiteral("/picture-%1.png").arg(card));
        if (ImageLoader::isLoading(address) || !ImageLoader::cachedImage(address))
            return false;
    }
    return true;
}

void BM_ScrollOneScreenPerStep(benchmark::State& state)
{
    if (!showEverything()) {
        state.SkipWithError("the list did not page in every message");
        return;
    }
    scrollThrough();
    if (!waitFor(picturesSettled)) {
        state.SkipWithError("the pictures did not arrive");
        return;
    }
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            const std::vector<double> steps = scrollThrough();
            double total = 0;
            double worst = 0;
            for (double step : steps) {
                total += step;
                worst = std::max(worst, step);
            }
            const double mean = total / double(steps.size());
            if (best().find("scroll/step") == best().end() || mean < best()["scroll/step"]) {
                best()["scroll/step"] = mean;
                best()["scroll/worst-step"] = worst;
                best()["scroll/steps"] = double(steps.size());
            }
        }
}

// The first card message shown.
std::optional<ui::IndexPath> cardMessage()
{
    ChatTableController& table = *environment().table;
    for (int section = 0; section < environment().list->numberOfSections(); ++section)
        for (int item = 0; item < environment().list->numberOfItemsInSection(section); ++item) {
            const Chat chat(table.fetchedResultsController().object({section, item}));
            if (ChatTableController::cellType(chat, std::nullopt) == BubbleCellType::card)
                return ui::IndexPath{section, item};
        }
    return std::nullopt;
}

void BM_SizeCardMessage(benchmark::State& state)
{
    const auto indexPath = cardMessage();
    if (!indexPath) {
        state.SkipWithError("no card message");
        return;
    }
    ChatTableController& table = *environment().table;
    ui::CollectionView& list = *environment().list;
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            double first = 0;
            double cached = 0;
            for (int call = 0; call < sizingCalls; ++call) {
                table.cache.clear();
                table.cacheHeight.clear();
                double started = nowMs();
                table.sizeForItemAt(list, list.collectionViewLayout(), *indexPath);
                first += nowMs() - started;
                started = nowMs();
                table.sizeForItemAt(list, list.collectionViewLayout(), *indexPath);
                cached += nowMs() - started;
            }
            keepBest("card/first", first * 1000 / sizingCalls);
            keepBest("card/cached", cached * 1000 / sizingCalls);
        }
}

BENCHMARK(BM_ScrollOneScreenPerStep)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SizeCardMessage)->Iterations(1)->Unit(benchmark::kMillisecond);

void printSummary()
{
    std::printf("\n%-20s %12s\n", "figure", "best");
    for (const auto& [figure, value] : best()) {
        const char* unit = figure.rfind("card/", 0) == 0 ? "us"
                           : figure == "scroll/steps"    ? ""
                                                         : "ms";
        std::printf("%-20s %12.3f %s\n", figure.c_str(), value, unit);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Environment& env = environment();
    qputenv("KESVOR_DATA_DIR", env.dataDirectory.path().toUtf8());
    QApplication app(argc, argv);
    env.pictures = std::make_unique<test::HttpTestServer>();
    const QByteArray pictureBytes[] = {png(Qt::blue), png(Qt::darkGreen)};
    env.pictures->setHandler([&](const test::HttpRequest& request) {
        test::HttpReply reply;
        reply.contentType = "image/png";
        reply.body = pictureBytes[request.target.contains("picture-1")];
        return reply;
    });
    fillStore(env.pictures->url());

    env.host = std::make_unique<QWidget>();
    env.host->resize(listWidth, listHeight);
    auto layout = std::make_unique<ui::FlowLayout>();
    layout->setSectionInset({0, 0, 10, 0});
    env.list = new ui::CollectionView(QRectF(0, 0, listWidth, listHeight), std::move(layout));
    env.list->setParent(env.host.get());
    ChatTableController::registerCells(*env.list);
    env.table = std::make_unique<ChatTableController>(env.list);
    env.list->setDelegate(env.table.get());
    env.list->setDataSource(env.table.get());
    env.host->show();
    env.list->layoutIfNeeded();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    env.list->setDelegate(nullptr);
    env.list->setDataSource(nullptr);
    env.table.reset();
    env.host.reset();
    return 0;
}
