#pragma once

#include "demo/AgentConsoleDriver.h"
#include "demo/HeadlessTour.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariantMap>

#include <functional>

class QWidget;

/// The demo's scripted tour for runs without a display: it uses the
/// conversation as a customer would and keeps a picture of each step in a
/// folder, with a contact sheet of all of them.
class DemoTour : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString screenshotFolder;
        /// What the host's push provider would deliver.
        std::function<QVariantMap()> pushPayload;
        /// Starts the agent console's driver; the customer's id in the console.
        QStringList agentConsoleDriver;
        QString customerId;
    };

    DemoTour(QWidget* host, Options options);

    void start();

Q_SIGNALS:
    void finished(bool succeeded);

private:
    void addSteps();
    void addCustomerSteps();
    void addAgentSteps();
    void addRichMessageSteps();
    void addPushSteps();
    /// A step that keeps a picture of the screen once it is at rest.
    void addScreenshot(const QString& name, int restMs = 1000);
    /// A step that has the agent do command in the console and waits until
    /// the console answered and shown is true on the customer's screen.
    void addAgentStep(const QString& description, const QVariantMap& command,
                      std::function<bool()> shown = {});
    /// The path of the next picture, named name.
    QString planPicture(const QString& name);
    void writeContactSheet();

    QWidget* m_host;
    Options m_options;
    HeadlessTour m_tour;
    AgentConsoleDriver m_agent;
    int m_agentCommand = 0;
    int m_plannedPictures = 0;
    QStringList m_pictures;
    int m_greetings = 0;
    int m_answers = 0;
};
