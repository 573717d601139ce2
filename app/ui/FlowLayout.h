#pragma once

#include <QLayout>
#include <QList>

// Lays its items left to right and starts a new line where the next one would not fit, so a
// row of chips never hides one off the edge at a narrow width. It asks for one line; its
// height follows the width it gets.
class FlowLayout : public QLayout {
 public:
  explicit FlowLayout(QWidget* parent = nullptr, int horizontalSpacing = 6,
                      int verticalSpacing = 6);
  ~FlowLayout() override;

  void addItem(QLayoutItem* item) override;
  int count() const override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Places the items in `rect` (or only measures, when `place` is false); the height used.
  int arrange(const QRect& rect, bool place) const;

  QList<QLayoutItem*> items_;
  int horizontalSpacing_;
  int verticalSpacing_;
};
