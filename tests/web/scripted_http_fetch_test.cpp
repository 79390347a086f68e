#include "web/scripted_http_fetch.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/web/http_test_util.h"

namespace velmora {
namespace {

using testing::Connection;
using testing::HttpResponse;
using testing::Reply;
using testing::RequestBody;
using testing::RequestLines;
using testing::ScriptedServer;
using testing::TestCertificate;

const Text kAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Text kForm = "Content-Type: application/x-www-form-urlencoded";

struct BlockRow {
  const char* name;
  Text headers;
  int method;
  Text block;
};

TEST(ScriptedHeaderBlockTest, CompletesWithExactSearches) {
  const Text url = "http://h/p";
  const BlockRow rows[] = {
      {"empty block", "", 0,
       "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n" + kAgent},
      {"own Accept kept alone", "Accept: text/html", 0,
       "Accept: text/html\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n" + kAgent},
      {"lower-case accept gets a second line", "accept: text/html", 0,
       "accept: text/html\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n" +
           kAgent},
      {"post rewrites content-type", "content-type: text/xml", 1,
       "Content-Type: text/xml\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: "
       "zh-cn\r\n" + kAgent},
      {"post adds the form type last", "", 1,
       "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n" + kAgent + "\r\n" +
           kForm},
      {"method 9 is a GET", "", 9,
       "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n" + kAgent},
  };
  for (const BlockRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CompleteScriptedHeaderBlock(row.headers, row.method, url), row.block);
  }
}

TEST(ScriptedHttpFetchTest, NetworkClockHeadRequest) {
  ScriptedServer server(Reply("HTTP/1.1 200 OK\r\nDate: Fri, 11 Dec 2026 04:05:06 GMT\r\n"
                              "Content-Length: 3\r\n\r\n"));
  Text responseHeaders;
  std::int32_t status = -1;
  const Bytes body = ScriptedHttpFetch(server.Url(), 2, {}, nullptr, nullptr, nullptr,
                                       &responseHeaders, &status);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 200);
  EXPECT_EQ(responseHeaders, "Date: Fri, 11 Dec 2026 04:05:06 GMT\r\nContent-Length: 3\r\n\r\n");
  ASSERT_EQ(server.Requests().size(), 1U);
  const std::vector<std::string> expected = {
      "HEAD / HTTP/1.1", "Host: 127.0.0.1:" + std::to_string(server.port()), "Accept: */*",
      "Referer: " + server.Url(), "Accept-Language: zh-cn", kAgent};
  EXPECT_EQ(RequestLines(server.Requests()[0]), expected);
}

TEST(ScriptedHttpFetchTest, CompletesTheCallersBlockAndSendsCookiesWhenPassed) {
  ScriptedServer server(Reply(HttpResponse("404 Not Found", "Set-Cookie: a=1; path=/\r\n"
                                                            "Set-Cookie: b=2\r\n", "missing")));
  {
    Text cookies;  // passed, though empty
    Text returned, headers = "X-A: 1";
    std::int32_t status = 0;
    const Bytes body = ScriptedHttpFetch(server.Url("/p"), 0, {}, &cookies, &returned, &headers,
                                         nullptr, &status);
    EXPECT_EQ(testing::AsText(body), "missing");
    EXPECT_EQ(status, 404);
    EXPECT_EQ(returned, "a=1; b=2");
    EXPECT_EQ(cookies, "a=1; b=2");
    EXPECT_EQ(headers, "X-A: 1\r\nAccept: */*\r\nReferer: " + server.Url("/p") +
                           "\r\nAccept-Language: zh-cn\r\n" + kAgent);
  }
  {
    Text returned;
    ScriptedHttpFetch(server.Url("/p"), 0, {}, nullptr, &returned);
    EXPECT_EQ(returned, "a=1; b=2");
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2U);
  const auto first = RequestLines(requests[0]);
  EXPECT_EQ(first[2], "Cookie:");
  EXPECT_EQ(first[3], "X-A: 1");
  EXPECT_EQ(requests[1].find("Cookie"), std::string::npos);
}

TEST(ScriptedHttpFetchTest, PostSendsBytesBeforeTextAndRewritesContentType) {
  ScriptedServer server(Reply(HttpResponse("200 OK", "", "")));
  Text headers = "content-type: text/plain";
  const Bytes bytes = {'x', 0, 'y'};
  ScriptedHttpFetch(server.Url(), 1, "text body", nullptr, nullptr, &headers, nullptr, nullptr,
                    false, bytes);
  ScriptedHttpFetch(server.Url(), 1, "text body");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2U);
  EXPECT_EQ(RequestBody(requests[0]), std::string("x\0y", 3));
  EXPECT_EQ(RequestLines(requests[0])[2], "Content-Type: text/plain");
  EXPECT_EQ(RequestBody(requests[1]), "text body");
  const auto second = RequestLines(requests[1]);
  EXPECT_NE(std::find(second.begin(), second.end(), kForm), second.end());
}

