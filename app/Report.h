// The text report and the XML body, built once per run from everything the
// program detected.
#pragma once
#include <string>

// One line of the text report (CR LF in the text buffer, LF in its copy).
void AppendReportText(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// A piece of the XML body, appended unchanged (values must be escaped).
void AppendReportXml(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// A value made safe for an XML attribute or text: markup characters
// escaped, control characters dropped, bytes the Windows code page adds to
// ISO-8859-1 written as character references. Long values are cut. A
// driver text with "<" or "&" thus keeps the report well-formed.
class XmlEscaped {
 public:
  explicit XmlEscaped(const char* value);
  const char* c_str() const { return m_text; }

 private:
  char m_text[2048];
};

void BuildFullReport(bool extraSection);

// The API sections of the report (Vulkan, CUDA, OpenCL).
void AppendVulkanReport();
void AppendCudaReport();
void AppendOpenClReport();

// The text report's path when both reports are written and the XML report
// has the given name: the same name with the extension ".txt".
std::string TextReportPathBeside(const std::string& xmlPath);

// Writes the text report (LF copy, text mode) or the XML report to a file;
// false when the file cannot be opened or written.
bool WriteTextReport(const char* path);
bool WriteXmlReport(const char* path);
