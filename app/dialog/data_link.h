#pragma once

#include <QObject>
#include <string>
#include <vector>

class QLineEdit;

namespace vorn {

class TMemoryTable;

// The data source that links edit boxes to fields of the record table: a box shows its
// field, takes no more than the field holds (bytes of the record's code page, as a data-aware
// edit limited to its field), typing into it puts the record into edit state, and
// UpdateRecord hands the pending texts to the fields before a post. The caller keeps the table and
// the boxes alive for the source's lifetime.
class TDataSource : public QObject {
  Q_OBJECT

 public:
  explicit TDataSource(TMemoryTable& table, QObject* parent = nullptr);

  // Links `edit` to the field at list position `field_index` and shows its value.
  void Bind(QLineEdit* edit, int field_index);
  // Shows the record's current values in every box and forgets pending edits; does
  // nothing while the table's controls are disabled.
  void Refresh();
  // Assigns the text of every edited box to its field. Throws the field's error; the box
  // that failed and those after it stay pending.
  void UpdateRecord();
  bool Modified() const;
  // The text each field shows now, typed or not, UTF-8, in the table's field order; "" for a
  // field without a box.
  std::vector<std::string> Texts() const;

 signals:
  // The operator changed a box's text.
  void Edited();

 private:
  struct Link {
    QLineEdit* edit;
    int field_index;
    bool modified;
  };
  void EditStarted(size_t link);
  void KeepWithinField(const Link& link);
  void ShowField(const Link& link);

  TMemoryTable& table_;
  std::vector<Link> links_;
};

}  // namespace vorn
