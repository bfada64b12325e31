// What an open conversation costs while nobody types: the conversation screen
// connected to the stand-in chat service (and its time server), on Qt's
// offscreen platform, left alone (Release build).
//
// Method. One run measures two phases of the same length, one after the
// other in this process, and prints them side by side:
//
//   host alone         the host's window shown and active, the SDK
//                      initialised, no conversation open (what a Qt
//                      application costs here without the screen);
//   conversation open  Kesvor::show(), then once "Support Chat" shows, the
//                      room is joined and the input has the focus, a few
//                      seconds for the opening's own work to end, then the
//                      phase.
//
// Each phase runs the main event loop (QEventLoop::exec) for the whole phase
// and ends on one timer, which is not counted. Figures per phase:
//
//   CPU             the process's CPU clock (CLOCK_PROCESS_CPUTIME_ID: every
//                   thread of this process; the service is a separate
//                   process and not counted) and the main thread's
//                   (CLOCK_THREAD_CPUTIME_ID), as a share of one core over the
//                   phase's wall-clock time (std::chrono::steady_clock).
//   wake-ups        the voluntary context switches of every thread of the
//                   process (/proc/self/task/*/status): a thread that sleeps
//                   and is woken counts one. The main thread's are also
//                   broken down by what the event loop delivered after each
//                   wake: timer events by receiver, socket notifier
//                   activations by the object that owns the notifier, and
//                   calls posted from other threads.
//
// The input has the focus, so its caret blinks for the first ten seconds
// after the focus came (seven of them inside the phase) and then rests lit;
// its blinks are among the timer events. The Socket.IO heartbeat (the
// service pings every 25 s, the client answers) is among the socket
// activations.
//
// Usage: idle_bench [--seconds N]   (default 60 seconds per phase)

#include "KTextView/KTextView.h"
#include "KUserInputView/KUserInputView.h"
#include "Kesvor/KesvorLocalStorage.h"
#include "Kesvor/KesvorWindows.h"
#include "View/ChatViewController.h"
#include "View/KNavBarView.h"
#include "kesvor/Kesvor.h"
#include "support/ChatService.h"
#include "ui/Animator.h"
#include "ui/Application.h"
#include "ui/Label.h"

#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>

using namespace kesvor;

