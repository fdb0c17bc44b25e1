#include "fuzz/fuzz_checks.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "data/memory_field.h"
#include "data/memory_table.h"
#include "engine/qebasereport/expression_parser.h"
#include "engine/qertf/qertf.h"
#include "fuzz/fuzz_dataset.h"
#include "imaging/metafile_writer.h"
#include "imaging/picture_decoders.h"
#include "platform/system/exception.h"
#include "platform/system/stream.h"
#include "platform/text/code_page.h"
#include "platform/text/date_time.h"

namespace vorn::fuzz {

namespace {

// Repetitions a run may make before the harness stops it: a template may loop on a
// condition that never turns false, and fuzzing needs every input to end quickly.
constexpr int kMaxRepetitions = 256;

// What one run gave. `failure` is set when the run broke an invariant by itself (an
// exception that is no vorn::Exception, a status that disagrees with the outcome).
struct Outcome {
  bool succeeded = false;
  std::string output;
  std::string message;
  std::string failure;

  bool operator==(const Outcome&) const = default;
};

// A folder of its own for the template files, removed when the process ends.
class ScratchDir {
 public:
  ScratchDir() {
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/vornfuzz.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    path_ = name.data();
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Write(const std::string& name, std::string_view bytes) const {
    const std::string path = path_ + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
    return path;
  }

 private:
  std::string path_;
};

ScratchDir& Scratch() {
  static ScratchDir dir;
  return dir;
}

// Runs that read the clock must give the same document twice.
void FixClock() {
  static const bool fixed = [] {
    SetNowFunction([] { return TDateTime{45351.5}; });
    return true;
  }();
  (void)fixed;
}

void Configure(TQeRTF& report, int& repetitions) {
  report.SetCharset(136);
  report.SetLang(1028);
  report.AddTextVariable("SHOP", "Vorn {\\shop}");
  report.AddNumberVariable("RATE", 1.5);
  // Characters Big5 lacks, among Big5 ones: what the built-ins and the encoder must keep whole.
  report.AddTextVariable(
      "UNI", FromUtf8("Caf\xC3\xA9 \xE6\x8B\xBF \xC2\xAE\xF0\x9F\x98\x80", CodePage(950), "UNI"));
  report.OnScanRecord = [&repetitions](TQeScanInfo&) {
    if (++repetitions > kMaxRepetitions) throw Exception("Fuzz harness repetition limit");
  };
}

Outcome RunTemplate(std::string_view template_bytes, const std::vector<TDataSet*>& datasets,
                    TQeRTFOptions options) {
  FixClock();
  Outcome outcome;
  TQeRTF report;
  int repetitions = 0;
  Configure(report, repetitions);
  report.SetOptions(options);
  report.SetInFile(Scratch().Write("template.rtf", template_bytes));
  // A field tag outside every scan reads the current record, so each run starts at the first.
  for (TDataSet* dataset : datasets) dataset->First();
  TMemoryStream stream;
  try {
    report.ExecuteToStream(datasets, stream);
    outcome.succeeded = true;
    outcome.output = stream.Bytes();
    if (!report.Succeeded()) outcome.failure = "run returned but Succeeded is false";
  } catch (const Exception& e) {
    outcome.message = e.what();
    if (outcome.message.empty()) outcome.failure = "error with an empty message";
    if (report.Succeeded()) outcome.failure = "run threw but Succeeded is true";
    if (report.ErrorMessage() != outcome.message) {
      outcome.failure = "ErrorMessage differs from the exception: " + report.ErrorMessage();
    }
  } catch (const std::exception& e) {
    outcome.failure = std::string("exception that is no vorn::Exception: ") + e.what();
  }
  return outcome;
}

// Runs twice and checks the outcome; `balanced_input` says whether success must give
// balanced output.
std::string CheckRun(std::string_view template_bytes, const std::vector<TDataSet*>& datasets,
                     bool balanced_input,
                     TQeRTFOptions options = {eoGraphicsBinary, eoDotAsColon}) {
  const Outcome first = RunTemplate(template_bytes, datasets, options);
  if (!first.failure.empty()) return first.failure;
  if (first.succeeded) {
    if (first.output.size() > kMaxOutputBytes) return "output larger than the limit";
    if (balanced_input && !RtfBalanced(first.output)) return "unbalanced output";
    if (first.output.compare(0, 5, "{\\rtf") != 0) return "output does not start with {\\rtf";
  }
  const Outcome second = RunTemplate(template_bytes, datasets, options);
  if (!(first == second)) return "second run differs from the first";
  return "";
}

std::span<const std::byte> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

// An expression can only stand in a tag when nothing in it ends the tag or the RTF text.
bool FitsInATag(std::string_view text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '\\' || c == '{' || c == '}') return false;
  }
  return true;
}

// --- pictures ---

uint32_t Le16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
uint32_t Be16(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 8 | static_cast<uint8_t>(b[at + 1]);
}
uint32_t Be32(std::string_view b, size_t at) { return Be16(b, at) << 16 | Be16(b, at + 2); }

uint64_t Area(uint64_t w, uint64_t h) { return w * h; }

// The largest pixel count a picture's headers announce, so that the fuzz build can pass
// over pictures whose decoding alone would take seconds.
uint64_t AnnouncedPixels(std::string_view b, bool icons = true) {
  uint64_t most = 0;
  const size_t n = b.size();
  if (n >= 24 && b.compare(0, 4, "\x89PNG") == 0) most = Area(Be32(b, 16), Be32(b, 20));
  if (n >= 26 && b[0] == 'B' && b[1] == 'M') {
    const uint32_t header = Le32(b, 14);
    const uint64_t w = header == 12 ? Le16(b, 18) : Le32(b, 18);
    const int64_t h = header == 12 ? Le16(b, 20) : static_cast<int32_t>(Le32(b, 22));
    most = std::max(most, Area(w, static_cast<uint64_t>(h < 0 ? -h : h)));
  }
  if (n >= 4 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xD8) {
    for (size_t i = 2; i + 9 <= n;) {
      if (static_cast<uint8_t>(b[i]) != 0xFF) {
        ++i;
        continue;
      }
      const auto marker = static_cast<uint8_t>(b[i + 1]);
      if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
        most = std::max(most, Area(Be16(b, i + 7), Be16(b, i + 5)));
      }
      if (marker == 0xFF || marker == 0xD8 || marker == 0x01 ||
          (marker >= 0xD0 && marker <= 0xD7)) {
        i += marker == 0xFF ? 1 : 2;
      } else {
        i += 2 + Be16(b, i + 2);
      }
    }
  }
  if (icons && n >= 6 && Le16(b, 0) == 0 && (Le16(b, 2) == 1 || Le16(b, 2) == 2)) {
    const uint32_t count = Le16(b, 4);
    for (uint32_t e = 0; e < count && 6 + 16 * (e + 1) <= n; ++e) {
      const size_t entry = 6 + 16 * e;
      const uint32_t w = static_cast<uint8_t>(b[entry]), h = static_cast<uint8_t>(b[entry + 1]);
      most = std::max(most, Area(w == 0 ? 256 : w, h == 0 ? 256 : h));
      const uint32_t offset = Le32(b, entry + 12);
      if (offset < n) most = std::max(most, AnnouncedPixels(b.substr(offset), false));
      if (uint64_t{offset} + 12 <= n) {
        most = std::max(most, Area(Le32(b, offset + 4), Le32(b, offset + 8)));
      }
    }
  }
  return most;
}

