#include "app/card/card_notices.h"

#include <algorithm>

namespace vorn {

namespace {
std::string Subject(const CardNotice& notice, const char* product_word, const char* separator) {
  std::string subject = notice.where;
  if (!notice.product.empty()) {
    subject += (subject.empty() ? "" : separator) + std::string(product_word) + notice.product;
  }
  return subject;
}
}  // namespace

std::string NoticeText(const CardNotice& notice) {
  std::string text = Subject(notice, "product ", ", ");
  if (!text.empty()) text += ": ";
  switch (notice.kind) {
    case CardNotice::Kind::kRowSkipped:
      return text + "left out: " + notice.reason;
    case CardNotice::Kind::kNoBarcodeSymbol:
      return text + "printed without the barcode symbol: " + notice.reason;
    case CardNotice::Kind::kValueCut:
      return text + "field '" + notice.field + "' cut to fit: " + notice.reason;
  }
  return text + notice.reason;
}

std::string NoticeTextForDialog(const CardNotice& notice) {
  std::string where = notice.where;
  if (where.starts_with("line ")) where = "第 " + where.substr(5) + " 行";
  if (where.starts_with("row ")) where = "第 " + where.substr(4) + " 筆";
  CardNotice local = notice;
  local.where = where;
  std::string text = Subject(local, "商品 ", "，");
  if (!text.empty()) text += "：";
  switch (notice.kind) {
    case CardNotice::Kind::kRowSkipped:
      return text + "未列印（" + notice.reason + "）";
    case CardNotice::Kind::kNoBarcodeSymbol:
      return text + "條碼無效，已列印但不含條碼圖（" + notice.reason + "）";
    case CardNotice::Kind::kValueCut:
      return text + "「" + notice.field + "」過長，已截斷（" + notice.reason + "）";
  }
  return text + notice.reason;
}

int CountNotices(const CardNotices& notices, CardNotice::Kind kind) {
  return static_cast<int>(std::count_if(notices.begin(), notices.end(),
                                        [kind](const CardNotice& n) { return n.kind == kind; }));
}

}  // namespace vorn
