// Randomised input for the parsers that read outside text: the command line,
// PCI id strings, registry text, extension strings, the update reply and the
// XML escaping of report values. Every input ends right before a guard page
// and every output buffer does too, so that a read or write past either end
// faults; each round's input is named when a check fails or the process dies.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "../common/Fuzz.h"
#include "../common/GuardedMemory.h"
#include "app/AppState.h"
#include "app/OpenClInfo.h"
#include "app/Report.h"
#include "app/UpdateCheck.h"
#include "detect/GlReaders.h"
#include "detect/GpuDatabase.h"
#include "detect/HardwareCaps.h"

// The checks below count on the hardened build: stack protection, and in
// optimised builds the checked string functions of the MinGW headers.
#if !defined(__SSP_STRONG__) || (defined(__OPTIMIZE__) && (!defined(__MINGW_FORTIFY_LEVEL) || __MINGW_FORTIFY_LEVEL < 2))
#error "expected -fstack-protector-strong and _FORTIFY_SOURCE=2"
#endif

namespace {

// Fixed seeds: a failure replays with the same inputs.
const uint32_t kSeed = 20261210;
const int kBudgetMs = 2000;

// ---------------------------------------------------------------- command line

const char* const kSwitches[] = {
    "/no_logfile", "/gl30", "/gl32", "/demo_msaa=", "/demo_win_width=", "/demo_win_height=",
    "/cl_log_results", "/cl_log_results_surface_deformer", "/cl_duration=", "/benchmark_duration=",
    "/start_demo_gl3_torus", "/cl_gpu", "/cl_cpu", "/cl_device_index=", "/vk_gpu_index=",
    "/run_tvl_demo=", "/gl4_tess_level_outer=", "/cl_surface_segs_x=", "/cl_kernel_workload=",
    "/cl_kernel_workload_sin=", "/cl_particles_gpu=", "/cl_julia_rtt_size=",
    "/append_timestamp_to_report", "/exp_xml_report", "/exp_txt_report_orlaf",
    "/exp_full_filename=\""};

std::string randomValue(Fuzz& f) {
  switch (f.range(0, 6)) {
    case 0: return std::to_string(f.range(-100000, 100000));
    case 1: return std::to_string(f.range(INT64_MIN / 2, INT64_MAX / 2)) + "999999999999";
    case 2: return "-" + std::string(static_cast<size_t>(f.range(1, 400)), '9');
    case 3: return "=" + std::to_string(f.range(-3, 3));
    case 4: return std::string(static_cast<size_t>(f.range(0, 600)), static_cast<char>(f.range('a', 'z')));
    case 5: return "\"" + f.bytes(static_cast<size_t>(f.range(0, 3000)));
    default: return f.bytes(static_cast<size_t>(f.range(0, 40)));
  }
}

std::string randomCommandLine(Fuzz& f) {
  std::string line = f.chance(50) ? "quorvel.exe " : "";
  const int pieces = static_cast<int>(f.range(0, 8));
  for (int k = 0; k < pieces; ++k) {
    if (f.chance(80)) line += f.pick(kSwitches);
    if (f.chance(70)) line += randomValue(f);
    if (f.chance(50)) line += f.chance(80) ? " " : "\"";
  }
  return f.chance(30) ? f.mutate(line) : line;
}

// The command line as the parser searches it: the quoted report path values
// do not count as switches.
std::string searchedText(const std::string& line) {
  const std::string key = "/exp_full_filename=\"";
  std::string masked = line;
  size_t pos = 0;
  while ((pos = masked.find(key, pos)) != std::string::npos) {
    size_t begin = pos + key.size();
    size_t end = masked.find('"', begin);
    if (end == std::string::npos) end = masked.size();
    for (size_t i = begin; i < end; ++i) masked[i] = ' ';
    pos = end;
  }
  return masked;
}

TEST(FuzzParsers, CommandLine) {
  Fuzz f("command line", kSeed, 3000, kBudgetMs);
  while (f.next()) {
    const std::string line = randomCommandLine(f);
    f.note(line);
    GuardedBuffer input = GuardedBuffer::text(line);
    ASSERT_TRUE(input.ok());
    ResetAppState();
    ParseCommandLine(input.data());
    const std::string cut = line.substr(0, line.find('\0'));
    const std::string searched = searchedText(cut);

    const size_t nameLength = strnlen(g_app.tvlDemoName, kTvlDemoNameSize);
    ASSERT_LT(nameLength, static_cast<size_t>(kTvlDemoNameSize)) << f.describe();
    const size_t at = searched.find("/run_tvl_demo=");
    if (at != std::string::npos) {
      std::string expected = cut.substr(at + strlen("/run_tvl_demo="));
      expected = expected.substr(0, expected.find(' ')).substr(0, kTvlDemoNameSize - 1);
      EXPECT_EQ(expected, g_app.tvlDemoName) << f.describe();
    } else {
      EXPECT_EQ(0u, nameLength) << f.describe();
    }
    EXPECT_LE(g_app.reportPath.size(), static_cast<size_t>(kReportPathMax)) << f.describe();
    EXPECT_EQ(std::string::npos, g_app.reportPath.find('"')) << f.describe();
    EXPECT_GE(g_app.vkGpuIndex, -1) << f.describe();
    EXPECT_NE(0, g_app.surfaceSegsX) << f.describe();
    if (HasFailure()) return;
  }
}

// A value switch followed by text that is no number keeps the default; the
// Vulkan GPU index falls back to -1.
TEST(FuzzParsers, CommandLineValuesThatDoNotScanKeepTheDefault) {
  struct Row {
    const char* name;
    int AppState::*field;
  };
  const Row rows[] = {{"/demo_win_width=", &AppState::demoWinWidth},
                      {"/cl_julia_rtt_size=", &AppState::juliaRttSize},
                      {"/cl_particles_gpu=", &AppState::clParticlesGpu},
                      {"/cl_device_index=", &AppState::clDeviceIndex},
                      {"/vk_gpu_index=", &AppState::vkGpuIndex}};
  Fuzz f("command line values", kSeed + 1, 1000, kBudgetMs);
  while (f.next()) {
    const Row& row = f.pick(rows);
    std::string value = f.bytes(static_cast<size_t>(f.range(0, 30)));
    // Not a number: no digit, sign or blank where the number would start.
    if (!value.empty() && strchr("0123456789+- \t\n\v\f\r", value[0])) value[0] = 'x';
    const std::string line = std::string(row.name) + value;
    f.note(line);
    GuardedBuffer input = GuardedBuffer::text(line);
    ResetAppState();
    const int before = g_app.*row.field;
    ParseCommandLine(input.data());
    EXPECT_EQ(before, g_app.*row.field) << row.name << " on " << f.describe();
    if (HasFailure()) return;
  }
}

// ---------------------------------------------------------------- PCI ids

std::string randomHex(Fuzz& f, int n) {
  static const char kChars[] = "0123456789ABCDEFabcdefGZ&_\\";
  std::string s;
  for (int i = 0; i < n; ++i) s += f.chance(90) ? "0123456789ABCDEF"[f.range(0, 15)] : kChars[f.range(0, 26)];
  return s;
}

std::string randomIdString(Fuzz& f) {
  static const char* const kVendors[] = {"1002", "10DE", "8086", "5333", "1AF4"};
  static const char* const kShared[] = {"67DF", "6798", "67B0", "731F", "1C82", "9A49"};
  std::string s = f.chance(80) ? "PCI\\" : "";
  s += "VEN_" + std::string(f.chance(70) ? f.pick(kVendors) : randomHex(f, 4).c_str());
  s += "&DEV_" + std::string(f.chance(50) ? f.pick(kShared) : randomHex(f, 4).c_str());
  if (f.chance(80)) s += "&SUBSYS_" + randomHex(f, 8);
  if (f.chance(80)) s += "&REV_" + randomHex(f, 2);
  if (f.chance(20)) s += f.bytes(static_cast<size_t>(f.range(0, 300)));
  if (f.chance(40)) s = f.mutate(s);
  return s;
}

// The value of `digits` hexadecimal characters after the first `key`; -1
// when the key is absent or the characters are not all hexadecimal.
long hexAfter(const std::string& s, const char* key, size_t digits) {
  size_t at = s.find(key);
  if (at == std::string::npos) return -1;
  at += strlen(key);
  if (s.size() < at + digits) return -1;
  const std::string field = s.substr(at, digits);
  if (field.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) return -1;
  return strtol(field.c_str(), nullptr, 16);
}

TEST(FuzzParsers, PciIdStrings) {
  Fuzz f("PCI id strings", kSeed + 2, 4000, kBudgetMs);
  while (f.next()) {
    const std::string text = randomIdString(f);
    f.note(text);
    GuardedBuffer input = GuardedBuffer::text(text);
    const std::string cut = text.substr(0, text.find('\0'));

    GpuIdString ids;
    ids.vendorId = 0x5A5A;
    const bool parsed = parseGpuIdString(input.data(), &ids);
    const long vendor = hexAfter(cut, "VEN_", 4), device = hexAfter(cut, "DEV_", 4);
    EXPECT_EQ(vendor >= 0 && device >= 0, parsed) << f.describe();
    if (parsed) {
      EXPECT_EQ(vendor, ids.vendorId) << f.describe();
      EXPECT_EQ(device, ids.deviceId) << f.describe();
      const size_t subsys = strlen(ids.subsysText), revision = strlen(ids.revisionText);
      EXPECT_TRUE(subsys == 0 || subsys == 8) << f.describe();
      EXPECT_TRUE(revision == 0 || revision == 2) << f.describe();
    } else {
      EXPECT_EQ(0x5A5A, ids.vendorId) << "untouched on failure: " << f.describe();
    }

    GpuIdFields record;
    record.deviceId = 0x1234;  // a known id is never replaced
    const int row = findGpuDatabaseRowFromIdString(input.data(), &record);
    EXPECT_EQ(0x1234, record.deviceId) << f.describe();
    if (row >= 0) {
      const GpuDatabaseEntry* entry = gpuDatabaseRow(ids.vendorId, row);
      ASSERT_NE(nullptr, entry) << f.describe();
      EXPECT_EQ(ids.deviceId, entry->deviceId) << f.describe();
    } else {
      EXPECT_EQ(-1, row) << f.describe();
    }

    // The fixed-position reader of the display devices.
    const PciIdPieces p = parsePciIdString(input.data());
    for (int v : {p.vendor, p.device, p.subsysDevice, p.subsysVendor})
      EXPECT_TRUE(v >= -1 && v <= 0xFFFF) << f.describe();
    if (cut.compare(0, 8, "PCI\\VEN_") != 0) {
      EXPECT_EQ(-1, p.vendor) << f.describe();
    }
    if (HasFailure()) return;
  }
}

// ---------------------------------------------------------------- registry text

// Registry text read into a buffer of the caller's size: cut to fit, always
// terminated, nothing written past the buffer, up to the first zero byte.
TEST(FuzzParsers, RegistryText) {
  const std::string keyPath = "Software\\QuorvelFuzz\\" + std::to_string(GetCurrentProcessId());
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  Fuzz f("registry text", kSeed + 3, 1500, kBudgetMs);
  while (f.next()) {
    // Text values hold plain characters (the system converts them); binary
    // values hold any bytes, with or without a terminator.
    const bool binary = f.chance(60);
    std::string data = binary ? f.bytes(static_cast<size_t>(f.range(0, 700)), f.chance(30))
                              : std::string(static_cast<size_t>(f.range(0, 700)),
                                            static_cast<char>(f.range('0', 'z')));
    const DWORD size = static_cast<DWORD>(f.range(0, 300));
    f.note(data + " -> buffer of " + std::to_string(size));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "v", 0, binary ? REG_BINARY : REG_SZ,
                                            reinterpret_cast<const BYTE*>(data.data()),
                                            static_cast<DWORD>(data.size() + (binary ? 0 : 1))));
    GuardedBuffer out(size);
    if (size > 0) out.data()[0] = 'k';
    DWORD type = 0;
    const bool ok = ReadRegistryText(key, "v", out.data(), size, &type);
    if (size < 2) {
      EXPECT_FALSE(ok) << f.describe();
      if (size == 1) {
        EXPECT_EQ('k', out.data()[0]) << f.describe();
      }
    } else {
      ASSERT_TRUE(ok) << f.describe();
      const std::string expected = data.substr(0, data.find('\0')).substr(0, size - 1);
      EXPECT_EQ(expected, std::string(out.data(), strnlen(out.data(), size))) << f.describe();
      EXPECT_LT(strnlen(out.data(), size), static_cast<size_t>(size)) << "terminated: " << f.describe();
    }
    EXPECT_TRUE(out.intact()) << f.describe();
    if (HasFailure()) break;
  }
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
}

