#include "web/inet_fetch.h"

#include <gtest/gtest.h>

#include "tests/web/http_test_util.h"
#include "web/http_read_file.h"

namespace velmora {
namespace {

using testing::Connection;
using testing::HttpResponse;
using testing::Reply;
using testing::RequestBody;
using testing::RequestLines;
using testing::ScriptedServer;
using testing::TestCertificate;

const Text kInetAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(InetUserAgentTest, ReadsTheAgentFromTheBlockBeforeCompletion) {
  struct Row {
    Text headers;
    Text agent;
  };
  const Row rows[] = {
      {"", kInetAgent},
      {"Referer: x", kInetAgent},
      {"User-Agent:  Mine 1.0 \r\nAccept: a", "Mine 1.0"},
      {"Accept: a\r\nUser-Agent: Mine", "Mine"},
      // Case-blind detection, case-sensitive cut: the value after the first ":".
      {"user-agent: Foo", "Foo"},
      {"Accept: a\r\nuser-agent: Foo", "a\r\nuser-agent: Foo"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.headers);
    EXPECT_EQ(InetUserAgent(row.headers), row.agent);
  }
}

TEST(InetHeaderBlockTest, CompletesWithExactSearches) {
  struct Row {
    const char* name;
    Text headers;
    int method;
    Text cookies;
    Text block;
  };
  const Row rows[] = {
      {"update check", "Referer: r", 0, "", "Referer: r\r\nAccept: */*\r\nAccept-Language: zh-cn"},
      {"empty", "", 0, "", "Accept: */*\r\nReferer: u\r\nAccept-Language: zh-cn"},
      {"post", "", 1, "",
       "Accept: */*\r\nReferer: u\r\nAccept-Language: zh-cn\r\nContent-Type: "
       "application/x-www-form-urlencoded"},
      {"post, lower-case type not rewritten", "content-type: t", 1, "",
       "content-type: t\r\nAccept: */*\r\nReferer: u\r\nAccept-Language: zh-cn\r\nContent-Type: "
       "application/x-www-form-urlencoded"},
      {"cookies", "", 0, "a=1", "Accept: */*\r\nReferer: u\r\nAccept-Language: zh-cn\r\nCookie: a=1"},
      {"cookie text with its own name", "", 0, "Cookie: a=1",
       "Accept: */*\r\nReferer: u\r\nAccept-Language: zh-cn\r\nCookie: a=1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CompleteInetHeaderBlock(row.headers, row.method, "u", row.cookies), row.block);
  }
}

TEST(InetFetchTest, UpdateDownloadOverHttps) {
  const TestCertificate certificate;
  ScriptedServer secure(Reply(HttpResponse("200 OK", "Set-Cookie: d=1\r\n", "MZ\x90")),
                        &certificate);
  Text headers = "Referer: " + secure.Url("/");
  Text responseHeaders, returned;
  // The updater's path: its percent escapes must reach the server unchanged.
  const Text path = "/%E7%89%88%E6%9C%AC%E6%9B%B4%E6%96%B0.exe?v=A%2F";
  const Bytes body = InetFetch(secure.Url(path), 0, {}, nullptr, &returned, &headers,
                               &responseHeaders, false, nullptr, {}, true,
                               TlsTrust{certificate.caFile()});
  EXPECT_EQ(testing::AsText(body), "MZ\x90");
  EXPECT_EQ(headers, "Referer: " + secure.Url("/") + "\r\nAccept: */*\r\nAccept-Language: zh-cn");
  EXPECT_EQ(Left(responseHeaders, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(returned, "d=1");
  ASSERT_EQ(secure.Requests().size(), 1U);
  const std::vector<std::string> expected = {
      "GET " + path + " HTTP/1.1", "Host: 127.0.0.1:" + std::to_string(secure.port()),
      "User-Agent: " + kInetAgent, "Referer: " + secure.Url("/"), "Accept: */*",
      "Accept-Language: zh-cn"};
  EXPECT_EQ(RequestLines(secure.Requests()[0]), expected);
  // The system store does not know the generated authority.
  EXPECT_TRUE(InetFetch(secure.Url("/setup.exe")).empty());
}

TEST(InetFetchTest, BodiesCookiesAndAgentLine) {
  ScriptedServer server(Reply(HttpResponse("200 OK", "Set-Cookie: n=2\r\n", "ok")));
  {
    Bytes postBytes;
    Text cookies;  // passed empty: no Cookie line, but merged
    Text headers = "user-agent: Own";
    InetFetch(server.Url("/a"), 1, "p=1", &cookies, nullptr, &headers, nullptr, false, &postBytes);
    EXPECT_EQ(testing::AsText(postBytes), "p=1");
    EXPECT_EQ(cookies, "n=2");
  }
  {
    Text cookies = "Cookie: old=1";
    InetFetch(server.Url("/b"), 2, {}, &cookies);
  }
  InetFetch("http://127.0.0.1:" + std::to_string(server.port()) + "?q=1");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3U);
  const auto first = RequestLines(requests[0]);
  EXPECT_EQ(first[0], "POST /a HTTP/1.1");
  EXPECT_EQ(first[2], "user-agent: Own");
  EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);
  EXPECT_EQ(RequestBody(requests[0]), "p=1");
  const auto second = RequestLines(requests[1]);
  EXPECT_EQ(second[0], "HEAD /b HTTP/1.1");
  EXPECT_EQ(second.back(), "Cookie: old=1");
  EXPECT_EQ(RequestLines(requests[2])[0], "GET / HTTP/1.1");
}

TEST(InetFetchTest, RedirectsStayOnTheirScheme) {
  const TestCertificate certificate;
  ScriptedServer secure(Reply(HttpResponse("200 OK", "", "secure")), &certificate);
  ScriptedServer plain([&secure](Connection& connection) {
    const std::string line = RequestLines(connection.request())[0];
    if (line == "GET /up HTTP/1.1") {
      connection.Send(HttpResponse("302 Found", "Location: " + secure.Url("/") + "\r\n", "r"));
    } else if (line == "GET /hop HTTP/1.1") {
      connection.Send(HttpResponse("301 Moved", "Location: /end\r\n", ""));
    } else {
      connection.Send(HttpResponse("200 OK", "", "end"));
    }
  });
  Text responseHeaders;
  // A redirect refused is the result, its body already skipped by the stack.
  EXPECT_EQ(testing::AsText(InetFetch(plain.Url("/up"), 0, {}, nullptr, nullptr, nullptr,
                                      &responseHeaders)),
            "");
  EXPECT_EQ(Left(responseHeaders, 18), "HTTP/1.1 302 Found");
  EXPECT_TRUE(secure.Requests().empty());
  EXPECT_EQ(testing::AsText(InetFetch(plain.Url("/hop"))), "end");
  EXPECT_EQ(testing::AsText(InetFetch(plain.Url("/hop"), 0, {}, nullptr, nullptr, nullptr,
                                      nullptr, true)),
            "");
  EXPECT_EQ(plain.Requests().size(), 4U);
}

TEST(InetFetchTest, OversizedHeadersAndBrokenBodies) {
  ScriptedServer bigHeaders([](Connection& connection) {
    std::string lines = "Set-Cookie: big=1\r\n";
    for (int i = 0; i < 100; ++i) {
      lines += "X-Filler-" + std::to_string(i) + ": " + std::string(50, 'x') + "\r\n";
    }
    connection.Send(HttpResponse("200 OK", lines, "body"));
  });
  ScriptedServer cut(Reply("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\npart"));
  Text responseHeaders = "x", returned = "x";
  EXPECT_EQ(testing::AsText(InetFetch(bigHeaders.Url(), 0, {}, nullptr, &returned, nullptr,
                                      &responseHeaders)),
            "body");
  EXPECT_EQ(responseHeaders, "");
  EXPECT_EQ(returned, "");
  EXPECT_TRUE(InetFetch(cut.Url(), 0, {}, nullptr, nullptr, nullptr, &responseHeaders).empty());
  EXPECT_EQ(Left(responseHeaders, 15), "HTTP/1.1 200 OK");
}

TEST(HttpReadFileTest, PlainHttp10GetWhateverTheStatus) {
  ScriptedServer server(Reply(HttpResponse("404 Not Found", "", "V20190601")));
  EXPECT_EQ(testing::AsText(HttpReadFile(server.Url("/v.txt"))), "V20190601");
  ASSERT_EQ(server.Requests().size(), 1U);
  const std::vector<std::string> expected = {
      "GET /v.txt HTTP/1.0", "Host: 127.0.0.1:" + std::to_string(server.port()),
      "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", "Accept: */*"};
  EXPECT_EQ(RequestLines(server.Requests()[0]), expected);
}

TEST(HttpReadFileTest, EmptyOnEveryFailure) {
  const TestCertificate certificate;
  ScriptedServer secure(Reply(HttpResponse("200 OK", "", "V2")), &certificate);
  ScriptedServer cut(Reply("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nV2019"));
  EXPECT_EQ(testing::AsText(HttpReadFile(secure.Url("/v"), TlsTrust{certificate.caFile()})), "V2");
  EXPECT_TRUE(HttpReadFile(secure.Url("/v")).empty());
  EXPECT_TRUE(HttpReadFile(cut.Url("/v")).empty());
  EXPECT_TRUE(
      HttpReadFile("http://127.0.0.1:" + std::to_string(testing::RefusedPort()) + "/v").empty());
  EXPECT_TRUE(HttpReadFile("nonsense").empty());
}

}  // namespace
}  // namespace velmora
