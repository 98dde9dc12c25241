#include "imaging/io/core/iehttp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/io/core/testsupport/loopback.h"
#include "platform/rtl/streams.h"

namespace {

std::string BodyOf(TMemoryStream& S) { return std::string(static_cast<const char*>(S.Memory()), size_t(S.Size())); }

TEST(HttpGet, UrlParts) {
  const struct {
    const char* Url;
    TIEHttpOutcome Outcome;
    const char* Host;
    int32_t Port;
    const char* Path;
  } cases[] = {
      {"HTTP://Example.org/a/b.jpg", TIEHttpOutcome::Done, "Example.org", 80, "/a/b.jpg"},
      {"http://h:8080/x?y=1", TIEHttpOutcome::Done, "h", 8080, "/x?y=1"},
      {"http://h:abc/", TIEHttpOutcome::Done, "h", 80, "/"},
      {"http://h", TIEHttpOutcome::NoPath, "", 0, ""},
      {"https://h/", TIEHttpOutcome::NotHttp, "", 0, ""},
      {"http:/", TIEHttpOutcome::NotHttp, "", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Url);
    TIEHttpTarget t;
    ASSERT_EQ(IEParseHttpURL(c.Url, t), c.Outcome);
    if (c.Outcome != TIEHttpOutcome::Done) continue;
    EXPECT_EQ(t.Host, c.Host);
    EXPECT_EQ(t.Port, c.Port);
    EXPECT_EQ(t.Path, c.Path);
  }
}

TEST(HttpGet, KnownLengthArrivesInPiecesWithRisingProgress) {
  std::string body(150000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = char(i * 7);
  TLoopbackServer server([&](const std::string&, int) { return HttpOkResponse(body); });
  TMemoryStream s;
  std::atomic<bool> abort{false};
  std::vector<int32_t> percents;
  std::vector<int64_t> sizes;
  const auto outcome = IEHttpGet(server.Url("/big.png"), TIEHttpSettings(), s, abort, [&](int32_t P) {
    percents.push_back(P);
    sizes.push_back(s.Size());
  });
  ASSERT_EQ(outcome, TIEHttpOutcome::Done);
  EXPECT_EQ(BodyOf(s), body);
  EXPECT_EQ(s.Position(), 0);
  ASSERT_GE(percents.size(), 3u);
  EXPECT_EQ(percents.back(), 100);
  for (size_t i = 1; i < percents.size(); ++i) {
    EXPECT_GE(percents[i], percents[i - 1]);
    EXPECT_LE(sizes[i] - sizes[i - 1], 65536);
  }
  EXPECT_LE(sizes[0], 65536);
  const std::string request = server.Requests().at(0);
  for (const char* line : {"GET /big.png HTTP/1.1\r\n", "User-Agent: Mozilla/4.*\r\n", "Cache-Control: no-cache\r\n",
                           "Pragma: no-cache\r\n", "Connection: Keep-Alive\r\n"})
    EXPECT_NE(request.find(line), std::string::npos) << line << " in\n" << request;
}

TEST(HttpGet, UnknownLengthHasNoProgress) {
  const std::string body(5000, 'x');
  TLoopbackServer server([&](const std::string&, int) { return HttpOkResponse(body, false); });
  TMemoryStream s;
  std::atomic<bool> abort{false};
  int calls = 0;
  ASSERT_EQ(IEHttpGet(server.Url("/"), TIEHttpSettings(), s, abort, [&](int32_t) { ++calls; }), TIEHttpOutcome::Done);
  EXPECT_EQ(BodyOf(s), body);
  EXPECT_EQ(calls, 0);
}

TEST(HttpGet, AbortFromProgressStopsTheDownload) {
  const std::string body(200000, 'y');
  TLoopbackServer server([&](const std::string&, int) { return HttpOkResponse(body); });
  TMemoryStream s;
  std::atomic<bool> abort{false};
  EXPECT_EQ(IEHttpGet(server.Url("/"), TIEHttpSettings(), s, abort, [&](int32_t) { abort = true; }),
            TIEHttpOutcome::Aborted);
  EXPECT_LE(s.Size(), 65536);
  EXPECT_TRUE(abort.load());
}

TEST(HttpGet, HostileAndFailingServers) {
  // A refused port: nothing listens on a port just closed.
  int port = 0;
  {
    TLoopbackServer probe([](const std::string&, int) { return HttpOkResponse("x"); });
    port = probe.Port();
    TMemoryStream s;
    std::atomic<bool> abort{false};
    IEHttpGet(probe.Url("/"), TIEHttpSettings(), s, abort, nullptr);
  }
  {
    TMemoryStream s;
    std::atomic<bool> abort{false};
    EXPECT_EQ(IEHttpGet("http://127.0.0.1:" + std::to_string(port) + "/", TIEHttpSettings(), s, abort, nullptr),
              TIEHttpOutcome::Failed);
  }
  {
    // A length no memory body may hold.
    TLoopbackServer server([](const std::string&, int) {
      return std::string("HTTP/1.1 200 OK\r\nContent-Length: 3000000000\r\n\r\n") + std::string(100, 'z');
    });
    TMemoryStream s;
    std::atomic<bool> abort{false};
    EXPECT_EQ(IEHttpGet(server.Url("/"), TIEHttpSettings(), s, abort, nullptr), TIEHttpOutcome::TooLarge);
  }
  {
    // Closed early: what arrived is kept.
    TLoopbackServer server([](const std::string&, int) {
      return std::string("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n") + std::string(500, 'q');
    });
    TMemoryStream s;
    std::atomic<bool> abort{false};
    EXPECT_EQ(IEHttpGet(server.Url("/"), TIEHttpSettings(), s, abort, nullptr), TIEHttpOutcome::Done);
    EXPECT_EQ(s.Size(), 500);
  }
  {
    // An error page is a body like any other.
    TLoopbackServer server([](const std::string&, int) {
      return std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\nConnection: close\r\n\r\nnope");
    });
    TMemoryStream s;
    std::atomic<bool> abort{false};
    EXPECT_EQ(IEHttpGet(server.Url("/"), TIEHttpSettings(), s, abort, nullptr), TIEHttpOutcome::Done);
    EXPECT_EQ(BodyOf(s), "nope");
  }
}

TEST(HttpGet, FollowsRedirectsToHttp) {
  int port = 0;
  TLoopbackServer server(
      [&](const std::string&, int Index) {
        if (Index == 0)
          return "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" + std::to_string(port) +
                 "/final\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        return HttpOkResponse("final body");
      },
      2);
  port = server.Port();
  TMemoryStream s;
  std::atomic<bool> abort{false};
  ASSERT_EQ(IEHttpGet(server.Url("/start"), TIEHttpSettings(), s, abort, nullptr), TIEHttpOutcome::Done);
  EXPECT_EQ(BodyOf(s), "final body");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].rfind("GET /final HTTP/1.1", 0), 0u);
}

TEST(HttpGet, ProxyGetsTheAbsoluteUriAndCredentials) {
  TLoopbackServer proxy([](const std::string&, int) { return HttpOkResponse("via proxy"); });
  TIEHttpSettings settings;
  settings.ProxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
  settings.ProxyUser = "user";
  settings.ProxyPassword = "secret";
  TMemoryStream s;
  std::atomic<bool> abort{false};
  ASSERT_EQ(IEHttpGet("http://images.invalid/p.png", settings, s, abort, nullptr), TIEHttpOutcome::Done);
  EXPECT_EQ(BodyOf(s), "via proxy");
  const std::string request = proxy.Requests().at(0);
  EXPECT_EQ(request.rfind("GET http://images.invalid/p.png HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("Proxy-Authorization: Basic dXNlcjpzZWNyZXQ="), std::string::npos) << request;
}

}  // namespace
