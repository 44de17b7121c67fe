// The check for a newer version: one HTTP/1.1 GET of the version page of the
// update host, whose reply carries the newest version as "[a.b.c.d]".
#pragma once
#include <windows.h>

// Where the check connects. The program uses kUpdateHost on port 80 with a
// connect wait of 250 s; tests point it at a server of their own.
struct UpdateEndpoint {
  const char* host;  // name or dotted address
  unsigned short port;
  DWORD connectTimeoutMs;
  DWORD receiveTimeoutMs;  // for the whole reply
};
extern const char kUpdateHost[];
extern const char kUpdateDownloadLink[];
// Replaces the endpoint (null restores the program's own).
void SetUpdateEndpoint(const UpdateEndpoint* endpoint);

// The request as sent, into buf; false when it does not fit.
bool FormatUpdateRequest(const char* host, char* buf, size_t size);

// Reads the newest version from a reply of `length` bytes (no terminator
// needed): 1 newer than this program, 0 not newer, -1 when the reply holds
// no complete "[a.b.c.d]" with four non-negative parts. `version` is
// written only on 0 and 1.
int ParseUpdateReply(const char* reply, size_t length, int version[4]);

// 1 newer version available, 0 not newer, -1 any failure; on 0 and 1 the
// newest version is stored in g_app.
int CheckForUpdate();

// Thread routine: checks once, logs the outcome and shows the result dialog
// when a newer version exists. Exit code 0.
DWORD WINAPI UpdateCheckThread(LPVOID unused);

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
