#include "ui/ui_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterUiResources() { Q_INIT_RESOURCE(resources); }

namespace kivo {

void InitUiResources() {
  static const bool registered = [] {
    RegisterUiResources();
    return true;
  }();
  (void)registered;
}

}  // namespace kivo
