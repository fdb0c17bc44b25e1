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

struct SummaryRule {
  std::string_view part;  // a fixed part of the message
  std::string_view summary;
};

// The first rule whose part the message holds gives the sentence.
constexpr SummaryRule kSummaries[] = {
    {"must have a value", "請先填寫必填的欄位，再列印。"},
    {"is not a valid integer value for field", "價格只能填入整數（例如 199）。"},
    {"Cannot convert field", "輸入的文字中有無法列印的字元。"},
    {"CreateFileName: directory", "找不到存放價格卡的資料夾 VORNTEMP。"},
    {"report template", "找不到或無法讀取這個版面的範本檔。"},
    {"Missing columns in", "資料檔缺少必要的欄位，請對照說明檔的欄位表。"},
    {"No cards to print in", "資料檔中沒有可以列印的商品。"},
    {"data file", "無法讀取資料檔。"},
    {"invalid UTF-8", "資料檔的文字編碼無法辨識，請另存為 UTF-8 或 Big5。"},
    {"no text in code page", "資料檔的文字編碼無法辨識，請另存為 UTF-8 或 Big5。"},
    {"Quoted cell not closed", "資料檔的格式有誤（引號沒有成對）。"},
    {"SQLite", "無法讀取資料庫。"},
    {"Failed to open", "價格卡已存檔，但無法開啟。"},
};
}  // namespace

std::string ErrorSummary(std::string_view message) {
  for (const SummaryRule& rule : kSummaries) {
    if (message.find(rule.part) != std::string_view::npos) return std::string(rule.summary);
  }
  return "無法列印價格卡。";
}

void ShowErrorBox(QWidget* parent, std::string_view message) {
  ShowErrorBox(parent, ErrorSummary(message), message);
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
