#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog/batch_settings.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace vorn {

struct LabelSheet;

// Asks how to print a batch: the layout, a label sheet whose labels hold the layout's card
// (or one card a page), the label to start at and outlines for a test print, and whether to
// open the document or send it to one of the printers. Each layout offers what was chosen
// for it last.
class TBatchDialog : public QDialog {
  Q_OBJECT

 public:
  // `card_size` gives a layout's card size in millimetres; `printers` the printers to offer,
  // `default_printer` the one marked as the default. The sheets must outlive the dialog.
  TBatchDialog(const std::vector<LabelSheet>& sheets,
               std::function<std::pair<double, double>(const std::string& layout)> card_size,
               std::vector<std::string> printers, std::string default_printer,
               const BatchChoice& last, QWidget* parent = nullptr);

  BatchChoice Choice() const;

 private:
  void ShowLayout(const BatchChoice& choice);
  void SheetChanged();

  const std::vector<LabelSheet>& sheets_;
  std::function<std::pair<double, double>(const std::string& layout)> card_size_;
  QComboBox* layouts_ = nullptr;
  QComboBox* sheet_ = nullptr;
  QSpinBox* first_ = nullptr;
  QCheckBox* outline_ = nullptr;
  QComboBox* output_ = nullptr;
};

}  // namespace vorn
