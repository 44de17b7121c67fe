// The update check: reply parsing, and the whole exchange against a small
// HTTP server on the loopback address that each test starts itself.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/UpdateCheck.h"

namespace {

TEST(UpdateReplyTest, VersionsAndMalformedReplies) {
  const struct {
    const char* reply;
    int result;
    int version[4];
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n[1.54.0.0]", 0, {1, 54, 0, 0}},
      {"[1.54.0.1]", 1, {1, 54, 0, 1}},
      {"[1.55.0.0]", 1, {1, 55, 0, 0}},
      {"[1.53.9.9]", 0, {1, 53, 9, 9}},
      {"[2.0.0.0]", 1, {2, 0, 0, 0}},
      {"[1.54.0.300]", 1, {1, 54, 0, 300}},
      {"x] y [1.60.0.0] z", 1, {1, 60, 0, 0}},
      {"no version here", -1, {0, 0, 0, 0}},
      {"[1.55.0.0", -1, {0, 0, 0, 0}},
      {"1.55.0.0]", -1, {0, 0, 0, 0}},
      {"[1.55]", -1, {0, 0, 0, 0}},
      {"[a.b.c.d]", -1, {0, 0, 0, 0}},
      {"[1.55.0.0.7]", -1, {0, 0, 0, 0}},
      {"[-1.99.0.0]", -1, {0, 0, 0, 0}},
      {"[1.55.0.0                                                                    ]", -1, {0, 0, 0, 0}},
      {"[99999999999999999999.0.0.0]", -1, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    int version[4] = {0, 0, 0, 0};
    EXPECT_EQ(c.result, ParseUpdateReply(c.reply, strlen(c.reply), version)) << c.reply;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c.version[i], version[i]) << c.reply;
  }
  int version[4] = {0, 0, 0, 0};
  EXPECT_EQ(-1, ParseUpdateReply(nullptr, 10, version));
  // Only the given length counts: the text beyond it is never read.
  const char cut[] = "[1.55.0.0]";
  EXPECT_EQ(-1, ParseUpdateReply(cut, 9, version));
}

TEST(UpdateReplyTest, RequestText) {
  char request[512];
  ASSERT_TRUE(FormatUpdateRequest("update.example", request, sizeof(request)));
  EXPECT_STREQ(
      "GET /quorvel/version.php HTTP/1.1\r\nHost: update.example\r\n"
      "User-Agent: quorvel_v1.54.0.0\r\n\r\n",
      request);
  char small[32];
  EXPECT_FALSE(FormatUpdateRequest("update.example", small, sizeof(small)));
  EXPECT_EQ('\0', small[sizeof(small) - 1]);
}

// One connection: reads the request up to its blank line, sends the reply
// in the given pieces (a pause between them) and closes.
class LocalServer {
 public:
  explicit LocalServer(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 1);
    thread_ = CreateThread(nullptr, 0, serve, this, 0, nullptr);
  }
  ~LocalServer() {
    WaitForSingleObject(thread_, 15000);
    CloseHandle(thread_);
    closesocket(listener_);
    WSACleanup();
  }
  unsigned short port() const { return port_; }
  std::string request() {
    WaitForSingleObject(thread_, 15000);
    return request_;
  }

 private:
  static DWORD WINAPI serve(LPVOID self) {
    static_cast<LocalServer*>(self)->serveOne();
    return 0;
  }
  void serveOne() {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait = {10, 0};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return;
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    DWORD timeout = 5000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    char buf[1024];
    while (request_.size() < 4096 && request_.find("\r\n\r\n") == std::string::npos) {
      int n = recv(client, buf, sizeof(buf), 0);
      if (n <= 0) break;
      request_.append(buf, static_cast<size_t>(n));
    }
    for (size_t i = 0; i < pieces_.size(); ++i) {
      if (i > 0) Sleep(150);
      send(client, pieces_[i].data(), static_cast<int>(pieces_[i].size()), 0);
    }
    shutdown(client, SD_BOTH);
    closesocket(client);
  }

  std::vector<std::string> pieces_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  HANDLE thread_ = nullptr;
  std::string request_;
};

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAppState(); }
  void TearDown() override { SetUpdateEndpoint(nullptr); }
  void pointAt(unsigned short port) {
    UpdateEndpoint endpoint = {"127.0.0.1", port, 5000, 5000};
    SetUpdateEndpoint(&endpoint);
  }
};

TEST_F(UpdateCheckTest, ExchangesWithTheServer) {
  const std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
  const struct {
    std::vector<std::string> pieces;
    int result;
    int version[4];
  } cases[] = {
      {{header + "<html>[1.54.0.0]</html>"}, 0, {1, 54, 0, 0}},
      {{header + "[1.55.0.0]"}, 1, {1, 55, 0, 0}},
      // A reply in pieces is read to its end.
      {{header, "<p>[1.5", "4.0.1]</p>"}, 1, {1, 54, 0, 1}},
      {{header + "no version"}, -1, {7, 7, 7, 7}},
      {{}, -1, {7, 7, 7, 7}},
      // Longer than the reply buffer: the version beyond it is never seen.
      {{header + std::string(5000, 'x') + "[1.99.0.0]"}, -1, {7, 7, 7, 7}},
  };
  for (const auto& c : cases) {
    for (int& part : g_app.newestVersion) part = 7;
    LocalServer server(c.pieces);
    pointAt(server.port());
    EXPECT_EQ(c.result, CheckForUpdate());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c.version[i], g_app.newestVersion[i]);
    EXPECT_EQ("GET /quorvel/version.php HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: quorvel_v1.54.0.0\r\n\r\n",
              server.request());
  }
}

TEST_F(UpdateCheckTest, RefusedConnectionFailsAtOnce) {
  // A port that was just free: nothing listens there.
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address;
  memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(s);
  WSACleanup();
  UpdateEndpoint endpoint = {"127.0.0.1", ntohs(address.sin_port), 60000, 5000};
  SetUpdateEndpoint(&endpoint);
  DWORD start = GetTickCount();
  EXPECT_EQ(-1, CheckForUpdate());
  EXPECT_LT(GetTickCount() - start, 20000u);
}

TEST_F(UpdateCheckTest, ThreadStoresTheResult) {
  LocalServer server({"HTTP/1.1 200 OK\r\n\r\n[1.54.0.0]"});
  pointAt(server.port());
  g_app.updateResult = 5;
  EXPECT_EQ(0u, UpdateCheckThread(nullptr));
  EXPECT_EQ(0, g_app.updateResult);
}

}  // namespace
