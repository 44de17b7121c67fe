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

// Report mode: writes the reports that the switches ask for, under the
// given name or a generated one; false when one could not be written.
// With both switches each report gets its own file: the XML report keeps a
// given name exactly and the text report goes beside it, never into the
// same file; without a name each gets its own generated one.
bool WriteRequestedReports();

// Writes the text report (LF copy, text mode) or the XML report to a file;
// false when the file cannot be opened or written.
bool WriteTextReport(const char* path);
bool WriteXmlReport(const char* path);
