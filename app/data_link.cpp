#include "app/data_link.h"

#include <QLineEdit>
#include <exception>

#include "app/error_box.h"
#include "app/product_table.h"
#include "data/memory_table.h"

namespace vorn {

TDataSource::TDataSource(TMemoryTable& table, QObject* parent) : QObject(parent), table_(table) {}

void TDataSource::Bind(QLineEdit* edit, int field_index) {
  links_.push_back({edit, field_index, false});
  const size_t index = links_.size() - 1;
  // textEdited fires for the operator's typing only, never for Refresh's setText.
  connect(edit, &QLineEdit::textEdited, this, [this, index] { EditStarted(index); });
  ShowField(links_.back());
}

void TDataSource::ShowField(const Link& link) {
  link.edit->setText(QString::fromStdString(FieldDisplayText(table_.Fields(link.field_index))));
}

void TDataSource::Refresh() {
  if (table_.ControlsDisabled()) return;
  for (Link& link : links_) {
    ShowField(link);
    link.modified = false;
  }
}

void TDataSource::EditStarted(size_t index) {
  links_[index].modified = true;
  if (table_.State() != TDataSetState::dsBrowse) return;
  try {
    table_.Edit();
  } catch (const std::exception& e) {
    ShowErrorBox(links_[index].edit->window(), e.what());
  }
}

void TDataSource::UpdateRecord() {
  for (Link& link : links_) {
    if (!link.modified) continue;
    AssignFieldText(table_.Fields(link.field_index), link.edit->text().toStdString());
    link.modified = false;
  }
}

bool TDataSource::Modified() const {
  for (const Link& link : links_) {
    if (link.modified) return true;
  }
  return false;
}

}  // namespace vorn