std::optional<PictureType> SelectedType(uint8_t selector, std::string_view bytes) {
  static constexpr PictureType kTypes[] = {PictureType::kJpeg, PictureType::kBmp,
                                           PictureType::kIco,  PictureType::kPng,
                                           PictureType::kWmf,  PictureType::kEmf};
  const unsigned pick = selector % 7u;
  if (pick < 6) return kTypes[pick];
  const PictureType detected = DetectPictureType(AsBytes(bytes));
  if (detected == PictureType::kUnknown) return std::nullopt;
  return detected;
}

// The decoded picture in a comparable form: its size, pixels or records, and the
// enhanced metafile it draws; or the error.
struct Decoded {
  std::string error;
  std::string content;
  std::string failure;
};

std::string EmfProblem(const std::vector<std::byte>& emf) {
  if (emf.size() < 108 || emf.size() % 4 != 0) return "enhanced metafile of a bad size";
  const std::string_view view(reinterpret_cast<const char*>(emf.data()), emf.size());
  if (Le32(view, 0) != 1) return "enhanced metafile without its header record";
  if (Le32(view, 48) != emf.size()) return "enhanced metafile header gives a wrong size";
  return "";
}

Decoded Decode(std::string_view bytes, PictureType type) {
  Decoded d;
  try {
    const Picture picture = DecodePicture(AsBytes(bytes), type);
    if (picture.Empty()) {
      d.failure = "decoder returned an empty picture";
      return d;
    }
    const uint32_t w = picture.Width(), h = picture.Height();
    if (w == 0 || h == 0 || w > kMaxPictureSide || h > kMaxPictureSide) {
      d.failure = "decoded picture of size " + std::to_string(w) + "x" + std::to_string(h);
      return d;
    }
    d.content = std::to_string(w) + "x" + std::to_string(h) + ":";
    if (const Bitmap* bitmap = picture.AsBitmap()) {
      for (uint32_t y = 0; y < bitmap->Height(); ++y) {
        const auto row = bitmap->Row(y);
        d.content.append(reinterpret_cast<const char*>(row.data()), row.size());
      }
    } else if (const Metafile* metafile = picture.AsMetafile()) {
      const auto records = metafile->Records();
      d.content.append(reinterpret_cast<const char*>(records.data()), records.size());
    }
    MetafileCanvas canvas(w, h);
    canvas.Draw(picture);
    const std::vector<std::byte> emf = canvas.EmfBytes();
    d.failure = EmfProblem(emf);
    d.content.append(reinterpret_cast<const char*>(emf.data()), emf.size());
    try {
      const std::vector<std::byte> wmf = canvas.WmfBytes();
      d.content.append(reinterpret_cast<const char*>(wmf.data()), wmf.size());
    } catch (const Exception& e) {
      d.content += e.what();
    }
  } catch (const Exception& e) {
    d.error = e.what();
    if (d.error.empty()) d.failure = "decoder error with an empty message";
  } catch (const std::exception& e) {
    d.failure = std::string("exception that is no vorn::Exception: ") + e.what();
  }
  return d;
}

