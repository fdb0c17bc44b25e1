#include "app/card/card_notices.h"

#include <algorithm>
#include <cstdlib>

#include "app/card/price_text.h"

namespace vorn {

namespace {
std::string Subject(const CardNotice& notice, const char* product_word, const char* separator) {
  std::string subject = notice.where;
  if (!notice.product.empty()) {
    subject += (subject.empty() ? "" : separator) + std::string(product_word) + notice.product;
  }
  return subject;
}
// 19 for "line 19" or "row 19".
long PlaceNumber(const std::string& place) {
  const size_t blank = place.rfind(' ');
  return blank == std::string::npos ? 0 : std::strtol(place.c_str() + blank + 1, nullptr, 10);
}
}  // namespace

void SortByPlace(CardNotices& notices) {
  std::stable_sort(notices.begin(), notices.end(), [](const CardNotice& a, const CardNotice& b) {
    return PlaceNumber(a.where) < PlaceNumber(b.where);
  });
}

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
    case CardNotice::Kind::kCardFault:
      return text + notice.field + ": " + notice.reason;
    case CardNotice::Kind::kSourceNotice:
      return text + notice.reason;
    case CardNotice::Kind::kHistory:
      return text + "print history not used: " + notice.reason;
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
    case CardNotice::Kind::kCardFault:
      return text + "「" + notice.field + "」有誤，價格卡未顯示這一項（" + notice.reason + "）";
    case CardNotice::Kind::kSourceNotice:
      return text + "資料檔的內容未使用（" + notice.reason + "）";
    case CardNotice::Kind::kHistory:
      return text + "列印紀錄無法使用，這次列印未記錄（" + notice.reason + "）";
  }
  return text + notice.reason;
}

namespace {
// The problem a notice tells of, its numbers and quoted texts aside: "left out: row has 17
// cells, the header 8" and "... 12 cells ..." are one problem.
std::string ProblemOf(const CardNotice& notice) {
  std::string problem = std::to_string(static_cast<int>(notice.kind)) + notice.field + ":";
  bool in_number = false;
  for (const char c : notice.reason) {
    const bool digit = c >= '0' && c <= '9';
    if (digit && !in_number) problem += '#';
    if (!digit) problem += c;
    in_number = digit;
    if (c == ':') break;  // what follows the reason's own colon is the offending value
  }
  return problem;
}

}  // namespace

std::vector<std::string> SummarisedNoticeTexts(const CardNotices& notices, NoticeLanguage language,
                                               size_t per_problem) {
  std::vector<std::string> lines;
  // Each problem in the order it first came, with how many of it were not listed.
  std::vector<std::pair<std::string, size_t>> problems;
  std::vector<const CardNotice*> first_of;
  for (const CardNotice& notice : notices) {
    const std::string problem = ProblemOf(notice);
    auto it = std::find_if(problems.begin(), problems.end(),
                           [&problem](const auto& p) { return p.first == problem; });
    if (it == problems.end()) {
      problems.emplace_back(problem, 0);
      first_of.push_back(&notice);
      it = problems.end() - 1;
    }
    if (++it->second > per_problem) continue;
    lines.push_back(language == NoticeLanguage::kEnglish ? NoticeText(notice)
                                                         : NoticeTextForDialog(notice));
  }
  for (size_t i = 0; i < problems.size(); ++i) {
    if (problems[i].second <= per_problem) continue;
    const std::string more = WithThousands(static_cast<int64_t>(problems[i].second - per_problem));
    const std::string like = language == NoticeLanguage::kEnglish
                                 ? NoticeText(*first_of[i])
                                 : NoticeTextForDialog(*first_of[i]);
    lines.push_back(language == NoticeLanguage::kEnglish
                        ? more + " more like this, not listed: " + like
                        : "另有 " + more + " 筆同樣的問題未列出：" + like);
  }
  return lines;
}

int CountNotices(const CardNotices& notices, CardNotice::Kind kind) {
  return static_cast<int>(std::count_if(notices.begin(), notices.end(),
                                        [kind](const CardNotice& n) { return n.kind == kind; }));
}

}  // namespace vorn
