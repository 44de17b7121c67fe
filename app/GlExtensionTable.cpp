#include "app/GlExtensionTable.h"

#include <cstring>

namespace {
const GlExtensionRow kRows[] = {
#include "app/GlExtensionTable.inc"
};
}  // namespace

int GlExtensionRowCount() { return static_cast<int>(sizeof(kRows) / sizeof(kRows[0])); }

const GlExtensionRow* FindGlExtensionRow(const char* name) {
  if (!name) return nullptr;
  for (const GlExtensionRow& row : kRows)
    if (strncmp(row.name, name, 127) == 0) return &row;
  return nullptr;
}

const char* GlExtensionCoreVersion(const char* name) {
  const GlExtensionRow* row = FindGlExtensionRow(name);
  return (row && row->note[0]) ? row->note : nullptr;
}
