#pragma once

#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <string>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace vorn {

class TDataSource;
class TMemoryTable;

// The right-hand side of the dialog: the record's optional fields (promotion price and days, net
// content, QR text) in data-bound boxes, the day the cards will hang, and the preview of the
// card as it will print, with the layout it shows.
class TCardPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 404;

  // Binds the optional fields' boxes to `source`, whose table must be created; the caller keeps
  // both alive for the panel's lifetime.
  TCardPanel(TDataSource& source, const TMemoryTable& table, QWidget* parent);

  std::chrono::year_month_day CardDay() const;
  void SetCardDay(std::chrono::year_month_day day);
  std::string PreviewLayout() const;
  void SetPreviewLayout(const std::string& layout);
  // The preview's area, where the page is drawn.
  QLabel* Preview() const { return preview_; }
  // The boxes in tab order, for the dialog's own.
  std::array<QWidget*, 7> TabOrder() const;

  // Called when the clerk changes the card day or the preview's layout.
  std::function<void()> OnChanged;

 private:
  std::array<QLabel*, 5> labels_{};
  std::array<QLineEdit*, 5> edits_{};
  QDateEdit* card_day_ = nullptr;
  QComboBox* layout_ = nullptr;
  QLabel* preview_ = nullptr;
};

}  // namespace vorn
