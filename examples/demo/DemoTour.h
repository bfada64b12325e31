#pragma once

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
    /// pushPayload: what the host's push provider would deliver.
    DemoTour(QWidget* host, const QString& screenshotFolder,
             std::function<QVariantMap()> pushPayload);

    void start();

Q_SIGNALS:
    void finished(bool succeeded);

private:
    void addSteps();
    /// A step that keeps a picture of the screen once it is at rest.
    void addScreenshot(const QString& name);
    void writeContactSheet();

    QWidget* m_host;
    QString m_folder;
    std::function<QVariantMap()> m_pushPayload;
    HeadlessTour m_tour;
    QStringList m_pictures;
    int m_greetings = 0;
    int m_answers = 0;
};
