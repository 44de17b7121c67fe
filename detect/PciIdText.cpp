#include "detect/PciIdText.h"

#include <cstring>

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool readHexDigits(const char* text, size_t len, size_t pos, int digits, uint32_t* value) {
  if (!text || !value || digits < 1 || digits > 8) return false;
  const size_t count = static_cast<size_t>(digits);
  if (pos > len || len - pos < count) return false;
  uint32_t v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    const int d = hexValue(text[i]);
    if (d < 0) return false;
    v = v * 16u + static_cast<uint32_t>(d);
  }
  *value = v;
  return true;
}

bool readHexAfterKey(const char* text, size_t len, const char* key, int digits, uint32_t* value,
                     size_t* at) {
  if (!text || !key) return false;
  const size_t keyLen = strlen(key);
  for (size_t i = 0; keyLen <= len && i <= len - keyLen; ++i) {
    if (strncmp(text + i, key, keyLen) != 0) continue;
    if (!readHexDigits(text, len, i + keyLen, digits, value)) return false;
    if (at) *at = i + keyLen;
    return true;
  }
  return false;
}
