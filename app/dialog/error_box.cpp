#include "app/dialog/error_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <utility>

#include "app/card/record_text.h"

namespace vorn {

namespace {
ErrorBoxHandler& CurrentHandler() {
  static ErrorBoxHandler handler;
  return handler;
}

void Show(QWidget* parent, const MessageBoxText& text) {
  if (const ErrorBoxHandler& handler = CurrentHandler()) {
    handler(parent, text);
    return;
  }
  QMessageBox box(text.warning ? QMessageBox::Warning : QMessageBox::Critical,
                  QCoreApplication::applicationName(), text.summary, QMessageBox::Ok, parent);
  box.setInformativeText(text.detail);
  box.exec();
}

struct Summary {
  PrintErrorKind kind;
  std::string_view text;
};

constexpr Summary kSummaries[] = {
    {PrintErrorKind::kRequiredValue, "請先填寫必填的欄位，再列印。"},
    {PrintErrorKind::kBadPrice, "價格只能填入整數（例如 199），最多七位數。"},
    {PrintErrorKind::kUnreadableText, "輸入的文字中有無法列印的字元。"},
    {PrintErrorKind::kOutputFolder, "找不到存放價格卡的資料夾 VORNTEMP。"},
    {PrintErrorKind::kTemplate, "找不到、無法讀取或無法使用這個版面的範本檔。"},
    {PrintErrorKind::kMissingColumns, "資料檔缺少必要的欄位，請對照說明檔的欄位表。"},
    {PrintErrorKind::kNothingToPrint, "資料檔中沒有可以列印的商品。"},
    {PrintErrorKind::kDataFile, "無法讀取資料檔。"},
    {PrintErrorKind::kDataEncoding, "資料檔的文字編碼無法辨識，請另存為 UTF-8 或 Big5。"},
    {PrintErrorKind::kDataFormat, "資料檔的格式有誤（例如引號沒有成對）。"},
    {PrintErrorKind::kDatabase, "無法讀取資料庫。"},
    {PrintErrorKind::kCardNotOpened, "價格卡已存檔，但無法開啟。"},
    {PrintErrorKind::kPrinter, "印表機沒有接受這份列印工作。"},
    {PrintErrorKind::kRenderer, "無法製作 PDF。"},
    {PrintErrorKind::kTooManyCards, "這次要列印的張數超過上限。"},
};
}  // namespace

std::string ErrorSummary(PrintErrorKind kind) {
  for (const Summary& summary : kSummaries) {
    if (summary.kind == kind) return std::string(summary.text);
  }
  return "無法列印價格卡。";
}

void ShowErrorBox(QWidget* parent, const std::exception& error) {
  ShowErrorBox(parent, ErrorSummary(KindOf(error)), error.what());
}

void ShowErrorBox(QWidget* parent, std::string_view summary, std::string_view message) {
  Show(parent, {QString::fromUtf8(summary.data(), static_cast<int>(summary.size())),
                QString::fromStdString(MessageForDisplay(message)), false});
}

void ShowWarningBox(QWidget* parent, std::string_view summary, std::string_view detail) {
  Show(parent, {QString::fromUtf8(summary.data(), static_cast<int>(summary.size())),
                QString::fromUtf8(detail.data(), static_cast<int>(detail.size())), true});
}

ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler) {
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace vorn