// ---------------------------------------------------------------- extension strings

std::string randomExtensionString(Fuzz& f) {
  static const char* const kNames[] = {"GL_ARB_foo", "cl_khr_fp64", "ab", "x", "GL_EXT_texture_sRGB"};
  std::string s;
  const int n = static_cast<int>(f.range(0, 40));
  for (int k = 0; k < n; ++k) {
    s += std::string(static_cast<size_t>(f.range(0, 3)), ' ');
    if (f.chance(60)) s += f.pick(kNames);
    else s += std::string(static_cast<size_t>(f.range(1, 300)), static_cast<char>(f.range('A', 'z')));
  }
  return f.chance(30) ? f.mutate(s) : s;
}

// The blank-separated words of text.
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(at, end - at));
    at = end;
  }
  return out;
}

TEST(FuzzParsers, ExtensionStrings) {
  Fuzz f("extension strings", kSeed + 4, 1500, kBudgetMs);
  while (f.next()) {
    const std::string text = randomExtensionString(f);
    f.note(text);
    GuardedBuffer input = GuardedBuffer::text(text);
    const std::vector<std::string> expected = words(text.substr(0, text.find('\0')));

    EXPECT_EQ(expected, SplitExtensionNames(input.data())) << f.describe();

    // The OpenCL lists keep words of three characters or more, cut to 127.
    Korveth_nsp::kvLinkedList list;
    SplitClExtensions(input.data(), list);
    std::vector<std::string> kept;
    for (const std::string& w : expected)
      if (w.size() >= 3) kept.push_back(w.substr(0, 127));
    std::vector<std::string> got;
    for (size_t k = 0; k < list.size(); ++k)
      got.emplace_back(static_cast<const char*>(list.at(k)), strnlen(static_cast<const char*>(list.at(k)), 128));
    FreeClExtensions(list);
    EXPECT_EQ(kept, got) << f.describe();
    if (HasFailure()) return;
  }
}