namespace {

constexpr int defaultSeconds = 60;
constexpr int settleMs = 3000;
constexpr int connectTimeoutMs = 30'000;
constexpr int hostWidth = 390;
constexpr int hostHeight = 844;
const char* const token = "bench-token";
const char* const phaseEndName = "idle_bench phase end";
constexpr double cpuGoalPercent = 0.5;
constexpr double wakeGoalPerSecond = 2;

double clockMs(clockid_t clock)
{
    timespec time{};
    clock_gettime(clock, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

// --- Threads and their context switches ---------------------------------------

struct ThreadSample {
    QString name;
    long voluntary = 0;
};

long statusField(const QByteArray& status, const QByteArray& field)
{
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().toLong();
    return 0;
}

std::map<QString, ThreadSample> sampleThreads()
{
    std::map<QString, ThreadSample> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        threads[tid] = {QString::fromUtf8(comm.readAll().trimmed()),
                        statusField(status.readAll(), "voluntary_ctxt_switches:")};
    }
    return threads;
}

// --- What the main thread's event loop delivers -------------------------------

QString describe(const QObject* object)
{
    QString text = QString::fromLatin1(object->metaObject()->className());
    if (!object->objectName().isEmpty())
        text += QStringLiteral(" \"%1\"").arg(object->objectName());
    // The SDK's waits are timers without parent or name: their period tells them apart.
    if (const auto* timer = qobject_cast<const QTimer*>(object))
        text += QStringLiteral(" %1 ms%2")
                    .arg(timer->interval())
                    .arg(timer->isSingleShot() ? QStringLiteral(" once") : QString());
    int depth = 0;
    for (const QObject* parent = object->parent(); parent && depth < 2;
         parent = parent->parent(), ++depth)
        text += QStringLiteral(" in ") + QString::fromLatin1(parent->metaObject()->className());
    return text;
}

class Deliveries : public QObject {
public:
    Deliveries() { QCoreApplication::instance()->installEventFilter(this); }

    void reset() { m_counts.clear(); }
    const std::map<QString, long>& counts() const { return m_counts; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Timer:
            if (watched->objectName() != QLatin1String(phaseEndName))
                ++m_counts[QStringLiteral("timer: ") + describe(watched)];
            break;
        case QEvent::SockAct:
        case QEvent::SockClose:
            ++m_counts[QStringLiteral("socket: ") + describe(watched)];
            break;
        case QEvent::MetaCall:
            ++m_counts[QStringLiteral("posted call: ") + describe(watched)];
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::map<QString, long> m_counts;
};

// --- Phases -------------------------------------------------------------------

struct Phase {
    double seconds = 0;
    double processCpuMs = 0;
    double mainCpuMs = 0;
    std::map<QString, long> switchesByThread; // "name (tid)"
    long switches = 0;
    long mainSwitches = 0;
    std::map<QString, long> deliveries;

    double percent(double cpuMs) const { return cpuMs / (seconds * 1000) * 100; }
    double perSecond(long count) const { return double(count) / seconds; }
};

Phase measure(Deliveries& deliveries, int seconds)
{
    const QString mainTid = QString::number(QCoreApplication::applicationPid());
    const auto threadsBefore = sampleThreads();
    const double processBefore = clockMs(CLOCK_PROCESS_CPUTIME_ID);
    const double mainBefore = clockMs(CLOCK_THREAD_CPUTIME_ID);
    const auto wallBefore = std::chrono::steady_clock::now();
    deliveries.reset();

    QEventLoop loop;
    QTimer end;
    end.setObjectName(QLatin1String(phaseEndName));
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(seconds * 1000);
    loop.exec();

    Phase phase;
    phase.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    phase.processCpuMs = clockMs(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
    phase.mainCpuMs = clockMs(CLOCK_THREAD_CPUTIME_ID) - mainBefore;
    phase.deliveries = deliveries.counts();
    for (const auto& [tid, after] : sampleThreads()) {
        const auto before = threadsBefore.find(tid);
        const long count =
            after.voluntary - (before == threadsBefore.end() ? 0 : before->second.voluntary);
        if (tid == mainTid)
            phase.mainSwitches = std::max(0L, count - 1);
        else if (count > 0)
            phase.switchesByThread[after.name + QStringLiteral(" (") + tid + QLatin1Char(')')] =
                count;
        if (tid != mainTid)
            phase.switches += count;
    }
    phase.switches += phase.mainSwitches;
    return phase;
}

// --- The screen ---------------------------------------------------------------

bool conversationReady(ChatViewController* screen)
{
    if (!screen || screen->navBarView()->titleLabel()->isHidden())
        return false;
    const auto record = KesvorLocalStorage::storedUser();
    if (!record || record->value("roomId").toString().isEmpty())
        return false;
    return screen->userInputView()->inputTextView()->isFirstResponder();
}

// --- Report -------------------------------------------------------------------

void row(const char* what, const QString& a, const QString& b)
{
    std::printf("  %-72s %16s %18s\n", what, qPrintable(a), qPrintable(b));
}

QString number(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

void printBreakdown(const char* title, const std::map<QString, long>& alone,
                    const std::map<QString, long>& open, const Phase& a, const Phase& b)
{
    std::set<QString> keys;
    for (const auto& entry : alone)
        keys.insert(entry.first);
    for (const auto& entry : open)
        keys.insert(entry.first);
    if (keys.empty())
        return;
    std::printf("  %s (per second)\n", title);
    for (const QString& key : keys) {
        const auto x = alone.find(key);
        const auto y = open.find(key);
        const QString label = QStringLiteral("    ") + key;
        std::printf("  %-72s %16s %18s\n", qPrintable(label.left(72)),
                    qPrintable(number(a.perSecond(x == alone.end() ? 0 : x->second), 3)),
                    qPrintable(number(b.perSecond(y == open.end() ? 0 : y->second), 3)));
    }
}

void report(const Phase& alone, const Phase& open)
{
    std::printf("\nidle, %.1f s per phase (wall clock)\n", open.seconds);
    row("", QStringLiteral("host alone"), QStringLiteral("conversation open"));
    row("CPU, whole process (% of one core)", number(alone.percent(alone.processCpuMs), 3),
        number(open.percent(open.processCpuMs), 3));
    row("CPU, main thread (% of one core)", number(alone.percent(alone.mainCpuMs), 3),
        number(open.percent(open.mainCpuMs), 3));
    row("wake-ups, whole process (voluntary switches / s)", number(alone.perSecond(alone.switches)),
        number(open.perSecond(open.switches)));
    row("wake-ups, main thread (voluntary switches / s)",
        number(alone.perSecond(alone.mainSwitches)), number(open.perSecond(open.mainSwitches)));
    printBreakdown("other threads' wake-ups", alone.switchesByThread, open.switchesByThread, alone,
                   open);
    printBreakdown("main thread deliveries", alone.deliveries, open.deliveries, alone, open);

    const double cpu = open.percent(open.processCpuMs);
    const double wakes = open.perSecond(open.switches);
    std::printf("\n  conversation open: CPU %.3f %% of one core (goal <= %.1f %%): %s\n", cpu,
                cpuGoalPercent, cpu <= cpuGoalPercent ? "met" : "MISSED");
    std::printf("  conversation open: %.2f wake-ups/s (goal <= %.0f): %s\n", wakes,
                wakeGoalPerSecond, wakes <= wakeGoalPerSecond ? "met" : "MISSED");
}

int secondsOption(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "--seconds") == 0)
            return std::max(1, QByteArray(argv[i + 1]).toInt());
    return defaultSeconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int seconds = secondsOption(argc, argv);
    QTemporaryDir dataDirectory;
    qputenv("KESVOR_DATA_DIR", dataDirectory.path().toUtf8());
    QApplication app(argc, argv);

    test::ChatServiceOptions options;
    options.tokens = {QString::fromLatin1(token)};
    options.ntp = true;
    test::ChatService service(options);
    if (!service.start()) {
        std::fprintf(stderr, "idle_bench: %s\n", qPrintable(service.errorString()));
        return 1;
    }
    qputenv("KESVOR_SERVICE_URL", service.baseUrl().toUtf8());
    qputenv("KESVOR_REACHABILITY_HOST", "localhost");
    qputenv("KESVOR_NTP_SERVERS", QStringLiteral("127.0.0.1:%1").arg(service.ntpPort()).toUtf8());

    QWidget host;
    host.resize(hostWidth, hostHeight);
    host.show();
    host.activateWindow();
    if (!QTest::qWaitFor([&] { return host.isActiveWindow(); })) {
        std::fprintf(stderr, "idle_bench: the host window did not become active\n");
        return 1;
    }
    ui::Application::shared().setHostWindow(&host);
    Kesvor::initWithToken(QString::fromLatin1(token));

    Deliveries deliveries;
    std::printf("idle_bench: %d s with the host alone, then %d s with the conversation open\n",
                seconds, seconds);
    std::fflush(stdout);
    QTest::qWait(settleMs);
    const Phase alone = measure(deliveries, seconds);

    Kesvor::show();
    ChatViewController* screen = ChatViewController::displayed();
    if (!QTest::qWaitFor([&] { return conversationReady(screen); }, connectTimeoutMs)) {
        std::fprintf(stderr, "idle_bench: the conversation did not connect\n");
        return 1;
    }
    // The opening's own work (slide-in, the clock's round, history) ends first.
    QTest::qWait(settleMs);
    if (!QTest::qWaitFor([] { return ui::Animator::shared().runningCount() == 0; })) {
        std::fprintf(stderr, "idle_bench: the screen's animations did not end\n");
        return 1;
    }
    const Phase open = measure(deliveries, seconds);
    report(alone, open);

    KesvorWindows::setWindow(nullptr);
    return 0;
}
