// A loopback HTTP server for tests of downloads.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A one-thread HTTP server on 127.0.0.1 for a bounded number of requests:
// each request is recorded and answered by Respond (the raw response bytes);
// the connection is closed after it. Gives up after five idle seconds.
class TLoopbackServer {
 public:
  explicit TLoopbackServer(std::function<std::string(const std::string& Request, int Index)> Respond, int Requests = 1)
      : FRespond(std::move(Respond)) {
    FSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(FSocket, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(FSocket, reinterpret_cast<sockaddr*>(&a), &len);
    FPort = ntohs(a.sin_port);
    listen(FSocket, 4);
    FThread = std::thread([this, Requests] { Serve(Requests); });
  }
  ~TLoopbackServer() {
    FThread.join();
    close(FSocket);
  }
  int Port() const { return FPort; }
  std::string Url(const std::string& Path) const { return "http://127.0.0.1:" + std::to_string(FPort) + Path; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(FLock);
    return FRequests;
  }

 private:
  void Serve(int Count) {
    for (int i = 0; i < Count; ++i) {
      pollfd p{FSocket, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) return;
      const int c = accept(FSocket, nullptr, nullptr);
      if (c < 0) return;
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd q{c, POLLIN, 0};
        if (poll(&q, 1, 5000) <= 0) break;
        const ssize_t n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, size_t(n));
      }
      {
        std::lock_guard<std::mutex> lock(FLock);
        FRequests.push_back(request);
      }
      const std::string response = FRespond(request, i);
      for (size_t at = 0; at < response.size();) {
        const ssize_t n = send(c, response.data() + at, response.size() - at, MSG_NOSIGNAL);
        if (n <= 0) break;
        at += size_t(n);
      }
      shutdown(c, SHUT_WR);
      close(c);
    }
  }

  std::function<std::string(const std::string&, int)> FRespond;
  int FSocket = -1;
  int FPort = 0;
  std::thread FThread;
  std::mutex FLock;
  std::vector<std::string> FRequests;
};

// A 200 response that closes the connection, with or without a length.
inline std::string HttpOkResponse(const std::string& Body, bool WithLength = true) {
  return "HTTP/1.1 200 OK\r\n" + (WithLength ? "Content-Length: " + std::to_string(Body.size()) + "\r\n" : "") +
         "Connection: close\r\n\r\n" + Body;
}
