#include "app/output/label_sheets.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/output/pdf_export.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
// The last tenth of a millimetre is the database's rounding, not a card that does not fit.
constexpr double kFitTolerance = 0.1;
// The database rounds its measures to a hundredth of a millimetre and some sheets use their
// paper to the edge, so a grid may pass the paper by that much before it is a mistake.
constexpr double kGridTolerance = 0.5;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return lower;
}

// Blanks collapsed and trimmed, letters lower-cased, so names compare as users type them.
std::string Normalized(std::string_view text) {
  std::string out;
  for (char c : Lower(text)) {
    if (c == ' ' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// "S;9000;5080;9000;5080;1500;2150;2;5;21000;29700": the kind, then hundredths of a millimetre
// but for the column and row counts. False for a measure that describes no usable grid.
bool ParseMeasure(const std::string& measure, LabelSheet& sheet) {
  std::vector<double> values;
  size_t at = measure.find(';');
  if (at == std::string::npos) return false;
  while (at != std::string::npos) {
    const size_t next = measure.find(';', at + 1);
    const std::string field = measure.substr(at + 1, next - at - 1);
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    if (field.empty() || *end != '\0' || !std::isfinite(value)) return false;
    values.push_back(value);
    at = next;
  }
  if (values.size() != 10) return false;
  sheet.pitch_x = values[0] / 100;
  sheet.pitch_y = values[1] / 100;
  sheet.label_width = values[2] / 100;
  sheet.label_height = values[3] / 100;
  sheet.left = values[4] / 100;
  sheet.top = values[5] / 100;
  sheet.columns = static_cast<int>(values[6]);
  sheet.rows = static_cast<int>(values[7]);
  sheet.page_width = values[8] / 100;
  sheet.page_height = values[9] / 100;
  return sheet.columns >= 1 && sheet.rows >= 1 && sheet.columns <= 100 && sheet.rows <= 200 &&
         sheet.label_width > 0 && sheet.label_height > 0 && sheet.page_width > 0 &&
         sheet.page_height > 0;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string out = text;
  if (out.size() > 2 && out.ends_with(".0")) out.resize(out.size() - 2);
  return out;
}
}  // namespace

std::string LabelSheet::Code() const { return name.substr(0, name.find(' ')); }

std::string LabelSheet::FullName() const { return manufacturer + " " + Code(); }

std::string LabelSheet::Unusable() const {
  const double right = left + (columns - 1) * pitch_x + label_width;
  const double bottom = top + (rows - 1) * pitch_y + label_height;
  if (left < -kGridTolerance || top < -kGridTolerance) {
    return "its first label begins outside the paper";
  }
  if (right > page_width + kGridTolerance) {
    return "its " + std::to_string(columns) + " columns of labels reach " + Number(right) +
           " mm across paper " + Number(page_width) + " mm wide";
  }
  if (bottom > page_height + kGridTolerance) {
    return "its " + std::to_string(rows) + " rows of labels reach " + Number(bottom) +
           " mm down paper " + Number(page_height) + " mm high";
  }
  if (columns > 1 && pitch_x < label_width - kGridTolerance) {
    return "its labels overlap: one column is " + Number(pitch_x) + " mm from the next, a label " +
           Number(label_width) + " mm wide";
  }
  if (rows > 1 && pitch_y < label_height - kGridTolerance) {
    return "its labels overlap: one row is " + Number(pitch_y) + " mm from the next, a label " +
           Number(label_height) + " mm high";
  }
  return std::string();
}

std::string SizeText(double width, double height) {
  return Number(width) + " x " + Number(height) + " mm";
}

std::string DefaultLabelsFile() {
  if (const char* file = std::getenv("VORN_LABELS_FILE"); file != nullptr && *file != '\0') {
    return file;
  }
  std::vector<std::string> candidates;
  if (const std::string office = FindOfficeProgram(); !office.empty()) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::canonical(office, error);
    if (!error) {
      candidates.push_back(
          (program.parent_path().parent_path() / "share/labels/labels.xml").string());
    }
  }
  candidates.push_back("/usr/lib/libreoffice/share/labels/labels.xml");
  for (const std::string& candidate : candidates) {
    if (FileExists(candidate)) return candidate;
  }
  return std::string();
}

std::vector<LabelSheet> LoadLabelSheets(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw Exception("Cannot read the label sheets in " + path);
  QXmlStreamReader xml(&file);
  std::vector<LabelSheet> sheets;
  std::string manufacturer;
  LabelSheet sheet;
  QString element;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      element = xml.name().toString();
      if (element == "manufacturer") {
        manufacturer = xml.attributes().value("name").toString().trimmed().toStdString();
      } else if (element == "label") {
        sheet = LabelSheet{};
        sheet.manufacturer = manufacturer;
      } else if (element == "name") {
        sheet.name = xml.readElementText().simplified().toStdString();
      } else if (element == "measure") {
        // Sheets whose labels lie in no grid are described otherwise and left out.
        const std::string measure = xml.readElementText().trimmed().toStdString();
        if (ParseMeasure(measure, sheet) && !sheet.name.empty()) sheets.push_back(sheet);
      }
    }
  }
  if (xml.hasError() || sheets.empty()) {
    throw Exception("No label sheets found in " + path + ": " + xml.errorString().toStdString());
  }
  return sheets;
}

