// What the units that write the report's sections share.
#pragma once
#include "app/Report.h"

// Opens each section of the text report, before its title in brackets.
const char kSectionRule[] = "===================================";

// A value escaped for the XML body; the escaped copy lives until the end of
// the statement that uses it.
#define X(s) XmlEscaped(s).c_str()