TEST(ScriptedHttpFetchTest, ProxyCredentialsOnlyWithAProxyAndBasicMode) {
  ScriptedServer proxy(Reply(HttpResponse("200 OK", "", "p")));
  const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
  const std::string target = "http://127.0.0.1:" + std::to_string(testing::RefusedPort()) + "/";
  ScriptedHttpFetch(target, 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, {},
                    proxyAddress, 0, "user", "pass");
  ScriptedHttpFetch(target, 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, {},
                    proxyAddress, 0, "user", "pass", 2);
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 2U);
  const auto first = RequestLines(requests[0]);
  EXPECT_EQ(first[0], "GET " + target + " HTTP/1.1");
  EXPECT_NE(std::find(first.begin(), first.end(), "Proxy-Authorization: Basic dXNlcjpwYXNz"),
            first.end())
      << testing::Joined(first);
  EXPECT_EQ(requests[1].find("Proxy-Authorization"), std::string::npos);
}

TEST(ScriptedHttpFetchTest, RequestObjectKeepsWhatACallConfigured) {
  ScriptedServer server(Reply(HttpResponse("302 Found", "Location: /elsewhere\r\n", "")));
  ScriptedRequest request;
  std::int32_t status = 0;
  ScriptedHttpFetch(server.Url(), 0, {}, nullptr, nullptr, nullptr, nullptr, &status, true, {},
                    {}, 7, {}, {}, 1, &request);
  EXPECT_EQ(status, 302);
  ScriptedRequest::Settings settings = request.settings();
  EXPECT_FALSE(settings.redirectsEnabled);
  EXPECT_EQ(settings.receiveTimeoutMs, 7000);
  EXPECT_EQ(settings.ignoredCertificateErrors, kIgnoreAllCertificateErrors);
  // A later call that does not switch redirects off still runs on the
  // object's setting, and -1 leaves its time-outs alone.
  ScriptedHttpFetch(server.Url(), 0, {}, nullptr, nullptr, nullptr, nullptr, &status, false, {},
                    {}, -1, {}, {}, 1, &request);
  EXPECT_EQ(status, 302);
  EXPECT_EQ(request.settings().receiveTimeoutMs, 7000);
  EXPECT_EQ(server.Requests().size(), 2U);
}

TEST(ScriptedHttpFetchTest, IgnoresCertificateErrors) {
  const TestCertificate certificate;
  ScriptedServer secure(Reply(HttpResponse("200 OK", "", "secret")), &certificate);
  std::int32_t status = 0;
  EXPECT_EQ(testing::AsText(ScriptedHttpFetch(secure.Url(), 0, {}, nullptr, nullptr, nullptr,
                                              nullptr, &status)),
            "secret");
  EXPECT_EQ(status, 200);
}

TEST(ScriptedHttpFetchTest, FailedTransfersLeaveEmptyResults) {
  ScriptedServer idle([](Connection& connection) { connection.Idle(); });
  ScriptedServer cut(Reply("HTTP/1.1 200 OK\r\nContent-Length: 50\r\nSet-Cookie: c=1\r\n\r\nab"));
  const std::string refused = "http://127.0.0.1:" + std::to_string(testing::RefusedPort()) + "/";
  for (const std::string& url : {refused, idle.Url(), cut.Url(), std::string("not a url")}) {
    SCOPED_TRACE(url);
    Text headers = "x", cookies = "k=1", returned = "x";
    std::int32_t status = -1;
    EXPECT_TRUE(ScriptedHttpFetch(url, 0, {}, &cookies, &returned, nullptr, &headers, &status,
                                  false, {}, {}, 1)
                    .empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(returned, "k=1");
  }
}

TEST(ScriptedHttpFetchTest, RunsOnSeveralThreadsAtOnce) {
  ScriptedServer server([](Connection& connection) {
    const std::string line = RequestLines(connection.request())[0];
    connection.Send(HttpResponse("200 OK", "", line.substr(4, line.find(' ', 4) - 4)));
  });
  ScriptedRequest shared;
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&server, &wrong, &shared, t] {
      for (int i = 0; i < 5; ++i) {
        const std::string path = "/t" + std::to_string(t) + "-" + std::to_string(i);
        const Bytes body = ScriptedHttpFetch(server.Url(path), 0, {}, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, false, {}, {}, 0, {}, {}, 1,
                                             t % 2 == 0 ? &shared : nullptr);
        if (testing::AsText(body) != path) {
          ++wrong[static_cast<std::size_t>(t)];
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace velmora
