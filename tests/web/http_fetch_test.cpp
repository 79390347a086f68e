#include "web/http_fetch.h"

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

const Text kDefaultAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const Text kDefaultAccept = "Accept: text/html, application/xhtml+xml, */*";
const Text kDefaultEncoding = "Accept-Encoding: gbk, GB2312";
const Text kDefaultLanguage = "Accept-Language: zh-cn";
const Text kDefaultCache = "Cache-Control: no-cache";
const Text kFormType = "Content-Type: application/x-www-form-urlencoded";

struct BlockRow {
  const char* name;
  Text headers;
  int method;
  Text cookies;
  Text block;
};

TEST(HttpFetchHeaderBlockTest, CompletesTheCallersBlockWithMissingDefaults) {
  const Text tail = kDefaultAccept + "\r\n" + kDefaultEncoding + "\r\n" + kDefaultLanguage +
                    "\r\n" + kDefaultCache + "\r\n";
  const BlockRow rows[] = {
      {"all defaults", "", 0, "", kDefaultAgent + "\r\n" + tail},
      {"own agent stops the default", "User-Agent: X", 0, "", "User-Agent: X\r\n" + tail},
      {"key search ignores case", "user-agent: X", 0, "", "user-agent: X\r\n" + tail},
      {"no space after the colon", "User-Agent:X", 0, "",
       "User-Agent:X\r\n" + kDefaultAgent + "\r\n" + tail},
      {"cookie line last", "", 0, "a=1", kDefaultAgent + "\r\n" + tail + "Cookie: a=1\r\n"},
      {"own cookie line kept alone", "Cookie: b=2", 0, "a=1", "Cookie: b=2\r\n" + kDefaultAgent +
                                                                  "\r\n" + tail},
      {"post rewrites content-type", "content-type: text/xml", 1, "",
       "Content-Type: text/xml\r\n" + kDefaultAgent + "\r\n" + tail},
      {"post adds the form type after Accept-Language", "", 1, "",
       kDefaultAgent + "\r\n" + kDefaultAccept + "\r\n" + kDefaultEncoding + "\r\n" +
           kDefaultLanguage + "\r\n" + kFormType + "\r\n" + kDefaultCache + "\r\n"},
      {"content type counts for post only", "content-type: text/xml", 0, "",
       "content-type: text/xml\r\n" + kDefaultAgent + "\r\n" + tail},
      {"substring anywhere stops a default", "X-Note: Accept: none", 0, "",
       "X-Note: Accept: none\r\n" + kDefaultAgent + "\r\n" + kDefaultEncoding + "\r\n" +
           kDefaultLanguage + "\r\n" + kDefaultCache + "\r\n"},
  };
  for (const BlockRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(HttpFetchHeaderBlock(row.headers, row.method, row.cookies), row.block);
  }
}

