// The socket headers come before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "app/UpdateCheck.h"

#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "resources/resource.h"

const char kUpdateHost[] = "www.brenvik.com";
const char kUpdateDownloadLink[] = "http://www.brenvik.com/redirect.php?id=401";

namespace {

const char kVersionPath[] = "/quorvel/version.php";
const int kRequestSize = 512;
const int kReplySize = 4096;
const DWORD kPauseMs = 250;
const int kMaxVersionDigits = 9;

const UpdateEndpoint kProgramEndpoint = {kUpdateHost, 80, 250 * 1000, 10 * 1000};
const UpdateEndpoint* g_endpoint = &kProgramEndpoint;
UpdateEndpoint g_testEndpoint;

// Closes the socket and the socket library on every way out.
struct Connection {
  SOCKET socket = INVALID_SOCKET;
  bool started = false;
  ~Connection() {
    if (socket != INVALID_SOCKET) closesocket(socket);
    if (started) WSACleanup();
  }
};

bool setBlocking(SOCKET s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

// Connects within the endpoint's wait. A refused connection is reported
// through the exception set, so that it fails at once instead of at the
// end of the wait.
bool connectWithin(SOCKET s, const sockaddr_in& address, DWORD timeoutMs) {
  if (!setBlocking(s, false)) return false;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait;
    wait.tv_sec = static_cast<long>(timeoutMs / 1000);
    wait.tv_usec = static_cast<long>((timeoutMs % 1000) * 1000);
    if (select(0, nullptr, &writable, &failed, &wait) <= 0) return false;
    if (FD_ISSET(s, &failed) || !FD_ISSET(s, &writable)) return false;
    int error = 0;
    int length = sizeof(error);
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
        error != 0)
      return false;
  }
  return setBlocking(s, true);
}

bool resolve(const char* host, unsigned short port, sockaddr_in* out) {
  addrinfo hints;
  memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
  bool ok = found->ai_addr && found->ai_addrlen >= sizeof(sockaddr_in);
  if (ok) {
    memcpy(out, found->ai_addr, sizeof(sockaddr_in));
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
  }
  freeaddrinfo(found);
  return ok;
}

// Reads until the version text is complete, the peer closes, the buffer is
// full or the time is up: a reply may come in several pieces.
size_t receiveReply(SOCKET s, char* buf, size_t size, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  size_t used = 0;
  while (used + 1 < size) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) break;
    DWORD left = timeoutMs - elapsed;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&left), sizeof(left));
    int n = recv(s, buf + used, static_cast<int>(size - 1 - used), 0);
    if (n <= 0) break;
    used += static_cast<size_t>(n);
    buf[used] = '\0';
    const char* open = static_cast<const char*>(memchr(buf, '[', used));
    if (open && memchr(open, ']', used - static_cast<size_t>(open - buf))) break;
  }
  buf[used] = '\0';
  return used;
}

}  // namespace

void SetUpdateEndpoint(const UpdateEndpoint* endpoint) {
  if (!endpoint) {
    g_endpoint = &kProgramEndpoint;
    return;
  }
  g_testEndpoint = *endpoint;
  g_endpoint = &g_testEndpoint;
}

bool FormatUpdateRequest(const char* host, char* buf, size_t size) {
  if (!buf || size == 0) return false;
  memset(buf, 0, size);
  int n = snprintf(buf, size, "GET %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: quorvel_v%s\r\n\r\n",
                   kVersionPath, host ? host : "", AppVersionText());
  return n > 0 && static_cast<size_t>(n) < size;
}

int ParseUpdateReply(const char* reply, size_t length, int version[4]) {
  if (!reply || length == 0 || !version) return -1;
  const char* open = static_cast<const char*>(memchr(reply, '[', length));
  if (!open) return -1;
  const char* end = reply + length;
  if (!memchr(open, ']', static_cast<size_t>(end - open))) return -1;
  // "[a.b.c.d]": four runs of at most nine digits, so that no part can
  // overflow; anything else is a malformed reply.
  int parts[4] = {0, 0, 0, 0};
  const char* p = open + 1;
  for (int i = 0; i < 4; ++i) {
    int digits = 0;
    while (p < end && *p >= '0' && *p <= '9') {
      if (++digits > kMaxVersionDigits) return -1;
      parts[i] = parts[i] * 10 + (*p - '0');
      ++p;
    }
    if (digits == 0 || p >= end) return -1;
    if (*p != (i < 3 ? '.' : ']')) return -1;
    ++p;
  }
  for (int i = 0; i < 4; ++i) version[i] = parts[i];
  // Part by part, so that large parts cannot overflow a packed number.
  for (int i = 0; i < 4; ++i) {
    if (parts[i] != kAppVersion[i]) return parts[i] > kAppVersion[i] ? 1 : 0;
  }
  return 0;
}

int CheckForUpdate() {
  const UpdateEndpoint endpoint = *g_endpoint;
  Connection c;
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
  c.started = true;
  c.socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (c.socket == INVALID_SOCKET) return -1;
  sockaddr_in address;
  memset(&address, 0, sizeof(address));
  if (!resolve(endpoint.host, endpoint.port, &address)) return -1;
  if (!connectWithin(c.socket, address, endpoint.connectTimeoutMs)) return -1;

  char request[kRequestSize];
  if (!FormatUpdateRequest(endpoint.host, request, sizeof(request))) return -1;
  int sent = send(c.socket, request, static_cast<int>(strlen(request)), 0);
  Sleep(kPauseMs);
  if (sent == SOCKET_ERROR) return -1;

  static const size_t kBufferSize = kReplySize;
  char* reply = new char[kBufferSize];
  memset(reply, 0, kBufferSize);
  size_t length = receiveReply(c.socket, reply, kBufferSize, endpoint.receiveTimeoutMs);
  Sleep(kPauseMs);
  int version[4] = {0, 0, 0, 0};
  int result = ParseUpdateReply(reply, length, version);
  delete[] reply;
  if (result >= 0)
    for (int i = 0; i < 4; ++i) g_app.newestVersion[i] = version[i];
  return result;
}

DWORD WINAPI UpdateCheckThread(LPVOID) {
  LogPrintf(g_log, "Checking for new version...");
  int result = CheckForUpdate();
  g_app.updateResult = result;
  if (result == 0) {
    LogPrintf(g_log, "Your version of %s is up to date", kAppName);
  } else if (result < 0) {
    LogPrintf(g_log, "Unable to connect to %s. Check for update failed.", g_endpoint->host);
  } else {
    LogPrintf(g_log, "A new version is available: %d.%d.%d.%d", g_app.newestVersion[0],
              g_app.newestVersion[1], g_app.newestVersion[2], g_app.newestVersion[3]);
    DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_UPDATE), nullptr, UpdateDialogProc, 0);
  }
  return 0;
}

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      char text[256];
      snprintf(text, sizeof(text), "%s - Check for update", kAppName);
      SetWindowTextA(dialog, text);
      snprintf(text, sizeof(text), "A newer version is available: %d.%d.%d.%d",
               g_app.newestVersion[0], g_app.newestVersion[1], g_app.newestVersion[2],
               g_app.newestVersion[3]);
      SetDlgItemTextA(dialog, IDC_UPDATE_TEXT, text);
      return 1;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wp));
          return 1;
        case IDC_UPDATE_DOWNLOAD:
          OpenWithShell(kUpdateDownloadLink);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}
