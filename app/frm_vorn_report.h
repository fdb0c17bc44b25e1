#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/layouts.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vorn {

class PrintFlow;
class TDataSource;
class TMemoryTable;
class TQeRTF;

// What closing the dialog does with it.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The program's dialog: the product record in eight edit boxes, five layout buttons and
// a context menu that opens the templates. Every failure shows in the error box and
// the dialog stays as it was.
class TFormVornReport : public QDialog {
  Q_OBJECT

 public:
  // `arguments` are the command-line values (UTF-8), `folders` where templates and cards are.
  TFormVornReport(std::vector<std::string> arguments, ProgramFolders folders,
                  QWidget* parent = nullptr);
  ~TFormVornReport() override;

  TMemoryTable& ClientDataSet1() const { return *client_data_set1_; }
  TQeRTF& QeRTF1() const { return *qe_rtf1_; }
  TDataSource& DataSource1() const { return *data_source1_; }
  QMenu* PopupMenu1() const { return popup_menu1_; }

  void FormCreate();
  void FormClose(TCloseAction& action);
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void B51Click();
  void A41Click();
  void SM11Click();
  void SM21Click();
  void OTHER1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Escape closes the dialog as the close button does.
  void reject() override;

 private:
  void BuildControls();
  void BuildPopupMenu();
  void PrintLayout(std::string_view layout);
  void OpenTemplate(std::string_view layout);

  std::vector<std::string> arguments_;
  std::unique_ptr<TMemoryTable> client_data_set1_;
  std::unique_ptr<TQeRTF> qe_rtf1_;
  std::unique_ptr<TDataSource> data_source1_;
  std::unique_ptr<PrintFlow> flow_;
  std::array<QLabel*, 8> labels_{};
  std::array<QLineEdit*, 8> edits_{};
  std::array<QPushButton*, 5> buttons_{};
  QMenu* popup_menu1_ = nullptr;
  bool printing_ = false;
};

}  // namespace vorn