TEST(HttpFetchTest, DefaultRequestIsAGetWithTheFiveDefaultLines) {
  ScriptedServer server(Reply(HttpResponse("200 OK", "X-A: 1\r\n", "hello")));
  Text responseHeaders, statusText, location = "untouched";
  Bytes body;
  const Text page = HttpFetch(server.Url("/item?id=7"), 0, {}, nullptr, nullptr, {},
                              &responseHeaders, false, {}, {}, {}, {}, {}, 0, &location,
                              &statusText, &body);
  EXPECT_EQ(page, "hello");
  EXPECT_EQ(statusText, "200 OK");
  EXPECT_EQ(location, "untouched");
  EXPECT_EQ(testing::AsText(body), "hello");
  EXPECT_EQ(responseHeaders,
            "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1U);
  const std::vector<std::string> expected = {
      "GET /item?id=7 HTTP/1.1", "Host: 127.0.0.1:" + std::to_string(server.port()),
      kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache};
  EXPECT_EQ(RequestLines(requests[0]), expected);
  EXPECT_EQ(RequestBody(requests[0]), "");
}

struct WireRow {
  const char* name;
  int method;
  Text postData;
  Text headers;
  Text cookies;
  std::vector<std::string> lines;  // after the request line and Host
  std::string requestLine;
  std::string body;
};

TEST(HttpFetchTest, SendsTheMethodBodyAndHeaderLinesOfEachRow) {
  ScriptedServer server(Reply(HttpResponse("200 OK", "", "ok")));
  const WireRow rows[] = {
      {"caller line stops a default", 0, "", "User-Agent: X\r\nX-Extra: 1", "",
       {"User-Agent: X", "X-Extra: 1", kDefaultAccept, kDefaultEncoding, kDefaultLanguage,
        kDefaultCache},
       "GET /p HTTP/1.1", ""},
      {"a later line of the same name replaces an earlier one", 0, "", "User-Agent:X", "",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache},
       "GET /p HTTP/1.1", ""},
      {"so does the cookie line", 0, "", "Cookie:b=2", "a=1",
       {"Cookie: a=1", kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage,
        kDefaultCache},
       "GET /p HTTP/1.1", ""},
      {"post with own content type", 1, "a=1&b=2", "content-type: text/xml", "",
       {"Content-Type: text/xml", kDefaultAgent, kDefaultAccept, kDefaultEncoding,
        kDefaultLanguage, kDefaultCache, "Content-Length: 7"},
       "POST /p HTTP/1.1", "a=1&b=2"},
      {"post gets the form type", 1, "q=1", "", "",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kFormType,
        kDefaultCache, "Content-Length: 3"},
       "POST /p HTTP/1.1", "q=1"},
      {"cookies", 0, "", "", "a=1",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache,
        "Cookie: a=1"},
       "GET /p HTTP/1.1", ""},
      {"method 9 is a GET", 9, "", "", "",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache},
       "GET /p HTTP/1.1", ""},
      {"method -1 is a GET", -1, "", "", "",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache},
       "GET /p HTTP/1.1", ""},
      {"put carries its body", 3, "data", "", "",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache,
        "Content-Length: 4"},
       "PUT /p HTTP/1.1", "data"},
      {"delete without body", 5, "", "", "",
       {kDefaultAgent, kDefaultAccept, kDefaultEncoding, kDefaultLanguage, kDefaultCache},
       "DELETE /p HTTP/1.1", ""},
  };
  std::size_t seen = 0;
  for (const WireRow& row : rows) {
    SCOPED_TRACE(row.name);
    Text cookies = row.cookies;
    Text statusText;
    HttpFetch(server.Url("/p"), row.method, row.postData, &cookies, nullptr, row.headers, nullptr,
              false, {}, {}, {}, {}, {}, 0, nullptr, &statusText);
    EXPECT_EQ(statusText, "200 OK");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), ++seen);
    std::vector<std::string> expected = {row.requestLine,
                                         "Host: 127.0.0.1:" + std::to_string(server.port())};
    expected.insert(expected.end(), row.lines.begin(), row.lines.end());
    EXPECT_EQ(RequestLines(requests.back()), expected);
    EXPECT_EQ(RequestBody(requests.back()), row.body);
  }
}

TEST(HttpFetchTest, HeadRequestHasNoBody) {
  ScriptedServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"));
  Text statusText;
  EXPECT_EQ(HttpFetch(server.Url("/"), 2, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {},
                      {}, {}, 0, nullptr, &statusText),
            "");
  EXPECT_EQ(statusText, "200 OK");
  ASSERT_EQ(server.Requests().size(), 1U);
  EXPECT_EQ(RequestLines(server.Requests()[0])[0], "HEAD / HTTP/1.1");
}

TEST(HttpFetchTest, QueryStraightAfterTheHostRequestsTheRoot) {
  ScriptedServer server(Reply(HttpResponse("200 OK", "", "")));
  HttpFetch("http://127.0.0.1:" + std::to_string(server.port()) + "?q=1");
  ASSERT_EQ(server.Requests().size(), 1U);
  EXPECT_EQ(RequestLines(server.Requests()[0])[0], "GET / HTTP/1.1");
}

