#include "support/ChatService.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QProcess>

#include <gtest/gtest.h>

namespace {

const QString tool = QStringLiteral(KESVOR_BINARY_DIR "/tools/kesvor-sio/kesvor-sio");

struct ToolRun {
    int exitCode = -1;
    QList<QVariantList> events;
    QByteArray diagnostics;
};

ToolRun runTool(const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(tool, arguments);
    ToolRun run;
    if (!process.waitForStarted(10'000))
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(15'000))
        process.kill();
    run.exitCode = process.exitCode();
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            run.events << QJsonDocument::fromJson(line).array().toVariantList();
    }
    run.diagnostics = process.readAllStandardError();
    return run;
}

QStringList names(const ToolRun& run)
{
    QStringList names;
    for (const QVariantList& event : run.events)
        names << event.value(0).toString();
    return names;
}

class KesvorSioTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.start()) << service.errorString().toStdString(); }

    kesvor::test::ChatService service;
};

} // namespace

TEST_F(KesvorSioTest, PrintsEventsAndEmitsInputLinesInBothRevisions)
{
    const QByteArray input = R"(["set-room",{"members":["c1","botc1"]}])"
                             "\nnot json\n\n"
                             R"(["echo",{"n":[1,2.5,null]},"x"])"
                             "\n{\"no\":\"array\"}\n"
                             R"(["echo","last line without a newline"])";
    for (const QString& revision : {QString(), QStringLiteral("--eio3")}) {
        QStringList arguments{"--nsp", service.token(), "--linger", "300", service.baseUrl()};
        if (!revision.isEmpty())
            arguments.prepend(revision);
        const ToolRun run = runTool(arguments, input);
        EXPECT_EQ(run.exitCode, 0) << run.diagnostics.toStdString();
        ASSERT_EQ(names(run), (QStringList{"connect", "set-room", "echo", "echo", "disconnect"}))
            << revision.toStdString();
        EXPECT_EQ(run.events[0][1], service.namespaceName());
        EXPECT_FALSE(run.events[1][1].toMap()["roomId"].toString().isEmpty());
        EXPECT_EQ(QJsonDocument::fromVariant(run.events[2]).toJson(QJsonDocument::Compact),
                  R"(["echo",{"n":[1,2.5,null]},"x"])");
        EXPECT_EQ(run.events[3][1], "last line without a newline");
        EXPECT_TRUE(run.diagnostics.contains("line 2 ignored"));
        EXPECT_TRUE(run.diagnostics.contains("line 5 ignored"));
    }
    EXPECT_EQ(service.receivedEvents("set-room").size(), 2);
}

TEST_F(KesvorSioTest, RefusedNamespaceAndBadArgumentsFail)
{
    const ToolRun refused = runTool({"--nsp", "/unknown", service.baseUrl()}, {});
    EXPECT_EQ(refused.exitCode, 1);
    ASSERT_EQ(names(refused), QStringList{"error"});
    EXPECT_EQ(refused.events[0][1], "Invalid namespace");

    EXPECT_EQ(runTool({}, {}).exitCode, 2);
    EXPECT_EQ(runTool({"--linger", "soon", service.baseUrl()}, {}).exitCode, 2);
}
