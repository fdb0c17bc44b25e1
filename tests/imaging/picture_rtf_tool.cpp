// Wraps a picture file, drawn into our metafile writer, in a one-picture RTF document,
// so a word processor can show what the writer produces:
//   vorn_picture_rtf PICTURE OUTPUT.rtf emf|wmf
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "imaging/metafile_writer.h"
#include "imaging/picture_decoders.h"
#include "platform/system/exception.h"

namespace {

std::string Hex(const std::vector<std::byte>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::byte b : bytes) {
    out += kDigits[std::to_integer<unsigned>(b) >> 4];
    out += kDigits[std::to_integer<unsigned>(b) & 15];
  }
  return out;
}

std::string PictureGroup(const vorn::Picture& picture, bool wmf) {
  vorn::MetafileCanvas canvas(picture.Width(), picture.Height());
  canvas.Draw(picture);
  const std::vector<std::byte> data = wmf ? canvas.WmfBytes() : canvas.EmfBytes();
  // 15 twips to a pixel at 96 per inch.
  return std::string("{\\pict") + (wmf ? "\\wmetafile8" : "\\emfblip") + "\\picw" +
         std::to_string(canvas.WidthHmm()) + "\\pich" + std::to_string(canvas.HeightHmm()) +
         "\\picwgoal" + std::to_string(picture.Width() * 15) + "\\pichgoal" +
         std::to_string(picture.Height() * 15) + " " + Hex(data) + "}";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::string(argv[3]) != "emf" && std::string(argv[3]) != "wmf")) {
    std::cerr << "usage: vorn_picture_rtf PICTURE OUTPUT.rtf emf|wmf\n";
    return 2;
  }
  try {
    const vorn::Picture picture = vorn::LoadPictureFile(argv[1]);
    std::ofstream out(argv[2], std::ios::binary);
    out << "{\\rtf1\\ansi\\paperw11906\\paperh16838\\margl1440\\margr1440\\margt1440\\margb1440"
           "\\pard\\plain "
        << PictureGroup(picture, std::string(argv[3]) == "wmf") << "\\par}";
    if (!out.flush()) throw vorn::Exception(std::string("Cannot write ") + argv[2]);
  } catch (const vorn::Exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
