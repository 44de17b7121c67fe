// The program's name and version, as window titles, the log, the reports
// and the update check show them.
#pragma once
#include <cstdio>

const char kAppName[] = "Quorvel";
const int kAppVersion[4] = {1, 54, 0, 0};

// The four parts as "1.54.0.0".
inline const char* AppVersionText() {
  static const struct Text {
    char value[48];
    Text() {
      snprintf(value, sizeof value, "%d.%d.%d.%d", kAppVersion[0], kAppVersion[1], kAppVersion[2],
               kAppVersion[3]);
    }
  } text;
  return text.value;
}
