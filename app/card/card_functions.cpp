#include "app/card/card_functions.h"

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/card/barcode.h"
#include "app/card/card_text.h"
#include "app/card/net_content.h"
#include "app/card/qr_code.h"
#include "app/card/record_text.h"
#include "data/dataset.h"
#include "engine/qebasereport/report_variables.h"
#include "engine/qefunc/picture.h"
#include "platform/system/exception.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
std::string ArgumentText(const TQeUDFObject& argument, const char* function) {
  if (const auto* variable = std::get_if<TQeReportVariable*>(&argument)) {
    return *variable != nullptr ? (*variable)->AsString() : std::string();
  }
  if (const auto* field = std::get_if<TField*>(&argument)) {
    return *field != nullptr ? (*field)->AsString() : std::string();
  }
  throw Exception(std::string(function) + " expects a text or a field");
}

long double ArgumentNumber(const TQeUDFObject& argument, const char* function) {
  if (const auto* variable = std::get_if<TQeReportVariable*>(&argument)) {
    if (*variable != nullptr) return (*variable)->AsFloat();
  } else if (const auto* field = std::get_if<TField*>(&argument)) {
    if (*field != nullptr) return (*field)->AsFloat();
  }
  throw Exception(std::string(function) + " expects a number");
}

TQeReportVariable& ResultVariable(TQeUDFObject result) {
  TQeReportVariable* variable = std::get<TQeReportVariable*>(result);
  if (variable == nullptr) throw Exception("Function result missing");
  return *variable;
}

void Barcode(const TQeUDFArgs& args, TQeUDFObject result) {
  Picture* picture = std::get<Picture*>(result);
  if (args.empty() || picture == nullptr) return;
  double height = kDefaultBarHeightMm;
  if (args.size() > 1) {
    height = static_cast<double>(ArgumentNumber(args[1], "BARCODE"));
    if (!(height >= 5 && height <= 100)) {
      throw Exception("BARCODE needs a bar height from 5 to 100 mm");
    }
  }
  std::optional<BarcodeDigits> digits;
  try {
    digits = ParseBarcode(ArgumentText(args.front(), "BARCODE"));
  } catch (const Exception&) {
    // An empty or invalid barcode leaves the picture empty; the card keeps the digits.
    return;
  }
  RenderBarcode(*digits, *picture, height);
}

void Len(const TQeUDFArgs& args, TQeUDFObject result) {
  const std::string text = ArgumentText(args.front(), "LEN");
  ResultVariable(result).SetAsInteger(static_cast<int64_t>(CountedSize(text)));
}

double LineWidth(const TQeUDFArgs& args, const char* function) {
  const long double width = ArgumentNumber(args[1], function);
  if (!(width >= 1 && width <= 1000)) {
    throw Exception(std::string(function) + " needs a line width from 1 to 1000 characters");
  }
  return static_cast<double>(width);
}

void Lines(const TQeUDFArgs& args, TQeUDFObject result) {
  const std::string text = ArgumentText(args.front(), "LINES");
  ResultVariable(result).SetAsInteger(CountCardLines(text, LineWidth(args, "LINES")));
}

void Wrap(const TQeUDFArgs& args, TQeUDFObject result) {
  const std::string text = ArgumentText(args.front(), "WRAP");
  ResultVariable(result).SetAsString(WrapCardText(text, LineWidth(args, "WRAP")));
}

void UnitPrice(const TQeUDFArgs& args, TQeUDFObject result) {
  TQeReportVariable& out = ResultVariable(result);
  const std::string price = ArgumentText(args[0], "UNITPRICE");
  const std::string content = ArgumentText(args[1], "UNITPRICE");
  out.SetAsString("");
  if (price.empty() || content.empty()) return;
  const long double amount = ArgumentNumber(args[0], "UNITPRICE");
  if (!(amount >= 0 && amount <= 2147483647.0L) || amount != std::floor(amount)) {
    throw Exception("UNITPRICE expects a whole price: " + price);
  }
  try {
    const NetContent parsed = ParseNetContent(Utf8FromRecordBytes(content));
    out.SetAsString(RecordBytesFromUtf8(UnitPriceText(static_cast<int64_t>(amount), parsed), ""));
  } catch (const Exception&) {
    // A content that cannot be read shows no unit price; the program warns about the product.
  }
}

void AddFunction(TQeUDFList& list, const char* name, uint16_t min_arguments, uint16_t max_arguments,
                 TQeUDFResultType type,
                 std::function<void(const TQeUDFArgs&, TQeUDFObject)> calculate) {
  TQeUDF& udf = list.Functions().Add();
  udf.SetName(name);
  udf.SetArgMaxCount(max_arguments);
  udf.SetArgMinCount(min_arguments);
  udf.SetResultType(type);
  udf.OnCalculate = [calculate](TQeBaseReport&, const TQeUDFArgs& args, int32_t,
                                TQeUDFObject result) { calculate(args, result); };
}
}  // namespace

CardFunctions::CardFunctions() {
  AddFunction(list_, "BARCODE", 1, 2, udfrTPicture, Barcode);
  AddFunction(list_, "LEN", 1, 1, udfrTQeReportVariable, Len);
  AddFunction(list_, "LINES", 2, 2, udfrTQeReportVariable, Lines);
  AddFunction(list_, "WRAP", 2, 2, udfrTQeReportVariable, Wrap);
  AddFunction(list_, "UNITPRICE", 2, 2, udfrTQeReportVariable, UnitPrice);
  AddFunction(list_, "QR", 1, 2, udfrTPicture,
              [this](const TQeUDFArgs& args, TQeUDFObject result) { Qr(args, result); });
}

void CardFunctions::Qr(const TQeUDFArgs& args, TQeUDFObject result) {
  Picture* picture = std::get<Picture*>(result);
  if (args.empty() || picture == nullptr) return;
  double size = kDefaultQrSizeMm;
  if (args.size() > 1) {
    size = static_cast<double>(ArgumentNumber(args[1], "QR"));
    if (!(size >= 5 && size <= 200)) throw Exception("QR needs a size from 5 to 200 mm");
  }
  const std::string text = Utf8FromRecordBytes(ArgumentText(args.front(), "QR"));
  if (text.empty()) return;
  if (!RenderQrCode(text, size, *picture)) too_long_qr_.push_back(text);
}

std::vector<std::string> CardFunctions::TakeTooLongQrTexts() {
  return std::exchange(too_long_qr_, {});
}

}  // namespace vorn
