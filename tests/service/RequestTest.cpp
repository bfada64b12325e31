#include "Service/Request.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kesvor;
using kesvor::test::HttpReply;
using kesvor::test::HttpRequest;

namespace {

struct Outcome {
    int calls = 0;
    std::optional<foundation::Error> error;
    std::optional<QVariantMap> result;
};

Request::CompletionHandler recordInto(Outcome& outcome)
{
    return [&outcome](std::optional<foundation::Error> error, std::optional<QVariantMap> result) {
        ++outcome.calls;
        outcome.error = std::move(error);
        outcome.result = std::move(result);
    };
}

class RequestTest : public ::testing::Test {
protected:
    Outcome post(const HttpReply& reply, const QVariantMap& parameters = {{"k", "v"}})
    {
        server.setHandler([reply](const HttpRequest&) { return reply; });
        Outcome outcome;
        Request::request(server.url("/p"), RequestMethod::POST, parameters, recordInto(outcome));
        EXPECT_TRUE(test::waitUntil([&] { return outcome.calls > 0; }));
        QCoreApplication::sendPostedEvents(); // a second call would have been posted by now
        EXPECT_EQ(outcome.calls, 1);
        return outcome;
    }

    test::HttpTestServer server;
};

} // namespace

TEST_F(RequestTest, PostSendsCompactJsonWithContentType)
{
    const Outcome outcome =
        post({200, R"({"user":{"userId":"u1"}})"},
             {{"role", "customer"}, {"n", 1}, {"nested", QVariantMap{{"a", true}}}});
    ASSERT_EQ(server.requests().size(), 1);
    const HttpRequest& sent = server.requests().first();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.headers.value("content-type"), "application/json");
    EXPECT_EQ(sent.body, R"({"n":1,"nested":{"a":true},"role":"customer"})");
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.result->value("user").toMap().value("userId"), "u1");
}

TEST_F(RequestTest, DecodingOutcomes)
{
    EXPECT_EQ(post({200, "{}"}).result, QVariantMap{});
    const Outcome array = post({200, "[1,2]"});
    EXPECT_FALSE(array.error);
    EXPECT_FALSE(array.result);
    const Outcome invalid = post({200, "{\"business\":"});
    EXPECT_TRUE(invalid.error);
    EXPECT_FALSE(invalid.result);
    const Outcome garbage = post({200, "<html>oops</html>", "text/html"});
    EXPECT_TRUE(garbage.error);
    const Outcome serverError = post({500, R"({"message":"boom"})"});
    EXPECT_FALSE(serverError.error);
    EXPECT_EQ(serverError.result->value("message"), "boom");
    const Outcome notFound = post({404, R"({"business":null})"});
    EXPECT_FALSE(notFound.error);
    EXPECT_TRUE(notFound.result->contains("business"));
}

TEST_F(RequestTest, NoBodyAndTransportErrorsCallTheHandlerOnce)
{
    const Outcome empty = post({204, ""});
    EXPECT_FALSE(empty.error);
    EXPECT_FALSE(empty.result);

    HttpReply drop;
    drop.dropConnection = true;
    const Outcome dropped = post(drop);
    ASSERT_TRUE(dropped.error);
    EXPECT_FALSE(dropped.result);

    Outcome refused;
    Request::request("http://127.0.0.1:1/nothing-listens", RequestMethod::POST, {},
                     recordInto(refused));
    ASSERT_TRUE(test::waitUntil([&] { return refused.calls > 0; }));
    EXPECT_TRUE(refused.error);
    EXPECT_EQ(refused.error->domain, "kesvor.net.url");
}