// One card whose picture field holds `bytes`.
std::string CheckPictureRun(std::string_view bytes) {
  TMemoryTable table(950);
  table.AddFieldDef({"PIC", ftGraphic, 0, false});
  table.AddFieldDef({"DATA", ftBlob, 0, false});
  table.CreateDataSet();
  table.Append();
  table.Field(0).SetAsString(bytes);
  table.Field(1).SetAsString(bytes);
  table.Post();
  static constexpr std::string_view kTemplate =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}} \\\\A:PIC\\\\ and \\\\FIMG(A:DATA,2)\\\\\\par}";
  std::string problem = CheckRun(kTemplate, {&table}, true);
  if (problem.empty()) problem = CheckRun(kTemplate, {&table}, true, {eoGraphicsWmfCompatible});
  return problem;
}

}  // namespace

bool RtfBalanced(std::string_view rtf, bool skip_control_bytes) {
  const size_t n = rtf.size();
  // The template scanner passes over control bytes other than TAB and LF wherever it reads
  // RTF syntax, so "\" CR "}" is an escaped brace to it.
  const auto skip = [&](size_t& at) {
    while (skip_control_bytes && at < n && static_cast<unsigned char>(rtf[at]) < 0x20 &&
           rtf[at] != '\t' && rtf[at] != '\n') {
      ++at;
    }
  };
  const auto is_letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  int64_t depth = 0;
  size_t i = 0;
  while (true) {
    skip(i);
    if (i >= n) break;
    const char c = rtf[i++];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth < 0) return false;
    } else if (c == '\\') {
      skip(i);
      if (i >= n) break;
      if (!is_letter(rtf[i])) {  // a control symbol: the next byte is taken literally
        ++i;
        continue;
      }
      std::string word;
      while (i < n && is_letter(rtf[i])) {
        word.push_back(rtf[i++]);
        skip(i);
      }
      if (i < n && rtf[i] == '-') ++i;
      uint64_t count = 0;
      while (i < n && rtf[i] >= '0' && rtf[i] <= '9') {
        if (count < (uint64_t{1} << 40)) count = count * 10 + static_cast<uint64_t>(rtf[i] - '0');
        ++i;
        skip(i);
      }
      if (i < n && rtf[i] == ' ') ++i;
      if (word == "bin") {
        if (count > n - i) return false;
        i += count;
      }
    }
  }
  return depth == 0;
}

std::string CheckTemplate(std::string_view bytes) {
  FixedData data;
  // Control bytes inside RTF syntax read differently to the scanner and to a word
  // processor; only a template balanced both ways promises a balanced document.
  return CheckRun(bytes, data.DataSets(), RtfBalanced(bytes) && RtfBalanced(bytes, true));
}

std::string CheckExpression(std::string_view bytes) {
  const std::string text(bytes);
  std::optional<std::string> converted;
  std::string error;
  for (int pass = 0; pass < 2; ++pass) {
    TQeRTF report;
    try {
      const std::string call_form = ConvertExpression(report, text, true);
      if (pass == 1 && converted != call_form) return "conversion differs the second time";
      converted = call_form;
    } catch (const EIllegalFunctionUse& e) {
      if (std::string_view(e.what()).empty()) return "conversion error with an empty message";
      if (pass == 1 && error != e.what()) return "conversion error differs the second time";
      error = e.what();
    } catch (const std::exception& e) {
      return std::string("conversion threw something other than EIllegalFunctionUse: ") + e.what();
    }
  }
  if (!FitsInATag(text)) return "";
  FixedData data;
  std::string problem = CheckRun("{\\rtf1\\ansi \\\\" + text + "\\\\\\par}", data.DataSets(), true);
  if (problem.empty()) {
    problem = CheckRun("{\\rtf1\\ansi \\\\IF(" + text + ")\\\\yes\\\\ELSE\\\\no\\\\ENDIF\\\\\\par}",
                       data.DataSets(), true);
  }
  return problem;
}