const LabelSheet& FindLabelSheet(const std::vector<LabelSheet>& sheets, std::string_view name) {
  const std::string wanted = Normalized(name);
  std::vector<const LabelSheet*> found;
  for (const LabelSheet& sheet : sheets) {
    const std::string manufacturer = Normalized(sheet.manufacturer);
    if (wanted == manufacturer + " " + Normalized(sheet.Code()) ||
        wanted == manufacturer + " " + Normalized(sheet.name)) {
      found.push_back(&sheet);
    }
  }
  if (found.empty()) {
    throw Exception("Unknown label sheet (vornreport --sheets lists them): " + std::string(name));
  }
  // A broken entry never places a card, but a sound one of the same name still may.
  const std::vector<const LabelSheet*> all = found;
  std::erase_if(found, [](const LabelSheet* sheet) { return !sheet->Unusable().empty(); });
  if (found.empty()) {
    throw Exception("Label sheet " + all.front()->FullName() +
                    " cannot be used: " + all.front()->Unusable());
  }
  for (const LabelSheet* other : found) {
    const LabelSheet& first = *found.front();
    if (other->label_width != first.label_width || other->label_height != first.label_height ||
        other->columns != first.columns || other->rows != first.rows ||
        other->pitch_x != first.pitch_x || other->pitch_y != first.pitch_y) {
      throw Exception("Several label sheets answer to " + std::string(name) +
                      "; give the whole label name, as \"" + first.manufacturer + " " + first.name +
                      "\"");
    }
  }
  return *found.front();
}

namespace {
bool NameHolds(const LabelSheet& sheet, const std::string& wanted) {
  return wanted.empty() ||
         Normalized(sheet.manufacturer + " " + sheet.name).find(wanted) != std::string::npos;
}
}  // namespace

std::vector<const LabelSheet*> SheetsHolding(const std::vector<LabelSheet>& sheets,
                                             double card_width, double card_height,
                                             std::string_view filter) {
  const std::string wanted = Normalized(filter);
  std::vector<const LabelSheet*> holding;
  for (const LabelSheet& sheet : sheets) {
    if (!sheet.Unusable().empty()) continue;
    if (card_width > sheet.label_width + kFitTolerance ||
        card_height > sheet.label_height + kFitTolerance) {
      continue;
    }
    if (NameHolds(sheet, wanted)) holding.push_back(&sheet);
  }
  return holding;
}

std::vector<const LabelSheet*> UnusableSheets(const std::vector<LabelSheet>& sheets,
                                              std::string_view filter) {
  const std::string wanted = Normalized(filter);
  std::vector<const LabelSheet*> unusable;
  for (const LabelSheet& sheet : sheets) {
    if (!sheet.Unusable().empty() && NameHolds(sheet, wanted)) unusable.push_back(&sheet);
  }
  return unusable;
}

void CheckCardFits(const LabelSheet& sheet, double card_width, double card_height) {
  if (card_width > sheet.label_width + kFitTolerance ||
      card_height > sheet.label_height + kFitTolerance) {
    throw Exception("The card (" + SizeText(card_width, card_height) +
                    ") is larger than the labels of " + sheet.FullName() + " (" +
                    SizeText(sheet.label_width, sheet.label_height) + ")");
  }
}

}  // namespace vorn
