#include "app/dialog/card_panel.h"

#include <QtWidgets>

#include "app/card/product_table.h"
#include "app/dialog/data_link.h"
#include "app/flow/layouts.h"
#include "data/memory_table.h"

namespace vorn {

namespace {
constexpr int kMargin = 8;
constexpr int kPreviewHeight = 236;
constexpr int kRowY = 250;
constexpr int kRowPitch = 34;
constexpr int kLabelWidth = 56;
constexpr int kColumnWidth = 194;
constexpr int kRowHeight = 21;
// The optional fields in the order the panel shows them: promotions left, the pack right.
constexpr std::array<int, 5> kFields = {kPromoPriceField, kPromoStartField, kPromoEndField,
                                        kNetContentField, kQrField};

QDate ToQDate(std::chrono::year_month_day day) {
  return QDate(static_cast<int>(day.year()), static_cast<int>(static_cast<unsigned>(day.month())),
               static_cast<int>(static_cast<unsigned>(day.day())));
}
}  // namespace

TCardPanel::TCardPanel(TDataSource& source, const TMemoryTable& table, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CardPanel1");
  preview_ = new QLabel(this);
  preview_->setObjectName("Preview1");
  preview_->setGeometry(kMargin, kMargin + 24, kWidth - 2 * kMargin, kPreviewHeight - 24);
  preview_->setAlignment(Qt::AlignCenter);
  preview_->setFrameShape(QFrame::StyledPanel);
  auto* caption = new QLabel(QString::fromUtf8("預覽："), this);
  caption->move(kMargin, kMargin + 4);
  layout_ = new QComboBox(this);
  layout_->setObjectName("PreviewLayout1");
  for (std::string_view name : kLayoutNames) {
    layout_->addItem(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
  }
  layout_->setGeometry(kMargin + 44, kMargin, 80, kRowHeight);
  auto* day_label = new QLabel(QString::fromUtf8("掛出日期："), this);
  day_label->move(kWidth - kMargin - 180, kMargin + 4);
  card_day_ = new QDateEdit(this);
  card_day_->setObjectName("CardDay1");
  card_day_->setDisplayFormat("yyyy-MM-dd");
  card_day_->setCalendarPopup(true);
  card_day_->setGeometry(kWidth - kMargin - 110, kMargin, 110, kRowHeight);
  card_day_->setDate(QDate::currentDate());
  for (size_t i = 0; i < kFields.size(); ++i) {
    const int column = i < 3 ? 0 : 1;
    const int row = i < 3 ? static_cast<int>(i) : static_cast<int>(i) - 3;
    const int x = kMargin + column * (kColumnWidth + kMargin);
    const int y = kRowY + row * kRowPitch;
    edits_[i] = new QLineEdit(this);
    edits_[i]->setObjectName(QString("DBEdit%1").arg(kFields[i] + 1));
    edits_[i]->setGeometry(x + kLabelWidth, y, kColumnWidth - kLabelWidth, kRowHeight);
    edits_[i]->setContextMenuPolicy(Qt::NoContextMenu);
    labels_[i] = new QLabel(
        QString::fromStdString(FieldDisplayLabel(table.Fields(kFields[i]))) + QString(":"), this);
    labels_[i]->move(x, y + 3);
    labels_[i]->setBuddy(edits_[i]);
    source.Bind(edits_[i], kFields[i]);
  }
  edits_[1]->setPlaceholderText("2026-12-01");
  edits_[2]->setPlaceholderText("2026-12-24");
  edits_[3]->setPlaceholderText("600ml");
  connect(card_day_, &QDateEdit::dateChanged, this, [this] {
    if (OnChanged) OnChanged();
  });
  connect(layout_, &QComboBox::currentIndexChanged, this, [this] {
    if (OnChanged) OnChanged();
  });
  setFixedWidth(kWidth);
}

std::chrono::year_month_day TCardPanel::CardDay() const {
  const QDate date = card_day_->date();
  return {std::chrono::year(date.year()), std::chrono::month(static_cast<unsigned>(date.month())),
          std::chrono::day(static_cast<unsigned>(date.day()))};
}

void TCardPanel::SetCardDay(std::chrono::year_month_day day) { card_day_->setDate(ToQDate(day)); }

std::string TCardPanel::PreviewLayout() const { return layout_->currentText().toStdString(); }

void TCardPanel::SetPreviewLayout(const std::string& layout) {
  layout_->setCurrentText(QString::fromStdString(layout));
}

std::array<QWidget*, 7> TCardPanel::TabOrder() const {
  return {edits_[0], edits_[1], edits_[2], edits_[3], edits_[4], card_day_, layout_};
}

}  // namespace vorn
