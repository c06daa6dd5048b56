#ifndef KIVO_UI_TOGGLE_BUTTON_H_
#define KIVO_UI_TOGGLE_BUTTON_H_

#include <QPushButton>
#include <QString>

namespace kivo {

// An image button that flips between on and off with each click: the
// Schedule "alarm", the To Do "Check" and the Expense "receipt". The images
// are recoloured for the window's palette: light grey (192, 192, 192) takes the
// window colour and dark grey (128, 128, 128) the button-text colour. Arrow
// keys are ignored while it has the focus, and Enter never presses it.
class ToggleButton : public QPushButton {
  Q_OBJECT

 public:
  // image_name: "alarm", "check" or "receipt" (":/icons/<name>_on.svg" and
  // "_off.svg").
  ToggleButton(const QString& image_name, const QString& accessible_name,
               QWidget* parent = nullptr);

  [[nodiscard]] bool on() const { return isChecked(); }
  void SetOn(bool on) { setChecked(on); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LoadImages();

  QString image_name_;
};

// The image with the two greys replaced as described above.
[[nodiscard]] QImage RecolourForPalette(const QImage& image, const QPalette& palette);

}  // namespace kivo

#endif  // KIVO_UI_TOGGLE_BUTTON_H_