// ---------------------------------------------------------------- update reply

std::string randomReply(Fuzz& f) {
  std::string version;
  for (int i = 0; i < 4; ++i) {
    if (i) version += f.chance(95) ? "." : ",";
    if (f.chance(5)) version += std::string(static_cast<size_t>(f.range(1, 10)), '0');
    version += std::to_string(f.range(0, f.chance(80) ? 60 : INT32_MAX));
    if (f.chance(5)) version += std::string(static_cast<size_t>(f.range(1, 12)), '7');
  }
  std::string s = f.chance(80) ? "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" : "";
  if (f.chance(30)) s += f.bytes(static_cast<size_t>(f.range(0, 200)));
  s += (f.chance(90) ? "[" : "") + version + (f.chance(90) ? "]" : "");
  if (f.chance(30)) s += f.bytes(static_cast<size_t>(f.range(0, 200)), true);
  return f.chance(30) ? f.mutate(s) : s;
}

// The reply compared with this version as the parser must: -1 unless the
// first '[' opens "[a.b.c.d]" with four runs of one to nine digits.
int expectedReply(const std::string& reply, int version[4]) {
  const size_t open = reply.find('[');
  if (open == std::string::npos) return -1;
  static const std::regex kForm("^\\[([0-9]{1,9})\\.([0-9]{1,9})\\.([0-9]{1,9})\\.([0-9]{1,9})\\]");
  std::smatch m;
  const std::string tail = reply.substr(open);
  if (!std::regex_search(tail, m, kForm)) return -1;
  for (int i = 0; i < 4; ++i) version[i] = std::stoi(m[i + 1].str());
  for (int i = 0; i < 4; ++i)
    if (version[i] != kAppVersion[i]) return version[i] > kAppVersion[i] ? 1 : 0;
  return 0;
}

