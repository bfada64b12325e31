#include "demo/DemoTour.h"

#include <kesvor/Kesvor.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>
#include <QtGui/QAccessible>
#include <QtGui/QFont>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QWidget>

using kesvor::Kesvor;

namespace {

const QString greeting = QStringLiteral("Hello");
const QString botAnswer = QStringLiteral("Hello! How can I help you today?");
const QString messageInput = QStringLiteral("Message");
const QString heading = QStringLiteral("Support Chat");
const QString agentAnswer = QStringLiteral("Hi, I'm Sam from support. How can I help?");
const QString emailField = QStringLiteral("E-mail address");
const QString demoAddress = QStringLiteral("demo@example.com");
const QString closePage = QStringLiteral("Close page");
// Long enough for the list's animations to come to rest before a picture.
constexpr int settleMs = 1000;
// Long enough for pictures and pages from the local service to show.
constexpr int picturesMs = 2500;

// The contact sheet: every picture at a third of its size, four to a row,
// each with its name below.
constexpr int sheetColumns = 4;
constexpr double sheetScale = 0.45;
constexpr int captionHeight = 22;
constexpr int sheetGap = 8;

} // namespace

DemoTour::DemoTour(QWidget* host, Options options)
    : m_host(host)
    , m_options(std::move(options))
    , m_tour(host)
    , m_agent(m_options.agentConsoleDriver)
{
    connect(&m_tour, &HeadlessTour::finished, this, [this](bool succeeded) {
        if (succeeded)
            writeContactSheet();
        Q_EMIT finished(succeeded);
    });
    addSteps();
}

void DemoTour::start()
{
    if (!m_options.screenshotFolder.isEmpty())
        QDir().mkpath(m_options.screenshotFolder);
    m_tour.start();
}

void DemoTour::addSteps()
{
    addCustomerSteps();
    addAgentSteps();
    addRichMessageSteps();
    addPushSteps();
}

void DemoTour::addCustomerSteps()
{
    HeadlessTour& tour = m_tour;
    tour.addStep({QStringLiteral("opening the conversation"), [] { Kesvor::show(); },
                  [&tour] { return tour.shows(QAccessible::Heading, heading); }});
    addScreenshot(QStringLiteral("conversation"));

    // Bubbles are counted, so that an earlier conversation shown as history
    // does not count.
    tour.addStep({QStringLiteral("sending \"%1\"").arg(greeting),
                  [this, &tour] {
                      m_greetings = tour.count(QAccessible::StaticText, greeting);
                      m_answers = tour.count(QAccessible::StaticText, botAnswer);
                      tour.typeInto(messageInput, greeting);
                  },
                  [this, &tour] {
                      if (tour.count(QAccessible::StaticText, greeting) > m_greetings)
                          return true;
                      // Until the room is open a send keeps the text: press again.
                      tour.pressIn(messageInput, Qt::Key_Return);
                      return false;
                  }});
    tour.addStep({QStringLiteral("waiting for the bot's answer"), {}, [this, &tour] {
                      return tour.count(QAccessible::StaticText, botAnswer) > m_answers;
                  }});
    addScreenshot(QStringLiteral("bot-answer"));
}

