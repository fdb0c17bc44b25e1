#include "app/frm_vorn_report.h"

#include <QtWidgets>
#include <exception>

#include "app/data_link.h"
#include "app/error_box.h"
#include "app/print_flow.h"
#include "app/product_table.h"
#include "app/record_text.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"

namespace vorn {

namespace {
constexpr int kClientWidth = 508;
constexpr int kClientHeight = 387;
constexpr int kLabelX = 32;
constexpr int kEditX = 90;
constexpr int kRowHeight = 21;
constexpr int kRowPitch = 40;
constexpr std::array<int, 8> kEditWidths = {165, 165, 376, 264, 47, 93, 93, 93};
constexpr int kButtonY = 336;
constexpr std::array<int, 5> kButtonX = {32, 120, 208, 296, 384};
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
// Where the Windows fonts are missing, a metric-compatible sans face takes the Latin text
// and a Traditional Chinese face the captions.
const QStringList kFallbackFamilies = {"Liberation Sans", "DejaVu Sans", "AR PL UMing TW",
                                       "AR PL UMing HK", "Noto Sans CJK TC"};

QFont DialogFont(const QString& family) {
  QFont font;
  font.setFamilies(QStringList{family} + kFallbackFamilies);
  font.setPointSize(8);
  return font;
}
}  // namespace

TFormVornReport::TFormVornReport(std::vector<std::string> arguments, ProgramFolders folders,
                                 QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      arguments_(std::move(arguments)),
      client_data_set1_(std::make_unique<TMemoryTable>(kRecordCodePage)),
      qe_rtf1_(std::make_unique<TQeRTF>()) {
  setObjectName("FormVornReport");
  client_data_set1_->SetName("ClientDataSet1");
  ConfigureReport(*qe_rtf1_);
  data_source1_ = std::make_unique<TDataSource>(*client_data_set1_);
  flow_ = std::make_unique<PrintFlow>(*qe_rtf1_, *client_data_set1_, std::move(folders));
  flow_->OnBeforePost = [this] { data_source1_->UpdateRecord(); };
  // Repaint, but leave clicks and keys for after the run.
  flow_->OnProcessMessages = [] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  BuildControls();
  BuildPopupMenu();
  try {
    FormCreate();
  } catch (const std::exception& e) {
    ShowErrorBox(nullptr, e.what());
  }
  data_source1_->Refresh();
}

TFormVornReport::~TFormVornReport() = default;

void TFormVornReport::BuildControls() {
  setWindowTitle(QString());
  setFont(DialogFont("MS Sans Serif"));
  setFixedSize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  for (int row = 0; row < 8; ++row) {
    edits_[row] = new QLineEdit(this);
    edits_[row]->setObjectName(QString("DBEdit%1").arg(row + 1));
    edits_[row]->setGeometry(kEditX, 21 + kRowPitch * row, kEditWidths[row], kRowHeight);
    // The dialog's layout menu is the edit boxes' menu too.
    edits_[row]->setContextMenuPolicy(Qt::NoContextMenu);
    labels_[row] = new QLabel(this);
    labels_[row]->setObjectName(QString("Label%1").arg(row + 1));
    labels_[row]->move(kLabelX, 24 + kRowPitch * row);
    labels_[row]->setBuddy(edits_[row]);
  }
  const QFont button_font = DialogFont("Arial");
  for (size_t i = 0; i < kLayoutNames.size(); ++i) {
    buttons_[i] = new QPushButton(
        QString::fromLatin1(kLayoutNames[i].data(), static_cast<int>(kLayoutNames[i].size())),
        this);
    buttons_[i]->setObjectName(QString("Button%1").arg(i + 1));
    buttons_[i]->setGeometry(kButtonX[i], kButtonY, kButtonWidth, kButtonHeight);
    buttons_[i]->setFont(button_font);
    // Enter in an edit box must not print a card.
    buttons_[i]->setAutoDefault(false);
  }
  connect(buttons_[0], &QPushButton::clicked, this, &TFormVornReport::Button1Click);
  connect(buttons_[1], &QPushButton::clicked, this, &TFormVornReport::Button2Click);
  connect(buttons_[2], &QPushButton::clicked, this, &TFormVornReport::Button3Click);
  connect(buttons_[3], &QPushButton::clicked, this, &TFormVornReport::Button4Click);
  connect(buttons_[4], &QPushButton::clicked, this, &TFormVornReport::Button5Click);
  QWidget* previous = edits_[0];
  for (QWidget* next : std::initializer_list<QWidget*>{
           edits_[1], edits_[2], edits_[3], edits_[4], edits_[5], edits_[6], edits_[7], buttons_[0],
           buttons_[1], buttons_[2], buttons_[3], buttons_[4]}) {
    setTabOrder(previous, next);
    previous = next;
  }
}

void TFormVornReport::BuildPopupMenu() {
  popup_menu1_ = new QMenu(this);
  popup_menu1_->setObjectName("PopupMenu1");
  const std::array<std::pair<const char*, void (TFormVornReport::*)()>, 5> items = {{
      {"B51", &TFormVornReport::B51Click},
      {"A41", &TFormVornReport::A41Click},
      {"SM11", &TFormVornReport::SM11Click},
      {"SM21", &TFormVornReport::SM21Click},
      {"OTHER1", &TFormVornReport::OTHER1Click},
  }};
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* action = popup_menu1_->addAction(
        QString::fromLatin1(kLayoutNames[i].data(), static_cast<int>(kLayoutNames[i].size())));
    action->setObjectName(items[i].first);
    connect(action, &QAction::triggered, this, items[i].second);
  }
}

void TFormVornReport::FormCreate() {
  CreateProductTable(*client_data_set1_);
  for (int row = 0; row < 8; ++row) {
    data_source1_->Bind(edits_[row], row);
    labels_[row]->setText(
        QString::fromStdString(FieldDisplayLabel(client_data_set1_->Fields(row))));
    labels_[row]->adjustSize();
  }
  FillProductRecord(*client_data_set1_, arguments_);
}

void TFormVornReport::FormClose(TCloseAction& action) { action = TCloseAction::caFree; }

void TFormVornReport::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caHide;
  FormClose(action);
  switch (action) {
    case TCloseAction::caNone:
      event->ignore();
      return;
    case TCloseAction::caMinimize:
      event->ignore();
      showMinimized();
      return;
    case TCloseAction::caHide:
    case TCloseAction::caFree:
      // The dialog is the main window: closing it ends the event loop, and its owner
      // destroys it then.
      event->accept();
      return;
  }
}

