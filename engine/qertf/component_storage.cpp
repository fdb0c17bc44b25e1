#include "engine/qertf/component_storage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qertf/qertf.h"
#include "platform/system/exception.h"
#include "platform/system/stream.h"

namespace vorn {

namespace {

// The stored form: the signature, then one record per property (name, type byte, value)
// and a record with an empty name at the end. Integers are little-endian.
constexpr std::string_view kSignature = "VQPROP1";

enum PropertyType : uint8_t {
  kString = 'S',
  kStringList = 'L',
  kInt = 'I',
  kBool = 'B',
  kBinary = 'D',
};

class PropertyWriter {
 public:
  explicit PropertyWriter(TStream& stream) : stream_(stream) {}

  void String(std::string_view name, std::string_view value) {
    Head(name, kString);
    Text(value);
  }
  void Strings(std::string_view name, const TQeVarList& list) {
    Head(name, kStringList);
    Int32(list.Count());
    for (int i = 0; i < list.Count(); ++i) Text(list.Strings(i));
  }
  void Int(std::string_view name, int32_t value) {
    Head(name, kInt);
    Int32(value);
  }
  void Bool(std::string_view name, bool value) {
    Head(name, kBool);
    Byte(value ? 1 : 0);
  }
  void Binary(std::string_view name, std::string_view bytes) {
    Head(name, kBinary);
    Text(bytes);
  }
  void End() { Byte(0); }

 private:
  void Head(std::string_view name, PropertyType type) {
    Byte(static_cast<uint8_t>(name.size()));
    stream_.Write(name);
    Byte(type);
  }
  void Text(std::string_view text) {
    Int32(static_cast<int32_t>(text.size()));
    stream_.Write(text);
  }
  void Int32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    const char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                           static_cast<char>((bits >> 16) & 0xFF),
                           static_cast<char>((bits >> 24) & 0xFF)};
    stream_.Write(bytes, 4);
  }
  void Byte(uint8_t value) { stream_.Write(&value, 1); }

  TStream& stream_;
};

class PropertyReader {
 public:
  explicit PropertyReader(TStream& stream) : stream_(stream) {}

  std::string Name() { return Bytes(Byte()); }
  uint8_t Type() { return Byte(); }
  std::string Text() { return Bytes(Length()); }
  int32_t Int32() {
    const std::string b = Bytes(4);
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
      bits = (bits << 8) | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
    return static_cast<int32_t>(bits);
  }
  uint8_t Byte() { return static_cast<uint8_t>(Bytes(1)[0]); }
  // A count or length that the rest of the stream cannot hold is refused before anything
  // is allocated for it.
  size_t Length() {
    const int32_t length = Int32();
    if (length < 0 || length > stream_.Size() - stream_.Position()) {
      throw Exception("Invalid stream format");
    }
    return static_cast<size_t>(length);
  }
  std::string Bytes(size_t count) {
    std::string out(count, '\0');
    if (count > 0 && stream_.Read(out.data(), count) != count) throw Exception("Stream read error");
    return out;
  }

 private:
  TStream& stream_;
};

// Everything read, applied only once the whole stream has been read.
struct StoredProperties {
  std::optional<std::string> in_file, out_file, true_value, false_value;
  std::optional<std::vector<std::string>> var_lines;
  std::optional<std::string> var_data_types;
  std::optional<int32_t> charset, lang, options;
  std::optional<bool> disable_controls;
};

void Expect(uint8_t type, uint8_t expected, const std::string& name) {
  if (type != expected) throw Exception("Invalid property value " + name);
}

void ReadProperty(PropertyReader& in, const std::string& name, StoredProperties& p) {
  const uint8_t type = in.Type();
  const auto text = [&](std::optional<std::string>& slot) {
    Expect(type, kString, name);
    slot = in.Text();
  };
  const auto integer = [&](std::optional<int32_t>& slot, int32_t max) {
    Expect(type, kInt, name);
    const int32_t value = in.Int32();
    if (value < 0 || value > max) throw Exception("Invalid property value " + name);
    slot = value;
  };
  if (name == "InFile") {
    text(p.in_file);
  } else if (name == "OutFile") {
    text(p.out_file);
  } else if (name == "TrueValue") {
    text(p.true_value);
  } else if (name == "FalseValue") {
    text(p.false_value);
  } else if (name == "VarList") {
    Expect(type, kStringList, name);
    const size_t count = in.Length();
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; ++i) lines.push_back(in.Text());
    p.var_lines = std::move(lines);
  } else if (name == "VarDataTypes") {
    Expect(type, kBinary, name);
    p.var_data_types = in.Text();
  } else if (name == "Charset") {
    integer(p.charset, 255);
  } else if (name == "Lang") {
    integer(p.lang, 65535);
  } else if (name == "Options") {
    integer(p.options, 0x1F);
  } else if (name == "DisableControls") {
    Expect(type, kBool, name);
    p.disable_controls = in.Byte() != 0;
  } else {
    throw Exception("Property " + name + " does not exist");
  }
}

}  // namespace

void SaveComponent(const TQeRTF& report, TStream& stream) {
  stream.Write(kSignature);
  PropertyWriter out(stream);
  out.String("InFile", report.InFile());
  out.String("OutFile", report.OutFile());
  out.Strings("VarList", report.VarList());
  out.String("TrueValue", report.TrueValue());
  out.String("FalseValue", report.FalseValue());
  out.Int("Charset", report.Charset());
  out.Int("Lang", report.Lang());
  out.Int("Options", report.Options().Bits());
  out.Bool("DisableControls", report.DisableControls());
  // After VarList, so that its lines exist when the types are read back.
  out.Binary("VarDataTypes", report.VarList().VarDataTypes());
  out.End();
}

void LoadComponent(TQeRTF& report, TStream& stream) {
  PropertyReader in(stream);
  if (in.Bytes(kSignature.size()) != kSignature) throw Exception("Invalid stream format");
  StoredProperties p;
  for (std::string name = in.Name(); !name.empty(); name = in.Name()) ReadProperty(in, name, p);

  TQeVarList vars;
  if (p.var_lines) {
    for (const std::string& line : *p.var_lines) vars.Add(line);
  } else {
    vars.Assign(report.VarList());
  }
  if (p.var_data_types) vars.SetVarDataTypes(*p.var_data_types);

  if (p.in_file) report.SetInFile(*p.in_file);
  if (p.out_file) report.SetOutFile(*p.out_file);
  report.SetVarList(vars);
  if (p.true_value) report.SetTrueValue(*p.true_value);
  if (p.false_value) report.SetFalseValue(*p.false_value);
  if (p.charset) report.SetCharset(static_cast<uint8_t>(*p.charset));
  if (p.lang) report.SetLang(static_cast<uint16_t>(*p.lang));
  if (p.options) report.SetOptions(TQeRTFOptions::FromBits(static_cast<uint8_t>(*p.options)));
  if (p.disable_controls) report.SetDisableControls(*p.disable_controls);
}

}  // namespace vorn
