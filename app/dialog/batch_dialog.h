#pragma once

#include <QDialog>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog/batch_settings.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace vorn {

struct LabelSheet;

// What the batch dialog can tell of the products loaded for a batch.
struct BatchOffer {
  size_t products = 0;
  // How many of them changed since their last card on a layout, and whether any had one;
  // nullopt when the print history cannot tell.
  std::function<std::optional<std::pair<size_t, bool>>(const std::string& layout)> changed;
  // The first free label of a sheet (its manufacturer and label name) as the last run left it.
  std::function<int(const std::string& sheet)> next_label;
};

// Asks how to print a batch: the layout, a label sheet whose labels hold the layout's card
// (or one card a page), the label to start at and outlines for a test print, and whether to
// open the document or send it to one of the printers. Each layout offers what was chosen
// for it last, how many products changed since their last card on it (printing only those is
// the default when some were printed before), and the label each sheet was left at.
class TBatchDialog : public QDialog {
  Q_OBJECT

 public:
  // `card_size` gives a layout's card size in millimetres; `printers` the printers to offer,
  // `default_printer` the one marked as the default. The sheets must outlive the dialog.
  TBatchDialog(const std::vector<LabelSheet>& sheets,
               std::function<std::pair<double, double>(const std::string& layout)> card_size,
               std::vector<std::string> printers, std::string default_printer,
               const BatchChoice& last, BatchOffer offer = {}, QWidget* parent = nullptr);

  BatchChoice Choice() const;

 private:
  void ShowLayout(const BatchChoice& choice);
  void SheetChanged();
  void ShowChanges(const std::string& layout);

  const std::vector<LabelSheet>& sheets_;
  std::function<std::pair<double, double>(const std::string& layout)> card_size_;
  QComboBox* layouts_ = nullptr;
  QComboBox* sheet_ = nullptr;
  QSpinBox* first_ = nullptr;
  QCheckBox* outline_ = nullptr;
  QComboBox* output_ = nullptr;
  QCheckBox* changed_only_ = nullptr;
  BatchOffer offer_;
};

}  // namespace vorn