std::string CheckFragment(std::string_view bytes) {
  if (bytes.empty()) return "";
  const uint8_t place = static_cast<uint8_t>(bytes[0]) % 8u;
  const std::string_view fragment = bytes.substr(1);
  if (place == 7) {
    // Straight into a stream, the way a caller merges outside a report run.
    std::string outputs[2];
    for (std::string& output : outputs) {
      TQeRTF report;
      report.HeaderTables.Fonts = {"{\\f0\\froman Times;}"};
      report.HeaderTables.Colors = {";"};
      report.HeaderTables.Styles = {"{\\s0 Normal;}"};
      TMemoryStream out;
      report.SetOutput(&out);
      try {
        report.MergeRtfText(fragment);
      } catch (const Exception& e) {
        if (std::string_view(e.what()).empty()) return "merge error with an empty message";
      } catch (const std::exception& e) {
        return std::string("merge threw something other than vorn::Exception: ") + e.what();
      }
      if (!RtfBalanced(out.Bytes())) return "merge wrote an unbalanced group";
      for (const auto* list : {&report.HeaderTables.Fonts, &report.HeaderTables.Styles}) {
        for (const std::string& entry : *list) {
          if (!RtfBalanced(entry)) return "merge left an unbalanced table entry";
        }
      }
      output = out.Bytes();
    }
    return outputs[0] == outputs[1] ? "" : "second merge differs from the first";
  }
  static constexpr const char* kHeader =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times;}}"
      "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}{\\s1 Heading;}}\n";
  static constexpr const char* kBodies[] = {
      "\\pard Before \\\\FRTF(C:BODY)\\\\ after",
      "\\pard {\\b\\i Before \\\\FRTF(C:BODY)\\\\ after}",
      "\\trowd\\cellx2000\\cellx4000 \\pard\\intbl \\\\FRTF(C:BODY)\\\\\\cell x\\cell\\row",
      "\\pard \\\\SCAN(A)\\\\ \\\\A:ID\\\\: \\\\FRTF(C:BODY)\\\\ \\\\ENDSCAN\\\\",
      "\\pard \\\\IF(A:OK)\\\\ \\\\FRTF(C:BODY)\\\\ \\\\ELSE\\\\ no \\\\ENDIF\\\\",
      "\\pard \\\\FRTF(C:BODY)\\\\\\\\FRTF(C:BODY)\\\\",
  };
  std::string tmpl;
  if (place == 6) {
    tmpl = "{\\rtf1\\ansi \\\\FRTF(C:BODY)\\\\";  // no header tables to join
  } else {
    tmpl = std::string(kHeader) + kBodies[place];
  }
  static constexpr std::string_view kTail = " ENDMARK\\par}";
  tmpl += kTail;

  FixedData data;
  TMemoryTable fragments(950);
  fragments.AddFieldDef({"BODY", ftMemo, 0, false});
  fragments.CreateDataSet();
  fragments.Append();
  if (!fragment.empty()) fragments.Field(0).SetAsString(fragment);
  fragments.Post();
  std::vector<TDataSet*> datasets = data.DataSets();
  datasets.push_back(&fragments);
  std::string problem = CheckRun(tmpl, datasets, true);
  if (!problem.empty()) return problem;
  const Outcome outcome = RunTemplate(tmpl, datasets, {eoGraphicsBinary, eoDotAsColon});
  if (outcome.succeeded &&
      (outcome.output.size() < kTail.size() ||
       outcome.output.compare(outcome.output.size() - kTail.size(), kTail.size(), kTail) != 0)) {
    return "the template's text after the fragment did not end the document";
  }
  return "";
}

std::string CheckImage(std::string_view bytes) {
  if (bytes.empty()) return "";
  const std::string_view picture = bytes.substr(1);
#ifdef VORN_FUZZ_BUILD
  if (AnnouncedPixels(picture) > (1u << 20)) return "";
#endif
  if (const std::optional<PictureType> type =
          SelectedType(static_cast<uint8_t>(bytes[0]), picture)) {
    const Decoded first = Decode(picture, *type);
    if (!first.failure.empty()) return first.failure;
    const Decoded second = Decode(picture, *type);
    if (first.error != second.error || first.content != second.content) {
      return "second decoding differs from the first";
    }
  }
  return CheckPictureRun(picture);
}

}  // namespace vorn::fuzz