TEST_F(RequestTest, DuplicatePostIsDroppedUntilTheFirstCompletes)
{
    HttpReply slow{200, R"({"ok":true})"};
    slow.delayMs = 200;
    server.setHandler([slow](const HttpRequest&) { return slow; });
    Outcome first, second, third;
    const QString url = server.url("/user/api/v1/signup");
    Request::request(url, RequestMethod::POST, {}, recordInto(first));
    Request::request(url, RequestMethod::POST, {}, recordInto(second));
    EXPECT_TRUE(Request::runningTask().value(url));
    ASSERT_TRUE(test::waitUntil([&] { return first.calls == 1; }));
    EXPECT_FALSE(Request::runningTask().contains(url));
    Request::request(url, RequestMethod::POST, {}, recordInto(third));
    ASSERT_TRUE(test::waitUntil([&] { return third.calls == 1; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(server.requests().size(), 2);

    // Another URL is independent of one in flight.
    Outcome a, b;
    Request::request(url, RequestMethod::POST, {}, recordInto(a));
    Request::request(server.url("/user/api/v1/update"), RequestMethod::POST, {}, recordInto(b));
    ASSERT_TRUE(test::waitUntil([&] { return a.calls == 1 && b.calls == 1; }));
}

TEST_F(RequestTest, BadUrlsAndParametersReportAnErrorWithoutSending)
{
    for (const QString& url : {QString("not a url"), QString("/relative/path"),
                               QString("ftp://h/x"), QString("http://")}) {
        Outcome outcome;
        Request::request(url, RequestMethod::POST, {}, recordInto(outcome));
        EXPECT_EQ(outcome.calls, 0) << "the handler never runs inside request()";
        ASSERT_TRUE(test::waitUntil([&] { return outcome.calls == 1; })) << url.toStdString();
        EXPECT_EQ(outcome.error->code, Request::InvalidUrl);
        EXPECT_FALSE(Request::runningTask().contains(url));
    }
    Outcome outcome;
    Request::request(server.url("/p"), RequestMethod::POST,
                     {{"when", QDateTime::currentDateTime()}}, recordInto(outcome));
    ASSERT_TRUE(test::waitUntil([&] { return outcome.calls == 1; }));
    EXPECT_EQ(outcome.error->code, Request::UnencodableParameters);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(RequestTest, QueryEncodingFollowsTheDocumentedCases)
{
    EXPECT_EQ(Request::query({{"b", 1}, {"a", true}}), "a=1&b=1");
    EXPECT_EQ(Request::query({{"k", QVariantList{"x", "y"}}}), "k%5B%5D=x&k%5B%5D=y");
    EXPECT_EQ(Request::query({{"k", QVariantMap{{"n", "v"}}}}), "k%5Bn%5D=v");
    EXPECT_EQ(Request::query({{"f", false}, {"d", 2.5}, {"i", qlonglong(-3)}}), "d=2.5&f=0&i=-3");
    EXPECT_EQ(Request::query({{"k", QVariantMap{{"l", QVariantList{QVariantMap{{"z", 1}}}}}}}),
              "k%5Bl%5D%5B%5D%5Bz%5D=1");
    EXPECT_EQ(Request::query({}), "");
}

TEST_F(RequestTest, EscapeKeepsOnlyUnreservedCharactersSlashAndQuestionMark)
{
    EXPECT_EQ(Request::escape("aZ09-._~?/"), "aZ09-._~?/");
    EXPECT_EQ(Request::escape("&=+#:@[] "), "%26%3D%2B%23%3A%40%5B%5D%20");
    EXPECT_EQ(Request::escape("!$'()*,;"), "%21%24%27%28%29%2A%2C%3B");
    EXPECT_EQ(Request::escape("é😀"), "%C3%A9%F0%9F%98%80");
}

TEST_F(RequestTest, GetPutsTheEncodedQueryOnTheUrl)
{
    server.setHandler([](const HttpRequest&) { return HttpReply{200, R"({"ok":1})"}; });
    Outcome outcome;
    Request::request(server.url("/search"), RequestMethod::GET,
                     {{"q", "a b&c"}, {"k", QVariantList{"x", "y"}}}, recordInto(outcome));
    ASSERT_TRUE(test::waitUntil([&] { return outcome.calls == 1; }));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().method, "GET");
    EXPECT_EQ(server.requests().first().target, "/search?k%5B%5D=x&k%5B%5D=y&q=a%20b%26c");
    EXPECT_EQ(outcome.result->value("ok").toInt(), 1);
    EXPECT_TRUE(Request::runningTask().isEmpty());
}
