#include "desktop/desktop_user.h"

namespace kivo {

PromptBox ConnectionReminderBox() {
  return {
      "1. Press the [ON/OFF] button to turn OFF.\n2. Connect the cable to your Organizer and "
      "your PC.\n3. Press the [ON/OFF] button to turn ON.",
      "Information", PromptIcon::kInformation, PromptButtons::kOk};
}

}  // namespace kivo
