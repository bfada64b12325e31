#pragma once

#include "support/ChatService.h"
#include "support/ConsoleCapture.h"

#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace kesvor::test {

/// A fresh SDK against the stand-in chat service: the service runs on a free
/// port and the SDK is pointed at it, watches a loopback host for
/// reachability and asks a time server that never answers (so the network
/// clock finishes after a short wait). A host window (320 × 568) lets the
/// conversation window and its alerts open; a failing test leaves a
/// screenshot of it in <build>/tests/failures/. Every test runs in its own
/// process, so the SDK's process-wide state starts empty.
class SdkSessionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// How the stand-in service runs; the default options unless overridden.
    virtual ChatServiceOptions serviceOptions() const { return {}; }

    ChatService& service() { return *m_service; }
    QWidget& host() { return *m_host; }
    ConsoleCapture& console() { return *m_console; }

    /// Opens a window in the conversation window's place, with a plain
    /// controller, for the alerts: the service layer is tested without the
    /// conversation screen, which would start the chain by itself.
    void openAlertWindow();
    /// The message of the alert over the conversation window, if one is shown.
    static std::optional<QString> shownAlert();
    /// Waits for an alert; false when none came.
    static bool waitForAlert(int timeoutMs = 5000);

    /// Finished network-clock synchronisations so far.
    int clockSyncs() const { return m_clockSyncs; }
    /// Connect and disconnect notifications of the socket session so far.
    int connectNotifications() const { return m_connects; }
    int disconnectNotifications() const { return m_disconnects; }

    /// Runs the start-up chain for the service's token and waits until the
    /// socket session has asked for the history.
    void startSession();
    /// Waits until every batch handed to the store so far is written.
    static void waitForStore();
    /// The stored messages, oldest first.
    static QVariantList storedMessages();
    /// The "_id" of each message.
    static QStringList idsOf(const QVariantList& messages);
    /// The socket events of one name the service received.
    QVariantList received(const char* event);

    /// The JSON API requests to path the service received.
    QVariantList requests(const char* path);

private:
    std::unique_ptr<ChatService> m_service;
    std::unique_ptr<ConsoleCapture> m_console;
    std::unique_ptr<QWidget> m_host;
    int m_clockSyncs = 0;
    int m_connects = 0;
    int m_disconnects = 0;
};

} // namespace kesvor::test