TEST(HttpFetchTest, CollectsAndMergesCookies) {
  const std::string response =
      HttpResponse("200 OK", "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "");
  ScriptedServer server(Reply(response));
  {
    Text cookies = "b=1; c=3";
    Text returned;
    HttpFetch(server.Url(), 0, {}, &cookies, &returned);
    EXPECT_EQ(returned, "a=1; b=2; c=3");
    EXPECT_EQ(cookies, "a=1; b=2; c=3");
  }
  {
    Text cookies = "b=1; c=3";
    Text returned;
    HttpFetch(server.Url(), 0, {}, &cookies, &returned, {}, nullptr, false, {}, {}, {}, {}, {}, 0,
              nullptr, nullptr, nullptr, false);
    EXPECT_EQ(returned, "a=1; b=2");
    EXPECT_EQ(cookies, "b=1; c=3");
  }
  {
    // Nothing sent, nothing merged.
    Text cookies;
    Text returned;
    HttpFetch(server.Url(), 0, {}, &cookies, &returned);
    EXPECT_EQ(returned, "a=1; b=2");
    EXPECT_EQ(cookies, "");
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3U);
  EXPECT_EQ(RequestLines(requests[0]).back(), "Cookie: b=1; c=3");
  EXPECT_EQ(RequestLines(requests[2]).back(), kDefaultCache);
}

TEST(HttpFetchTest, DisabledRedirectGivesTheRedirectItself) {
  ScriptedServer server(Reply(HttpResponse("302 Found", "Location: /next\r\n", "moved")));
  Text statusText, location;
  const Text page = HttpFetch(server.Url("/start"), 0, {}, nullptr, nullptr, {}, nullptr, true,
                              {}, {}, {}, {}, {}, 0, &location, &statusText);
  EXPECT_EQ(statusText, "302 Found");
  EXPECT_EQ(location, "/next");
  EXPECT_EQ(page, "moved");
  EXPECT_EQ(server.Requests().size(), 1U);
}

TEST(HttpFetchTest, FollowsPlainRedirectsAndReportsTheFinalResponse) {
  ScriptedServer server([](Connection& connection) {
    if (RequestLines(connection.request())[0] == "GET /start HTTP/1.1") {
      connection.Send(HttpResponse("302 Found", "Location: /final\r\nSet-Cookie: r=1\r\n", ""));
    } else {
      connection.Send(HttpResponse("200 OK", "", "arrived"));
    }
  });
  Text statusText, headers, location = "untouched";
  EXPECT_EQ(HttpFetch(server.Url("/start"), 0, {}, nullptr, nullptr, {}, &headers, false, {}, {},
                      {}, {}, {}, 0, &location, &statusText),
            "arrived");
  EXPECT_EQ(statusText, "200 OK");
  EXPECT_EQ(location, "untouched");
  EXPECT_EQ(headers.find("302"), Text::npos);
  ASSERT_EQ(server.Requests().size(), 2U);
  EXPECT_EQ(RequestLines(server.Requests()[1])[0], "GET /final HTTP/1.1");
}

TEST(HttpFetchTest, StopsAfterTenRedirects) {
  ScriptedServer server([](Connection& connection) {
    const std::string line = RequestLines(connection.request())[0];
    const int n = std::stoi(line.substr(line.find("/r") + 2));
    connection.Send(HttpResponse("302 Found", "Location: /r" + std::to_string(n + 1) + "\r\n", ""));
  });
  Text statusText, location;
  HttpFetch(server.Url("/r0"), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 0,
            &location, &statusText);
  EXPECT_EQ(server.Requests().size(), 11U);
  EXPECT_EQ(statusText, "302 Found");
  EXPECT_EQ(location, "/r11");
}

TEST(HttpFetchTest, HttpsIsVerifiedAndNeverRedirectsToPlain) {
  const TestCertificate certificate;
  ScriptedServer plain(Reply(HttpResponse("200 OK", "", "plain")));
  const std::string plainUrl = plain.Url("/");
  ScriptedServer secure(
      [&plainUrl](Connection& connection) {
        if (RequestLines(connection.request())[0] == "GET /down HTTP/1.1") {
          connection.Send(HttpResponse("302 Found", "Location: " + plainUrl + "\r\n", ""));
        } else {
          connection.Send(HttpResponse("200 OK", "", "secure"));
        }
      },
      &certificate);
  const TlsTrust trust{certificate.caFile()};
  Text statusText, location;

  EXPECT_EQ(HttpFetch(secure.Url("/"), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {},
                      {}, {}, 0, nullptr, &statusText, nullptr, true, trust),
            "secure");
  EXPECT_EQ(statusText, "200 OK");

  HttpFetch(secure.Url("/down"), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {}, {}, {},
            0, &location, &statusText, nullptr, true, trust);
  EXPECT_EQ(statusText, "302 Found");
  EXPECT_EQ(location, plainUrl);
  EXPECT_TRUE(plain.Requests().empty());

  // Without the generated authority the certificate is not trusted.
  EXPECT_EQ(HttpFetch(secure.Url("/"), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {},
                      {}, {}, 0, nullptr, &statusText),
            "");
  EXPECT_EQ(statusText, kHttpFetchSendFailed);
}

TEST(HttpFetchTest, SendsBasicCredentialsOnlyAsPairs) {
  ScriptedServer server(Reply(HttpResponse("200 OK", "", "")));
  HttpFetch(server.Url(), 0, {}, nullptr, nullptr, {}, nullptr, false, "u", "p");
  HttpFetch(server.Url(), 0, {}, nullptr, nullptr, {}, nullptr, false, "u", "");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2U);
  EXPECT_EQ(RequestLines(requests[0])[2], "Authorization: Basic dTpw");
  EXPECT_EQ(requests[1].find("Authorization"), std::string::npos);
}

