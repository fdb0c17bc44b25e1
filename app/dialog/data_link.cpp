#include "app/dialog/data_link.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <exception>

#include "app/card/product_table.h"
#include "app/dialog/error_box.h"
#include "data/memory_table.h"

namespace vorn {

TDataSource::TDataSource(TMemoryTable& table, QObject* parent) : QObject(parent), table_(table) {}

void TDataSource::Bind(QLineEdit* edit, int field_index) {
  links_.push_back({edit, field_index, false});
  const size_t index = links_.size() - 1;
  // textEdited fires for the operator's typing only, never for Refresh's setText.
  connect(edit, &QLineEdit::textEdited, this, [this, index] {
    KeepWithinField(links_[index]);
    EditStarted(index);
    emit Edited();
  });
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

void TDataSource::KeepWithinField(const Link& link) {
  const int limit = FieldByteLimit(table_.Fields(link.field_index));
  if (limit == 0) return;
  const QString text = link.edit->text();
  if (RecordTextFits(text.toStdString(), limit)) return;
  // What was typed or pasted last goes: the text before the cursor is cut back until the
  // whole fits, the text after it stays.
  const int cursor = link.edit->cursorPosition();
  const auto chop_character = [](QString& s) {
    s.chop(s.size() >= 2 && s.back().isLowSurrogate() ? 2 : 1);
  };
  QString before = text.left(cursor);
  const QString after = text.mid(cursor);
  while (!before.isEmpty() && !RecordTextFits((before + after).toStdString(), limit)) {
    chop_character(before);
  }
  QString kept = before + after;
  while (!kept.isEmpty() && !RecordTextFits(kept.toStdString(), limit)) chop_character(kept);
  link.edit->setText(kept);
  link.edit->setCursorPosition(static_cast<int>(std::min(before.size(), kept.size())));
  QApplication::beep();
}

void TDataSource::EditStarted(size_t index) {
  links_[index].modified = true;
  if (table_.State() != TDataSetState::dsBrowse) return;
  try {
    table_.Edit();
  } catch (const std::exception& e) {
    ShowErrorBox(links_[index].edit->window(), e);
  }
}

void TDataSource::UpdateRecord() {
  for (Link& link : links_) {
    if (!link.modified) continue;
    AssignFieldText(table_.Fields(link.field_index), link.edit->text().toStdString());
    link.modified = false;
  }
}

std::vector<std::string> TDataSource::Texts() const {
  std::vector<std::string> texts(static_cast<size_t>(table_.FieldCount()));
  for (const Link& link : links_) {
    texts[static_cast<size_t>(link.field_index)] = link.edit->text().toStdString();
  }
  return texts;
}

bool TDataSource::Modified() const {
  for (const Link& link : links_) {
    if (link.modified) return true;
  }
  return false;
}

}  // namespace vorn
