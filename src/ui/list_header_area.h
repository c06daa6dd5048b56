#ifndef KIVO_UI_LIST_HEADER_AREA_H_
#define KIVO_UI_LIST_HEADER_AREA_H_

#include <QRect>
#include <QString>
#include <QWidget>

namespace kivo {

// The painted strip above the record list: the name of the application on
// screen in large blue italics and "%4d records exist" beside it, on the
// name's baseline.
class ListHeaderArea : public QWidget {
  Q_OBJECT

 public:
  explicit ListHeaderArea(QWidget* parent = nullptr);

  void SetAppliName(const QString& name);
  void SetRecordCount(int count);
  const QString& count_text() const { return count_text_; }
  const QString& appli_name() const { return name_; }
  // Where the name and the count are drawn, measured with their fonts; the
  // count's room fits the largest count.
  QRect NameRect() const;
  QRect CountRect() const;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString name_;
  QString count_text_;
};

}  // namespace kivo

#endif  // KIVO_UI_LIST_HEADER_AREA_H_
