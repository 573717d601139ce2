#pragma once

#include <QMargins>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class SymbolView;

// The shared container of the dashboard's content blocks: a rounded, slightly translucent
// panel with a thin outline and a faint shadow, and a header line (symbol, title, trailing
// accessory) when any of the three is given. The card takes ownership of the widgets.
class CardView : public QWidget {
  Q_OBJECT

 public:
  CardView(std::optional<QString> title, std::optional<QString> icon, QWidget* headerTrailing,
           QWidget* content, QWidget* parent = nullptr);

  const std::optional<QString>& title() const { return title_; }
  const std::optional<QString>& icon() const { return icon_; }
  QWidget* headerTrailing() const { return headerTrailing_; }
  QWidget* content() const { return content_; }

  // The header line, or none when the card has no title, icon or accessory.
  QWidget* header() const { return header_; }
  QLabel* titleLabel() const { return titleLabel_; }
  SymbolView* iconView() const { return iconView_; }

  // Room around the panel for its shadow; the panel itself is the rest.
  static QMargins shadowMargins();
  QRect panelRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<QString> title_;
  std::optional<QString> icon_;
  QWidget* headerTrailing_ = nullptr;
  QWidget* content_ = nullptr;
  QWidget* header_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  SymbolView* iconView_ = nullptr;
};
