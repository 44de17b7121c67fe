// The built-in table of OpenGL and WGL extensions: the version in which each
// became core (or what it requires) and a link to its specification.
#pragma once

struct GlExtensionRow {
  const char* name;
  const char* note;
  const char* link;
};

// The first row of that name (compared over 127 characters), or null.
const GlExtensionRow* FindGlExtensionRow(const char* name);
// The core-version note of an extension; null when it has none.
const char* GlExtensionCoreVersion(const char* name);
int GlExtensionRowCount();
