#ifndef KIVO_UI_PC_TEXT_H_
#define KIVO_UI_PC_TEXT_H_

#include <string>
#include <string_view>

#include <QString>

namespace kivo {

// Record texts are held in the PC's coding, Windows-1252. These turn them into
// text for the widgets and back; a character the coding lacks becomes "?".
[[nodiscard]] QString FromPcText(std::string_view text);
[[nodiscard]] std::string ToPcText(const QString& text);

}  // namespace kivo

#endif  // KIVO_UI_PC_TEXT_H_