void DemoTour::addAgentSteps()
{
    HeadlessTour& tour = m_tour;
    tour.addStep({QStringLiteral("opening the agent console in a browser"),
                  [this] { m_agent.start(); },
                  [this] { return m_agent.isReady() || !m_agent.error().isEmpty(); }, 60'000});
    tour.addStep({QStringLiteral("checking the agent console"),
                  {},
                  [this] { return m_agent.isReady(); },
                  0});
    addAgentStep(QStringLiteral("the agent opens the customer's room"),
                 {{QStringLiteral("cmd"), QStringLiteral("select")},
                  {QStringLiteral("userId"), m_options.customerId}});
    addAgentStep(
        QStringLiteral("the agent answers"),
        {{QStringLiteral("cmd"), QStringLiteral("answer")}, {QStringLiteral("text"), agentAnswer}},
        [&tour] { return tour.shows(QAccessible::StaticText, agentAnswer); });
    addScreenshot(QStringLiteral("agent-answer"));
    if (!m_options.screenshotFolder.isEmpty())
        addAgentStep(QStringLiteral("taking a screenshot of the agent console"),
                     {{QStringLiteral("cmd"), QStringLiteral("screenshot")},
                      {QStringLiteral("path"), planPicture(QStringLiteral("agent-console"))}});
}

void DemoTour::addRichMessageSteps()
{
    HeadlessTour& tour = m_tour;
    const auto shows = [&tour](const QString& text) {
        return [&tour, text] { return tour.shows(QAccessible::StaticText, text); };
    };
    const auto sendKind = [](const QString& kind) {
        return QVariantMap{{QStringLiteral("cmd"), QStringLiteral("send")},
                           {QStringLiteral("kind"), kind}};
    };
    // Each kind the agent can send, and a button of it the customer taps.
    addAgentStep(QStringLiteral("the agent sends a card carousel"),
                 sendKind(QStringLiteral("cards")), shows(QStringLiteral("Blue mug")));
    addScreenshot(QStringLiteral("cards"), picturesMs);
    tour.addStep({QStringLiteral("tapping a card's button"),
                  [&tour] { tour.click(QAccessible::Button, QStringLiteral("Buy the blue mug")); },
                  shows(QStringLiteral("You chose \"Buy the blue mug\" (BUY_BLUE_MUG)."))});
    addScreenshot(QStringLiteral("card-button-answered"));
    addAgentStep(QStringLiteral("the agent sends a button template"),
                 sendKind(QStringLiteral("buttons")),
                 shows(QStringLiteral("What would you like to do?")));
    addScreenshot(QStringLiteral("buttons"));
    addAgentStep(
        QStringLiteral("the agent sends a choice of meanings"), sendKind(QStringLiteral("choices")),
        shows(QStringLiteral("Sorry, I am not sure what you mean. Did you mean one of these?")));
    addScreenshot(QStringLiteral("choices"));
    addAgentStep(
        QStringLiteral("the agent sends quick replies"), sendKind(QStringLiteral("quick")),
        [&tour] { return tour.shows(QAccessible::Button, QStringLiteral("E-mail form")); });
    addScreenshot(QStringLiteral("quick-replies"));

    // A quick reply asks the bot for the e-mail form; the customer fills it in.
    tour.addStep({QStringLiteral("tapping a quick reply"),
                  [&tour] { tour.click(QAccessible::Button, QStringLiteral("E-mail form")); },
                  shows(QStringLiteral("Enter your email here:"))});
    tour.addStep({QStringLiteral("submitting an e-mail address"),
                  [&tour] {
                      tour.typeInto(emailField, demoAddress);
                      tour.click(QAccessible::Button, QStringLiteral("Submit"));
                  },
                  shows(QStringLiteral("Thank you! We will write to %1.").arg(demoAddress))});
    addScreenshot(QStringLiteral("email"));

    // A link opens the page in the sheet; its close button closes it.
    addAgentStep(QStringLiteral("the agent sends a link"), sendKind(QStringLiteral("link")),
                 shows(QStringLiteral("Please fill in this short form.")));
    tour.addStep({QStringLiteral("opening the link"),
                  [&tour] { tour.click(QAccessible::Button, QStringLiteral("Open the form")); },
                  [&tour] { return tour.shows(QAccessible::Button, closePage); }});
    addScreenshot(QStringLiteral("web-sheet"), picturesMs);
    tour.addStep({QStringLiteral("closing the page"),
                  [&tour] { tour.click(QAccessible::Button, closePage); },
                  [&tour] { return !tour.shows(QAccessible::Button, closePage); }});
}

void DemoTour::addPushSteps()
{
    HeadlessTour& tour = m_tour;
    // A notification while the conversation is closed shows the banner;
    // tapping it opens the conversation again.
    tour.addStep({QStringLiteral("closing the conversation"),
                  [&tour] { tour.click(QAccessible::Button, QStringLiteral("Close")); },
                  [&tour] { return !tour.shows(QAccessible::Heading, heading); }});
    const QString alert =
        m_options.pushPayload()[QStringLiteral("aps")].toMap()[QStringLiteral("alert")].toString();
    tour.addStep({QStringLiteral("receiving a push notification"),
                  [this] { Kesvor::didReceiveRemoteNotification(m_options.pushPayload()); },
                  [&tour, alert] { return tour.shows(QAccessible::StaticText, alert); }, 20'000,
                  settleMs});
    addScreenshot(QStringLiteral("push-banner"));
    tour.addStep({QStringLiteral("tapping the banner"),
                  [&tour, alert] { tour.click(QAccessible::StaticText, alert); },
                  [&tour] { return tour.shows(QAccessible::Heading, heading); }});
    addScreenshot(QStringLiteral("opened-from-banner"));
}

void DemoTour::addAgentStep(const QString& description, const QVariantMap& command,
                            std::function<bool()> shown)
{
    m_tour.addStep({description, [this, command] { m_agentCommand = m_agent.send(command); },
                    [this, command, shown] {
                        const auto answer = m_agent.answered(m_agentCommand);
                        if (!answer || !answer->value(QStringLiteral("ok")).toBool())
                            return false;
                        if (command.value(QStringLiteral("cmd")) == QStringLiteral("screenshot"))
                            m_pictures << command.value(QStringLiteral("path")).toString();
                        return !shown || shown();
                    }});
}

QString DemoTour::planPicture(const QString& name)
{
    // Pictures are numbered in the order their steps are added.
    return QDir(m_options.screenshotFolder)
        .filePath(QStringLiteral("%1-%2.png")
                      .arg(++m_plannedPictures, 2, 10, QLatin1Char('0'))
                      .arg(name));
}

void DemoTour::addScreenshot(const QString& name, int restMs)
{
    const QString path = planPicture(name);
    m_tour.addStep({QStringLiteral("taking a screenshot of %1").arg(name),
                    [this, path] {
                        if (m_options.screenshotFolder.isEmpty())
                            return;
                        m_host->grab().save(path);
                        m_pictures << path;
                        QTextStream(stdout) << "demo: screenshot " << path << "\n";
                    },
                    {},
                    0,
                    restMs});
}

void DemoTour::writeContactSheet()
{
    if (m_pictures.isEmpty())
        return;
    const QSize cell = (QSizeF(m_host->size()) * sheetScale).toSize();
    const int rows = int((m_pictures.size() + sheetColumns - 1) / sheetColumns);
    const int columns = int(std::min<qsizetype>(sheetColumns, m_pictures.size()));
    QImage sheet(columns * (cell.width() + sheetGap) + sheetGap,
                 rows * (cell.height() + captionHeight + sheetGap) + sheetGap,
                 QImage::Format_RGB32);
    sheet.fill(QColor(0xee, 0xee, 0xee));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QFont captionFont = painter.font();
    captionFont.setPixelSize(11);
    painter.setFont(captionFont);
    for (int i = 0; i < m_pictures.size(); ++i) {
        const QPoint origin(sheetGap + (i % sheetColumns) * (cell.width() + sheetGap),
                            sheetGap +
                                (i / sheetColumns) * (cell.height() + captionHeight + sheetGap));
        const QImage picture =
            QImage(m_pictures[i]).scaled(cell, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QPoint centred((cell.width() - picture.width()) / 2,
                             (cell.height() - picture.height()) / 2);
        painter.drawImage(origin + centred, picture);
        const QString caption = QFileInfo(m_pictures[i]).completeBaseName();
        painter.drawText(
            QRect(origin + QPoint(0, cell.height()), QSize(cell.width(), captionHeight)),
            Qt::AlignCenter, caption);
    }
    painter.end();
    const QString path =
        QDir(m_options.screenshotFolder).filePath(QStringLiteral("contact-sheet.png"));
    sheet.save(path);
    QTextStream(stdout) << "demo: contact sheet " << path << "\n";
}
