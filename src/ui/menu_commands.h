#ifndef KIVO_UI_MENU_COMMANDS_H_
#define KIVO_UI_MENU_COMMANDS_H_

// The Option and Help menus' commands: each shows its dialog, modal to
// `parent`, and hands the choice to the commands, which apply it to the
// settings and the list.

class QWidget;

namespace kivo {

class MainCommands;
struct MainWindowPaths;

// Option > "Organizer Model...": the list is sorted again after Cancel too.
void ChooseOrganizerModel(MainCommands& commands, QWidget* parent);
// Option > "Display Formart...".
void ChooseDisplayFormat(MainCommands& commands, QWidget* parent);
// Option > "Expense Category...": OK stores the names.
void EditExpenseCategories(MainCommands& commands, QWidget* parent);
// Option > "COM port...", or the first start's offer of it with its words
// on what to choose. OK and Cancel both leave the dialog's port in the
// settings (Cancel: the port of the opening).
void ChooseComPort(MainCommands& commands, QWidget* parent, bool first_start);

// Help > "About...".
void ShowAbout(QWidget* parent);
// Help > "User guide": the guide in the desktop's viewer, else the manual
// page, else a box that says where both are.
void OpenUserGuide(const MainWindowPaths& paths, QWidget* parent);

}  // namespace kivo

#endif  // KIVO_UI_MENU_COMMANDS_H_
