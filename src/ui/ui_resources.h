#ifndef KIVO_UI_UI_RESOURCES_H_
#define KIVO_UI_UI_RESOURCES_H_

namespace kivo {

// Registers the icons of the ui library (":/icons/..."). A static library's
// resources are not registered on their own; calling this again is harmless.
void InitUiResources();

}  // namespace kivo

#endif  // KIVO_UI_UI_RESOURCES_H_
