#include "app/output/imposition.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "app/output/label_sheets.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
constexpr double kPointsPerMm = 72 / 25.4;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

std::unique_ptr<QPDF> OpenPdf(const std::string& path) {
  auto pdf = std::make_unique<QPDF>();
  try {
    pdf->processFile(path.c_str());
  } catch (const std::exception& e) {
    throw Exception("Cannot read the PDF " + path + ": " + e.what());
  }
  return pdf;
}

// Writes under a unique temporary name beside the PDF and renames, so a failure never leaves a
// partial PDF, and a killed run's leftover is removed by the next writer of that name.
void WritePdf(QPDF& pdf, const std::string& path, qpdf_object_stream_e object_streams) {
  RemoveStaleOutputTemps(path);
  std::string temp = path + ".tmpXXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) throw Exception("Cannot write the PDF " + path + ": " + std::strerror(errno));
  // A new output may be read by others, as before it took a temporary name.
  ::fchmod(fd, 0644);
  ::close(fd);
  try {
    QPDFWriter writer(pdf, temp.c_str());
    writer.setObjectStreamMode(object_streams);
    writer.write();
  } catch (const std::exception& e) {
    DeleteFile(temp);
    throw Exception("Cannot write the PDF " + path + ": " + e.what());
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    DeleteFile(temp);
    throw Exception("Cannot write the PDF " + path + ": " + why);
  }
}

// A sheet page being filled: its forms and the content that places them.
class SheetPage {
 public:
  SheetPage(QPDF& out, const LabelSheet& sheet) : out_(out), sheet_(sheet) {
    xobjects_ = QPDFObjectHandle::newDictionary();
  }

  // Puts the form on the label at `slot` (0 is the top left label).
  void Place(QPDFObjectHandle form, int slot, const QPDFObjectHandle::Rectangle& card) {
    const QPDFObjectHandle::Rectangle label = LabelRect(slot);
    const std::string name = "/Card" + std::to_string(slot);
    xobjects_.replaceKey(name, form);
    // Centred on the label at its own size: a card is never scaled.
    const double x = label.llx + (label.urx - label.llx - (card.urx - card.llx)) / 2 - card.llx;
    const double y = label.lly + (label.ury - label.lly - (card.ury - card.lly)) / 2 - card.lly;
    content_ += "q 1 0 0 1 " + Number(x) + " " + Number(y) + " cm " + name + " Do Q\n";
  }

  void Outline(int slot) {
    const QPDFObjectHandle::Rectangle label = LabelRect(slot);
    content_ += "q 0.3 w 0.5 G " + Number(label.llx) + " " + Number(label.lly) + " " +
                Number(label.urx - label.llx) + " " + Number(label.ury - label.lly) + " re S Q\n";
  }

  void AddTo(QPDFPageDocumentHelper& pages) {
    QPDFObjectHandle page = QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 " + Number(sheet_.page_width * kPointsPerMm) + " " +
        Number(sheet_.page_height * kPointsPerMm) + "] >>");
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects_);
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&out_, content_));
    pages.addPage(out_.makeIndirectObject(page), false);
  }

 private:
  QPDFObjectHandle::Rectangle LabelRect(int slot) const {
    const int column = slot % sheet_.columns;
    const int row = slot / sheet_.columns;
    const double left = (sheet_.left + column * sheet_.pitch_x) * kPointsPerMm;
    const double top = (sheet_.top + row * sheet_.pitch_y) * kPointsPerMm;
    const double page_height = sheet_.page_height * kPointsPerMm;
    return {left, page_height - top - sheet_.label_height * kPointsPerMm,
            left + sheet_.label_width * kPointsPerMm, page_height - top};
  }

  QPDF& out_;
  const LabelSheet& sheet_;
  QPDFObjectHandle xobjects_;
  std::string content_;
};

QPDFObjectHandle::Rectangle CardBox(QPDFPageObjectHelper& page) {
  return page.getTrimBox(false, false).getArrayAsRectangle();
}
}  // namespace

std::pair<double, double> FirstPageSize(const std::string& path) {
  const std::unique_ptr<QPDF> pdf = OpenPdf(path);
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*pdf).getAllPages();
  if (pages.empty()) throw Exception("The PDF has no pages: " + path);
  const QPDFObjectHandle::Rectangle box = CardBox(pages.front());
  return {(box.urx - box.llx) / kPointsPerMm, (box.ury - box.lly) / kPointsPerMm};
}

void CheckImposition(const LabelSheet& sheet, const ImpositionOptions& options) {
  const int per_sheet = sheet.LabelsPerSheet();
  if (options.first_label < 1 || options.first_label > per_sheet) {
    throw Exception("The first label must be from 1 to " + std::to_string(per_sheet) + " on " +
                    sheet.FullName() + ": " + std::to_string(options.first_label));
  }
}

int ImposeCards(const std::vector<std::string>& card_pdfs, const LabelSheet& sheet,
                const ImpositionOptions& options, const std::string& sheet_pdf) {
  CheckImposition(sheet, options);
  const int per_sheet = sheet.LabelsPerSheet();
  QPDF out;
  out.emptyPDF();
  QPDFPageDocumentHelper out_pages(out);
  std::unique_ptr<SheetPage> page;
  int slot = options.first_label - 1;
  int sheets = 0;
  const auto start_page = [&] {
    page = std::make_unique<SheetPage>(out, sheet);
    ++sheets;
    // The labels a used sheet no longer has are outlined too: the test print shows the grid.
    if (options.outline) {
      for (int i = 0; i < per_sheet; ++i) page->Outline(i);
    }
  };
  start_page();
  // Copied pages read their streams from the sources when the sheets are written.
  std::vector<std::unique_ptr<QPDF>> sources;
  for (const std::string& path : card_pdfs) {
    sources.push_back(OpenPdf(path));
    for (QPDFPageObjectHelper& card : QPDFPageDocumentHelper(*sources.back()).getAllPages()) {
      const QPDFObjectHandle::Rectangle box = CardBox(card);
      CheckCardFits(sheet, (box.urx - box.llx) / kPointsPerMm, (box.ury - box.lly) / kPointsPerMm);
      const QPDFObjectHandle form = out.copyForeignObject(card.getFormXObjectForPage());
      for (int copy = 0; copy < options.repeat; ++copy) {
        if (slot == per_sheet) {
          page->AddTo(out_pages);
          start_page();
          slot = 0;
        }
        page->Place(form, slot++, box);
      }
    }
  }
  page->AddTo(out_pages);
  WritePdf(out, sheet_pdf, qpdf_o_generate);
  return sheets;
}

void JoinPdfs(const std::vector<std::string>& pdfs, const std::string& joined_pdf) {
  QPDF out;
  out.emptyPDF();
  QPDFPageDocumentHelper out_pages(out);
  // The sources must stay open until the joined file is written.
  std::vector<std::unique_ptr<QPDF>> sources;
  for (const std::string& path : pdfs) {
    sources.push_back(OpenPdf(path));
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*sources.back()).getAllPages()) {
      out_pages.addPage(page, false);
    }
  }
  // Packing a thousand pages' objects anew would take longer than the renderers saved.
  WritePdf(out, joined_pdf, qpdf_o_preserve);
}

}  // namespace vorn