void TFormVornReport::reject() { close(); }

void TFormVornReport::contextMenuEvent(QContextMenuEvent* event) {
  popup_menu1_->popup(event->globalPos());
  event->accept();
}

void TFormVornReport::PrintLayout(std::string_view layout) {
  // A press that arrives while a card is being made would change the run's files.
  if (printing_) return;
  printing_ = true;
  try {
    flow_->PrintLayout(layout, true);
  } catch (const std::exception& e) {
    ShowErrorBox(this, e.what());
  }
  printing_ = false;
  // After a post the boxes show what the record holds; a failed post leaves them as typed.
  if (client_data_set1_->State() == TDataSetState::dsBrowse) data_source1_->Refresh();
}

void TFormVornReport::OpenTemplate(std::string_view layout) {
  // Opening a template for editing reports nothing when the desktop cannot open it.
  flow_->OpenTemplate(layout);
}

void TFormVornReport::Button1Click() { PrintLayout("B5"); }
void TFormVornReport::Button2Click() { PrintLayout("A4"); }
void TFormVornReport::Button3Click() { PrintLayout("SM1"); }
void TFormVornReport::Button4Click() { PrintLayout("SM2"); }
void TFormVornReport::Button5Click() { PrintLayout("OTHER"); }
void TFormVornReport::B51Click() { OpenTemplate("B5"); }
void TFormVornReport::A41Click() { OpenTemplate("A4"); }
void TFormVornReport::SM11Click() { OpenTemplate("SM1"); }
void TFormVornReport::SM21Click() { OpenTemplate("SM2"); }
void TFormVornReport::OTHER1Click() { OpenTemplate("OTHER"); }

}  // namespace vorn
