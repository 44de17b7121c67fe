#include "tvl.h"

namespace tvl {

AppEngine::AppEngine() {}
AppEngine::~AppEngine() {}
const char* AppEngine::get_version() const { return "0.1.0"; }

}  // namespace tvl