TEST(FuzzParsers, UpdateReply) {
  Fuzz f("update reply", kSeed + 5, 3000, kBudgetMs);
  while (f.next()) {
    const std::string reply = randomReply(f);
    f.note(reply);
    // The reply is not terminated: its last byte lies before the guard page.
    GuardedBuffer input(reply.size());
    memcpy(input.data(), reply.data(), reply.size());
    int got[4] = {-7, -7, -7, -7};
    int want[4] = {-7, -7, -7, -7};
    const int expected = expectedReply(reply, want);
    EXPECT_EQ(expected, ParseUpdateReply(input.data(), reply.size(), got)) << f.describe();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(want[i], got[i]) << "part " << i << " of " << f.describe();
    if (HasFailure()) return;
  }
}

// ---------------------------------------------------------------- XML escaping

bool isXmlChar(unsigned long c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Checks text as XML 1.0 (ISO-8859-1, one byte per character) would, both as
// an attribute value in double quotes and as element content: only legal
// characters, no raw '<', every '&' a complete reference to a predefined
// entity or a legal character, no raw '"', no "]]>". Empty when it passes,
// else what is wrong.
std::string strictXmlProblem(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!isXmlChar(c)) return "character " + std::to_string(c) + " at " + std::to_string(i);
    if (c == '<') return "raw '<' at " + std::to_string(i);
    if (c == '"') return "raw '\"' at " + std::to_string(i);
    if (c == ']' && text.compare(i, 3, "]]>") == 0) return "\"]]>\" at " + std::to_string(i);
    if (c != '&') continue;
    const size_t end = text.find(';', i);
    if (end == std::string::npos) return "unterminated reference at " + std::to_string(i);
    const std::string ref = text.substr(i + 1, end - i - 1);
    if (ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos") {
      i = end;
      continue;
    }
    static const std::regex kDecimal("#[0-9]{1,7}"), kHex("#x[0-9a-fA-F]{1,6}");
    unsigned long code = 0;
    if (std::regex_match(ref, kDecimal)) code = strtoul(ref.c_str() + 1, nullptr, 10);
    else if (std::regex_match(ref, kHex)) code = strtoul(ref.c_str() + 2, nullptr, 16);
    else return "bad reference \"&" + ref + ";\" at " + std::to_string(i);
    if (!isXmlChar(code)) return "reference to character " + std::to_string(code);
    i = end;
  }
  return "";
}

TEST(FuzzParsers, XmlEscapedValuesAreWellFormedXml) {
  static const char* const kMarkup[] = {"&", "<", ">", "\"", "'", "]]>", "&amp;", "&#0;", "\x81", "\x9F"};
  Fuzz f("XML escaping", kSeed + 6, 2000, kBudgetMs);
  while (f.next()) {
    std::string value;
    const int pieces = static_cast<int>(f.range(0, 20));
    for (int k = 0; k < pieces; ++k)
      value += f.chance(40) ? std::string(f.pick(kMarkup)) : f.bytes(static_cast<size_t>(f.range(0, 400)));
    f.note(value);
    GuardedBuffer input = GuardedBuffer::text(value);
    XmlEscaped escaped(input.data());
    const std::string out(escaped.c_str());
    EXPECT_LT(out.size(), 2048u) << f.describe();
    EXPECT_EQ("", strictXmlProblem(out)) << "escaped: " << f.describe(out) << "\nfrom " << f.describe();
    if (HasFailure()) return;
  }
}

}  // namespace
