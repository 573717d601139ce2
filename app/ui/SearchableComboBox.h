#pragma once

#include <QComboBox>

// A combo box for long lists: typing narrows the entries to those that contain the text, in
// any case, and the list it drops stays near the box's own width, however long an entry is.
// Text that chooses nothing gives way to the chosen entry again when the box loses it.
class SearchableComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit SearchableComboBox(QWidget* parent = nullptr);

  // Sets the model and searches its entries. An editable box shows an entry's edit role, so
  // the model answers that role with the entry's text.
  void setSearchModel(QAbstractItemModel* model);

  void showPopup() override;

 private:
  void restoreChosenText();
};
