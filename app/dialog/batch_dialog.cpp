#include "app/dialog/batch_dialog.h"

#include <QtWidgets>

#include "app/flow/layouts.h"
#include "app/output/label_sheets.h"

namespace vorn {

namespace {
QString Utf8(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

TBatchDialog::TBatchDialog(
    const std::vector<LabelSheet>& sheets,
    std::function<std::pair<double, double>(const std::string& layout)> card_size,
    std::vector<std::string> printers, std::string default_printer, const BatchChoice& last,
    BatchOffer offer, QWidget* parent)
    : QDialog(parent), sheets_(sheets), card_size_(std::move(card_size)), offer_(std::move(offer)) {
  setObjectName("BatchDialog1");
  setWindowTitle(QString::fromUtf8("批次列印"));
  layouts_ = new QComboBox(this);
  layouts_->setObjectName("Layouts1");
  for (std::string_view layout : kLayoutNames) layouts_->addItem(Utf8(std::string(layout)));
  sheet_ = new QComboBox(this);
  sheet_->setObjectName("Sheets1");
  // Some label names are long; the box need not grow with them.
  sheet_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  sheet_->setMinimumContentsLength(36);
  first_ = new QSpinBox(this);
  first_->setObjectName("FirstLabel1");
  outline_ = new QCheckBox(QString::fromUtf8("列印標籤框線（對位測試用）"), this);
  outline_->setObjectName("Outline1");
  output_ = new QComboBox(this);
  output_->setObjectName("Output1");
  output_->addItem(QString::fromUtf8("開啟文件"));
  for (const std::string& printer : printers) {
    QString text = QString::fromUtf8("印表機：") + Utf8(printer);
    if (printer == default_printer) text += QString::fromUtf8("（預設）");
    output_->addItem(text, Utf8(printer));
  }
  changed_only_ = new QCheckBox(this);
  changed_only_->setObjectName("ChangedOnly1");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout;
  form->addRow(QString::fromUtf8("版面："), layouts_);
  form->addRow(QString(), changed_only_);
  form->addRow(QString::fromUtf8("標籤紙："), sheet_);
  form->addRow(QString::fromUtf8("從第幾張標籤開始："), first_);
  form->addRow(QString(), outline_);
  form->addRow(QString::fromUtf8("列印方式："), output_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  ShowLayout(last);
  connect(layouts_, &QComboBox::currentTextChanged, this,
          [this](const QString& name) { ShowLayout(LoadBatchChoice(name.toStdString())); });
  connect(sheet_, &QComboBox::currentIndexChanged, this, [this] { SheetChanged(); });
}

void TBatchDialog::ShowLayout(const BatchChoice& choice) {
  const QSignalBlocker block_layouts(layouts_);
  const QSignalBlocker block_sheet(sheet_);
  layouts_->setCurrentText(Utf8(choice.layout));
  sheet_->clear();
  sheet_->addItem(QString::fromUtf8("不用標籤紙（一頁一張）"));
  const auto [width, height] = card_size_(choice.layout);
  for (const LabelSheet* sheet : SheetsHolding(sheets_, width, height, "")) {
    sheet_->addItem(Utf8(sheet->Key() + "（" + std::to_string(sheet->columns) + " x " +
                         std::to_string(sheet->rows) + "，" +
                         SizeText(sheet->label_width, sheet->label_height) + "）"),
                    Utf8(sheet->Key()));
  }
  const int sheet = sheet_->findData(Utf8(choice.sheet));
  sheet_->setCurrentIndex(sheet > 0 ? sheet : 0);
  outline_->setChecked(choice.outline);
  ShowChanges(choice.layout);
  const int printer = choice.print ? output_->findData(Utf8(choice.printer)) : 0;
  output_->setCurrentIndex(printer > 0 ? printer : 0);
  SheetChanged();
}

void TBatchDialog::ShowChanges(const std::string& layout) {
  const std::string total = std::to_string(offer_.products);
  const auto changed = offer_.changed ? offer_.changed(layout) : std::nullopt;
  if (!changed) {
    changed_only_->setText(QString::fromUtf8("只列印變動的商品（無法讀取列印紀錄）"));
    changed_only_->setChecked(false);
    changed_only_->setEnabled(false);
    return;
  }
  const auto [count, printed_before] = *changed;
  changed_only_->setText(
      QString::fromUtf8("只列印變動的商品：%1 件中有 %2 件自上次列印 %3 後有變動")
          .arg(QString::fromStdString(total))
          .arg(count)
          .arg(Utf8(layout)));
  // The first batch on a layout prints everything; after that, only what changed.
  changed_only_->setEnabled(printed_before);
  changed_only_->setChecked(printed_before);
}

void TBatchDialog::SheetChanged() {
  const bool on_sheet = sheet_->currentIndex() > 0;
  int labels = 1;
  int next = 1;
  if (on_sheet) {
    const std::string name = sheet_->currentData().toString().toStdString();
    labels = FindLabelSheet(sheets_, name).LabelsPerSheet();
    if (offer_.next_label) next = offer_.next_label(name);
  }
  first_->setRange(1, labels);
  // A sheet partly used by the last run goes on where that run stopped.
  first_->setValue(next <= labels ? next : 1);
  first_->setEnabled(on_sheet);
  outline_->setEnabled(on_sheet);
}

BatchChoice TBatchDialog::Choice() const {
  BatchChoice choice;
  choice.layout = layouts_->currentText().toStdString();
  if (sheet_->currentIndex() > 0) {
    choice.sheet = sheet_->currentData().toString().toStdString();
    choice.first_label = first_->value();
    choice.outline = outline_->isChecked();
  }
  choice.changed_only = changed_only_->isEnabled() && changed_only_->isChecked();
  choice.print = output_->currentIndex() > 0;
  if (choice.print) choice.printer = output_->currentData().toString().toStdString();
  return choice;
}

}  // namespace vorn
