// The report files and the report dialog.
#include <windows.h>
#include <commdlg.h>

#include <cctype>
#include <cstdio>
#include <cstdarg>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/Report.h"
#include "app/ReportDialog.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

// Writes every piece; false when one write or the close fails, so that a
// full disk is reported instead of leaving a cut report behind silently.
bool writeAll(FILE* f, const char* data, size_t n) { return fwrite(data, 1, n, f) == n; }

bool writeTextTo(const char* path) {
  const ReportBuffers& b = g_app.reportBuffers;
  if (!path || !b.textLf) return false;
  FILE* f = fopen(path, "w");
  if (!f) return false;
  bool ok = writeAll(f, b.textLf, strlen(b.textLf));
  ok = (fclose(f) == 0) && ok;
  return ok;
}

}  // namespace

bool WriteTextReport(const char* path) { return writeTextTo(path); }

bool WriteXmlReport(const char* path) {
  const ReportBuffers& b = g_app.reportBuffers;
  if (!path || !b.xml) return false;
  FILE* f = fopen(path, "w");
  if (!f) return false;
  char line[512];
  bool ok = true;
  auto put = [&](const char* format, ...) {
    memset(line, 0, sizeof(line));
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    ok = writeAll(f, line, strlen(line)) && ok;
  };
  put("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>\n");
  put("<!--**********************************************************\n");
  put("* %s v%s report\n", kAppName, AppVersionText());
  put("***********************************************************-->\n");
  put("\n<quorvel>");
  ok = writeAll(f, b.xml, strlen(b.xml)) && ok;
  put("\n\n</quorvel>");
  ok = (fclose(f) == 0) && ok;
  return ok;
}

namespace {

// The generated report path of report mode, from the local time.
std::string generatedReportPath(const char* extension) {
  char path[64];
  if (g_app.appendTimestamp) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    snprintf(path, sizeof(path), "./_report_%.4i%.2i%.2i.%.2i%.2i%.2i.%s", t.wYear, t.wMonth,
             t.wDay, t.wHour, t.wMinute, t.wSecond, extension);
  } else {
    snprintf(path, sizeof(path), "./_report.%s", extension);
  }
  return path;
}

// The file a name stands for on Windows, which ignores case and drops the
// trailing dots and blanks of a name.
std::string fileIdentity(const std::string& path) {
  size_t end = path.find_last_not_of(". ");
  std::string id = end == std::string::npos ? std::string() : path.substr(0, end + 1);
  for (char& c : id) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return id;
}

// The text report's path beside an XML report of a given name: the name
// with the extension ".txt". A name that ends in ".txt" already, in any
// case, would be the XML report's own file: the text report then gets
// ".txt" added to the whole name.
std::string textReportPathBeside(const std::string& xmlPath) {
  size_t slash = xmlPath.find_last_of("/\\");
  size_t dot = xmlPath.find_last_of('.');
  std::string path = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                         ? xmlPath.substr(0, dot) + ".txt"
                         : xmlPath + ".txt";
  if (fileIdentity(path) == fileIdentity(xmlPath)) path = xmlPath + ".txt";
  return path;
}

}  // namespace

bool WriteRequestedReports() {
  bool ok = true;
  std::string given = g_app.reportPath;
  if (g_app.exportXmlReport) {
    std::string path = given.empty() ? generatedReportPath("xml") : given;
    g_app.reportPath = path;
    if (!WriteXmlReport(path.c_str())) {
      LogPrintf(g_log, "Could not write the XML report to %s", path.c_str());
      ok = false;
    }
  }
  if (g_app.exportTextReport) {
    std::string path = given.empty() ? generatedReportPath("txt")
                       : g_app.exportXmlReport ? textReportPathBeside(given)
                                               : given;
    if (!g_app.exportXmlReport) g_app.reportPath = path;
    if (!WriteTextReport(path.c_str())) {
      LogPrintf(g_log, "Could not write the text report to %s", path.c_str());
      ok = false;
    }
  }
  return ok;
}

namespace {

// Asks for a file name with the save dialog; false when cancelled.
bool askFileName(HWND owner, const char* initial, const char* filter, const char* title, char* name) {
  memset(name, 0, MAX_PATH);
  snprintf(name, MAX_PATH, "%s", initial);
  OPENFILENAMEA ofn;
  memset(&ofn, 0, sizeof(ofn));
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
  return GetSaveFileNameA(&ofn) != 0;
}

}  // namespace

INT_PTR CALLBACK ReportDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      char title[256];
      memset(title, 0, sizeof(title));
      Scanrik* s = Scanrik::instance();
      const char* renderer = s ? s->getGLRenderer() : nullptr;
      snprintf(title, sizeof(title), "%s Full Report - %s", kAppName, renderer ? renderer : "");
      SetWindowTextA(dialog, title);
      BuildFullReport(g_app.reportExtraSection);
      const char* text = g_app.reportBuffers.text;
      SetDlgItemTextA(dialog, IDC_REPORT_TEXT, (text && text[0]) ? text : "");
      return TRUE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wp);
      char name[MAX_PATH];
      if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, id);
        return TRUE;
      }
      if (id == IDC_REPORT_XML_EXPORT) {
        if (askFileName(dialog, "quorvel_report.xml", "XML data File (*.xml)\0*.xml\0\0",
                        "Export report to XML File (*.xml)", name))
          WriteXmlReport(name);
        return TRUE;
      }
      if (id == IDC_REPORT_TXT_EXPORT) {
        if (askFileName(dialog, "quorvel_report.txt", "Text File (*.txt)\0*.txt\0\0",
                        "Export report to text File (*.txt)", name))
          writeTextTo(name);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}