TEST(HttpFetchTest, PlainAddressGoesThroughTheProxyWithItsCredentials) {
  ScriptedServer proxy(Reply(HttpResponse("200 OK", "", "via proxy")));
  const std::string target = "http://127.0.0.1:" + std::to_string(testing::RefusedPort()) + "/x";
  Text statusText;
  EXPECT_EQ(HttpFetch(target, 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {},
                      "127.0.0.1:" + std::to_string(proxy.port()), "pu", "pp", 0, nullptr,
                      &statusText),
            "via proxy");
  EXPECT_EQ(statusText, "200 OK");
  ASSERT_EQ(proxy.Requests().size(), 1U);
  const auto lines = RequestLines(proxy.Requests()[0]);
  EXPECT_EQ(lines[0], "GET " + target + " HTTP/1.1");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Proxy-Authorization: Basic cHU6cHA="),
            lines.end())
      << testing::Joined(lines);
}

struct FailureRow {
  const char* name;
  Text url;
  std::string_view statusText;
};

TEST(HttpFetchTest, NumbersEachFailure) {
  ScriptedServer idle([](Connection& connection) { connection.Idle(); });
  ScriptedServer malformed(Reply("HTTX/1.1 200 OK\r\n\r\nbody"));
  ScriptedServer weird(Reply("HTTP/1.1 abc\r\n\r\n"));
  ScriptedServer hugeHeaders([](Connection& connection) {
    std::string response = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 2000; ++i) {
      response += "X-Filler-" + std::to_string(i) + ": " + std::string(90, 'x') + "\r\n";
    }
    connection.Send(response + "Content-Length: 0\r\n\r\n");
  });
  ScriptedServer hugeLine(Reply("HTTP/1.1 200 OK\r\nX-Big: " + std::string(300000, 'x') +
                                "\r\nContent-Length: 0\r\n\r\n"));
  const FailureRow rows[] = {
      {"no scheme", "127.0.0.1/x", kHttpFetchBadAddress},
      {"other scheme", "ftp://127.0.0.1/x", kHttpFetchBadAddress},
      {"no host", "http://", kHttpFetchBadAddress},
      {"space in host", "http://a b/", kHttpFetchBadAddress},
      {"refused port",
       "http://127.0.0.1:" + std::to_string(testing::RefusedPort()) + "/", kHttpFetchSendFailed},
      {"silent server", idle.Url(), kHttpFetchNoResponse},
      {"malformed status line", malformed.Url(), kHttpFetchNoResponse},
      {"status line without a code", weird.Url(), kHttpFetchNoResponse},
      {"200 KB of headers", hugeHeaders.Url(), kHttpFetchNoResponse},
      // curl gives up on a line this long with its out-of-memory code,
      // after the request went out.
      {"one 300 KB header line", hugeLine.Url(), kHttpFetchNoResponse},
  };
  for (const FailureRow& row : rows) {
    SCOPED_TRACE(row.name);
    Text statusText, headers = "untouched";
    Bytes body = {1};
    EXPECT_EQ(HttpFetch(row.url, 0, {}, nullptr, nullptr, {}, &headers, false, {}, {}, {}, {}, {},
                        1, nullptr, &statusText, &body),
              "");
    EXPECT_EQ(statusText, row.statusText);
    EXPECT_EQ(headers, "untouched");
    EXPECT_EQ(body, Bytes{1});
  }
}

