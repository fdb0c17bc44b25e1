#include "app/dialog/card_preview.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/flow/layouts.h"
#include "app/flow/print_flow.h"
#include "app/output/pdf_export.h"
#include "app/output/renderer.h"
#include "app/output/work_folder.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"

namespace vorn {

namespace {
// Often enough that a page drawn in tens of milliseconds shows without a visible wait.
constexpr int kPollMs = 15;
}  // namespace

TCardPreview::TCardPreview(QLabel& view, const ProgramFolders& folders, std::function<Card()> card,
                           QObject* parent)
    : QObject(parent), view_(view), card_(std::move(card)) {
  pause_ = new QTimer(this);
  pause_->setSingleShot(true);
  pause_->setInterval(kPauseMs);
  connect(pause_, &QTimer::timeout, this, [this] { Draw(); });
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, [this] { Poll(); });
  try {
    RequireRenderer();
    folder_ = std::make_unique<WorkFolder>("vornreport-preview-");
    // A record and a report of the preview's own: what the operator types is not posted, and
    // the dialog's report keeps the status of its last run.
    table_ = std::make_unique<TMemoryTable>(kRecordCodePage);
    table_->SetName("ClientDataSet1");
    CreateProductTable(*table_);
    report_ = std::make_unique<TQeRTF>();
    ConfigureReport(*report_);
    flow_ = std::make_unique<PrintFlow>(*report_, *table_, folders);
    renderer_ = std::make_unique<Renderer>();
  } catch (const std::exception& e) {
    ShowText(QString::fromUtf8("無法預覽：") + QString::fromStdString(MessageForDisplay(e.what())));
  }
}

TCardPreview::~TCardPreview() = default;

void TCardPreview::Changed() {
  if (!renderer_) return;
  pause_->start();
}

void TCardPreview::Draw() {
  if (waiting_) {
    again_ = true;
    return;
  }
  const Card card = card_();
  try {
    const std::string path = folder_->Path() + "/preview.rtf";
    FillProductRecord(*table_, card.values);
    flow_->SetCardDay(card.day);
    flow_->WriteCard(card.layout, path);
    const auto [width_mm, height_mm] = LayoutCardSize(flow_->Folders(), card.layout);
    const double fit = std::min(view_.width() / width_mm, view_.height() / height_mm);
    const int width = std::clamp(static_cast<int>(width_mm * fit), 16, 4000);
    renderer_->BeginPage(path, 0, width);
    waiting_ = true;
    poll_->start();
  } catch (const std::exception& e) {
    if (table_->State() != TDataSetState::dsBrowse) table_->Cancel();
    ShowText(QString::fromUtf8("無法預覽：") + QString::fromStdString(MessageForDisplay(e.what())));
  }
}

void TCardPreview::Poll() {
  try {
    const std::optional<RenderResult> page = renderer_->Poll(std::chrono::milliseconds(0));
    if (!page) return;
    QImage image(page->pixels.data(), page->width, page->height, page->width * 4,
                 QImage::Format_ARGB32_Premultiplied);
    view_.setPixmap(QPixmap::fromImage(image.copy()));
    ++drawn_;
  } catch (const std::exception& e) {
    ShowText(QString::fromUtf8("無法預覽：") + QString::fromStdString(MessageForDisplay(e.what())));
  }
  waiting_ = false;
  poll_->stop();
  if (again_) {
    again_ = false;
    Draw();
  }
}

void TCardPreview::ShowText(const QString& text) {
  view_.setPixmap(QPixmap());
  view_.setWordWrap(true);
  view_.setText(text);
}

}  // namespace vorn
