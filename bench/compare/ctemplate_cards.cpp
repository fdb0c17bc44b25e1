// ctemplate_cards TEMPLATE CSV OUT: the reference price cards with Google's ctemplate, the way a
// C++ program would use it: read the CSV, put each row into a section dictionary with its texts
// RTF-escaped in Big5 and its prices formatted, expand once, write the file.
#include <ctemplate/template.h>
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cells.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cells.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      cells.emplace_back();
    } else if (c != '\r') {
      cells.back() += c;
    }
  }
  return cells;
}

// UTF-8 text as RTF in code page 950: the same escapes as the other peers write.
class RtfText {
 public:
  RtfText() : iconv_(iconv_open("CP950", "UTF-8")) {}
  ~RtfText() { iconv_close(iconv_); }
  std::string operator()(const std::string& utf8) {
    std::string big5(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* out = big5.data();
    size_t out_left = big5.size();
    if (iconv(iconv_, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1)) {
      throw std::runtime_error("not Big5: " + utf8);
    }
    big5.resize(big5.size() - out_left);
    std::string rtf;
    for (const char c : big5) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '\\' || c == '{' || c == '}') {
        rtf += '\\';
        rtf += c;
      } else if (byte >= 0x80) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\'%02X", byte);
        rtf += hex;
      } else {
        rtf += c;
      }
    }
    return rtf;
  }

 private:
  iconv_t iconv_;
};

std::string Fixed2(const std::string& text) {
  char number[64];
  std::snprintf(number, sizeof number, "%.2f", std::stod(text));
  return number;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: ctemplate_cards TEMPLATE CSV OUT\n";
    return 2;
  }
  std::ifstream csv(argv[2]);
  std::string line;
  std::getline(csv, line);
  const std::vector<std::string> header = SplitCsvLine(line);
  ctemplate::TemplateDictionary dictionary("cards");
  RtfText rtf;
  while (std::getline(csv, line)) {
    if (line.empty()) continue;
    const std::vector<std::string> cells = SplitCsvLine(line);
    ctemplate::TemplateDictionary* row = dictionary.AddSectionDictionary("ROWS");
    for (size_t i = 0; i < header.size() && i < cells.size(); ++i) {
      const bool price = header[i].find("PRICE") != std::string::npos;
      row->SetValue(header[i], price ? Fixed2(cells[i]) : rtf(cells[i]));
    }
  }
  std::string output;
  if (!ctemplate::ExpandTemplate(argv[1], ctemplate::DO_NOT_STRIP, &dictionary, &output)) {
    std::cerr << "ctemplate_cards: cannot expand " << argv[1] << "\n";
    return 1;
  }
  std::ofstream(argv[3], std::ios::binary) << output;
  return 0;
}
