// Readers of the hexadecimal ids in device id texts
// (PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssSSSS&REV_rr, or a driver's UDID) and of
// the packed 32-bit id words the drivers hand out. Every text reader is
// bounded by the length its caller gives, takes digits of either case and
// rejects anything else, so a malformed or cut text never yields a value.
#pragma once
#include <cstddef>
#include <cstdint>

// The value of `digits` (1 to 8) hexadecimal digits at text[pos] of a text
// `len` characters long. False, *value untouched, when the text ends first or
// a character is not a hexadecimal digit.
bool readHexDigits(const char* text, size_t len, size_t pos, int digits, uint32_t* value);

// The `digits` hexadecimal digits that follow the first `key` within the
// text's first `len` characters; *at (optional) receives their position.
// False, outputs untouched, when the key is absent or its digits are not
// all there; a later occurrence of the key is not looked at.
bool readHexAfterKey(const char* text, size_t len, const char* key, int digits, uint32_t* value,
                     size_t* at = nullptr);

// The two 16-bit ids of a packed PCI id word (vendor and device, or the
// subsystem's vendor and device): the low half and the high half.
inline int pciLowId(uint32_t word) { return static_cast<int>(word & 0xFFFFu); }
inline int pciHighId(uint32_t word) { return static_cast<int>(word >> 16); }