TEST(HttpFetchTest, BrokenBodyStillYieldsWhatWasRead) {
  ScriptedServer closes([](Connection& connection) {
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nSet-Cookie: s=1\r\n\r\npartial");
  });
  ScriptedServer goesSilent([](Connection& connection) {
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf");
    connection.Idle();
  });
  for (ScriptedServer* server : {&closes, &goesSilent}) {
    Text statusText, returned;
    Bytes body;
    const Text page = HttpFetch(server->Url(), 0, {}, nullptr, &returned, {}, nullptr, false, {},
                                {}, {}, {}, {}, 1, nullptr, &statusText, &body);
    EXPECT_EQ(page, server == &closes ? "partial" : "half");
    EXPECT_EQ(testing::AsText(body), page);
    // The response status replaces the read failure's message.
    EXPECT_EQ(statusText, "200 OK");
    EXPECT_EQ(returned, server == &closes ? "s=1" : "");
  }
}

TEST(HttpFetchTest, ResponseHeadersAreTheHeaderBlockAlone) {
  struct Row {
    const char* name;
    std::string response;
    Text headers;
    Text cookies;
  };
  const Row rows[] = {
      {"a header named like a status line",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nHTTP/x: y\r\nContent-Length: 2\r\n\r\nok",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nHTTP/x: y\r\nContent-Length: 2\r\n\r\n", "a=1"},
      {"chunked trailers",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: a=1\r\n\r\n"
       "2\r\nok\r\n0\r\nSet-Cookie: t=1\r\nX-Trailer: " + std::string(70000, 'x') + "\r\n\r\n",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: a=1\r\n\r\n", "a=1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedServer server(Reply(row.response));
    Text statusText, headers, returned;
    const Text page = HttpFetch(server.Url(), 0, {}, nullptr, &returned, {}, &headers, false, {},
                                {}, {}, {}, {}, 1, nullptr, &statusText);
    EXPECT_EQ(page, "ok");
    EXPECT_EQ(statusText, "200 OK");
    EXPECT_EQ(headers, row.headers);
    EXPECT_EQ(returned, row.cookies);
  }
}

TEST(HttpFetchTest, EndlessBodyStopsAtTheSizeBound) {
  ScriptedServer endless([](Connection& connection) {
    const std::string chunk(64 * 1024, 'a');
    if (connection.Send("HTTP/1.1 200 OK\r\n\r\n")) {
      while (connection.Send(chunk)) {
      }
    }
  });
  Text statusText;
  Bytes body;
  HttpFetch(endless.Url(), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 0,
            nullptr, &statusText, &body);
  EXPECT_EQ(body.size(), kMaxBodyBytes);
  EXPECT_EQ(statusText, "200 OK");
}

TEST(HttpFetchSlowTest, TricklingServerIsCutOffByTheWholeTransferBound) {
  ScriptedServer trickle([](Connection& connection) {
    if (connection.Send("HTTP/1.1 200 OK\r\n\r\n")) {
      while (connection.Pause(std::chrono::milliseconds(300)) && connection.Send("t")) {
      }
    }
  });
  Text statusText;
  const Text page = HttpFetch(trickle.Url(), 0, {}, nullptr, nullptr, {}, nullptr, false, {}, {},
                              {}, {}, {}, 1, nullptr, &statusText);
  EXPECT_FALSE(page.empty());
  EXPECT_EQ(page.find_first_not_of('t'), Text::npos);
  EXPECT_EQ(statusText, "200 OK");
}

TEST(HttpFetchTest, RunsOnSeveralThreadsAtOnce) {
  ScriptedServer server([](Connection& connection) {
    const std::string line = RequestLines(connection.request())[0];
    connection.Send(HttpResponse("200 OK", "", line.substr(4, line.find(' ', 4) - 4)));
  });
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&server, &wrong, t] {
      for (int i = 0; i < 5; ++i) {
        const std::string path = "/t" + std::to_string(t) + "-" + std::to_string(i);
        if (HttpFetch(server.Url(path)) != path) {
          ++wrong[static_cast<std::size_t>(t)];
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
  EXPECT_EQ(server.Requests().size(), 20U);
}

}  // namespace
}  // namespace velmora
